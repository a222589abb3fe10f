#include "events/windows/WinNote.h"

#include "events/NoteRules.h"
#include "events/windows/LastMidi.h"
#include "events/windows/WinNoteF.h"
#include "library/Data.h"
#include "midi/Midi.h"
#include "platform/Clock.h"
#include "platform/Keys.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/DragTypes.h"
#include "windows/ScreenFrames.h"
#include "windows/WindowArrangement.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextDocumentLayout>
#include <QPointer>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextDocument>
#include <QThread>
#include <QVBoxLayout>
#include <memory>

// ---- The text view ------------------------------------------------------------------

std::optional<QString> NoteTextView::droppedTag(const QMimeData *data)
{
    const std::optional<int> row = dragtypes::firstRow(data, dragtypes::TagsDataType, Data::tags().size());
    if (!row)
        return std::nullopt;
    return Data::tags().at(*row);
}

void NoteTextView::focusInEvent(QFocusEvent *event)
{
    platform::NotificationCenter::defaultCenter().post(vocab::NoteBecomeFirstResponder, QVariant(), this);
    QPlainTextEdit::focusInEvent(event);
}

bool NoteTextView::canInsertFromMimeData(const QMimeData *source) const
{
    if (source->hasFormat(dragtypes::TagsDataType))
        return !isReadOnly();
    return QPlainTextEdit::canInsertFromMimeData(source);
}

void NoteTextView::insertFromMimeData(const QMimeData *source)
{
    if (!source->hasFormat(dragtypes::TagsDataType)) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    // The tag goes to the note's tags line through the controller; a drag
    // that names no tag of the list is refused.
    if (const std::optional<QString> tag = droppedTag(source))
        platform::NotificationCenter::defaultCenter().post(vocab::ActionInsererTag, *tag);
}

// ---- The window ------------------------------------------------------------------------

namespace {

// A note this long takes a frame or more to lay out: a shown window has it laid out on the shared pool.
constexpr qsizetype kLayOutOnThePoolFrom = 16 * 1024;
// What the window shows of it meanwhile, cut at a line end.
constexpr qsizetype kStartShown = 4 * 1024;

} // namespace

WinNote::WinNote(NoteWriter &writer, QWidget *parent) : NoteWindow(writer, parent)
{
    setWindowTitle(QStringLiteral("Notes"));
    auto *layout = new QVBoxLayout(this);
    readOnlyNotice_ = new QLabel(this);
    readOnlyNotice_->setStyleSheet(QStringLiteral("color: #c0392b;"));
    readOnlyNotice_->setWordWrap(true);
    readOnlyNotice_->hide();
    layout->addWidget(readOnlyNotice_);
    txViewNote_ = new NoteTextView(this);
    txViewNote_->setAcceptDrops(true);
    QFont f = txViewNote_->font();
    f.setPointSizeF(20.0);
    txViewNote_->setFont(f);
    layout->addWidget(txViewNote_, 1);

    auto *grid = new QGridLayout;
    auto button = [this](const QString &title, const QString &tip) {
        auto *b = new QPushButton(title, this);
        b->setToolTip(tip);
        return b;
    };
    buttonMIDIa_ = button(QString(), QStringLiteral("Insert Program Change MIDI instruction \nFormat: MSB.LSB:program@destination"));
    buttonMIDIb_ = button(QString(), QStringLiteral("Insert Control Change MIDI instruction \nFormat: CCcontrol:value@destination"));
    buttonMIDIc_ = button(QString(), QStringLiteral("Insert Global Coarse Tune (transpose) MIDI instruction"));
    buttonMIDId_ = button(QStringLiteral("TR"), QStringLiteral("Insert RPN Coarse Tune (transpose) MIDI instruction"));
    buttonMIDIe_ = button(QStringLiteral("MIDI"), QStringLiteral("Insert MIDI Group ID instruction"));
    buttonTempo_ = button(QStringLiteral("Tempo"),
                          QStringLiteral("Insert Tempo instruction\nFormat: Tempo=120\nAdd 2/4 3/4 4/4 to specify time "
                                         "signature.\nExample: Tempo 104 3/4"));
    buttonEVa_ = button(QString(), QStringLiteral("Insert Time instruction for Page\nFormat: 00:00 Page 1 Bottom\n        "
                                                  "(Bottom is optional)"));
    buttonEVb_ = button(QString(), QStringLiteral("Insert Time instruction for Message\nFormat: 00:00 Message ID:Text"));
    buttonEVc_ = button(QStringLiteral("▶︎"), QStringLiteral("Start Playback"));
    buttonEVd_ = button(QStringLiteral("◼︎"), QStringLiteral("Stop Playback"));
    buttonEVe_ = button(QStringLiteral("● Rec"), QStringLiteral("Record Song Events"));
    buttonEVf_ = button(QStringLiteral("Tags"), QStringLiteral("Display Available Tags (tags can be dragged to notes)"));
    buttonFormatted_ = button(QStringLiteral("Form Mode"), QStringLiteral("Edit the note as fields and cues"));
    buttonEscape_ = button(QStringLiteral("Back to Song"), QString());
    buttonCmdEnter_ = button(QStringLiteral("Close"), QString());
    int col = 0;
    for (QPushButton *b : {buttonMIDIa_, buttonMIDIb_, buttonMIDIc_, buttonMIDId_, buttonMIDIe_, buttonTempo_})
        grid->addWidget(b, 0, col++);
    col = 0;
    for (QPushButton *b : {buttonEVa_, buttonEVb_, buttonEVc_, buttonEVd_, buttonEVe_, buttonEVf_})
        grid->addWidget(b, 1, col++);
    grid->addWidget(buttonFormatted_, 2, 0);
    grid->addWidget(buttonEscape_, 2, 4);
    grid->addWidget(buttonCmdEnter_, 2, 5);
    layout->addLayout(grid);
    resize(640, 620);

    connect(buttonMIDIa_, &QPushButton::clicked, this, [this]() { actionInsererMIDIa(); });
    connect(buttonMIDIb_, &QPushButton::clicked, this, [this]() { actionInsererMIDIb(); });
    connect(buttonMIDIc_, &QPushButton::clicked, this, [this]() { actionInsererMIDIn(2); });
    connect(buttonMIDId_, &QPushButton::clicked, this, [this]() { actionInsererMIDIn(3); });
    connect(buttonMIDIe_, &QPushButton::clicked, this, [this]() { actionInsererMIDIn(4); });
    connect(buttonTempo_, &QPushButton::clicked, this, [this]() { actionInsererMIDIn(6); });
    int tag = 1;
    for (QPushButton *b : {buttonEVa_, buttonEVb_, buttonEVc_, buttonEVd_, buttonEVe_}) {
        const int t = tag++;
        connect(b, &QPushButton::clicked, this, [this, t]() { actionEV(t); });
    }
    connect(buttonEVf_, &QPushButton::clicked, this, [this]() { openTags(); });
    connect(buttonFormatted_, &QPushButton::clicked, this, [this]() { postCode(vocab::NoteDisplayMode); });
    connect(buttonEscape_, &QPushButton::clicked, this, [this]() {
        if (isActiveWindow())
            Data::activateKeywin();
    });
    connect(buttonCmdEnter_, &QPushButton::clicked, this, [this]() { closeWin(); });
    connect(txViewNote_, &QPlainTextEdit::textChanged, this, [this]() {
        if (filling_)
            return;
        noteModifiee_ = true;
        if (!isCompleting_)
            offerCompletion();
    });
    setUpCompletion(txViewNote_);

    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::InsererMidiFromLib,
        [this](const platform::Notification &n) {
            for (const MidiFavEventPtr &g : Midi::MIDIfav())
                if (g && g->favEventID == n.stringParam()) {
                    insererMidiFromLib(g);
                    break;
                }
        },
        this);
    refreshLastMIDIdata();
    refreshLastMIDIdataCC();
    refreshColorLastMIDIdata(true);
    refreshPageNo();
}

WinNote::~WinNote() = default;

void WinNote::showWin()
{
    show();
    raise();
    txViewNote_->verticalScrollBar()->setValue(0);
    QTextCursor c = txViewNote_->textCursor();
    c.setPosition(0);
    txViewNote_->setTextCursor(c);
}

void WinNote::editer()
{
    show();
    raise();
    activateWindow();
    if (!view()->hasFocus())
        txViewNote_->setFocus();
    txViewNote_->verticalScrollBar()->setValue(0);
    QTextCursor c = txViewNote_->textCursor();
    c.setPosition(0);
    txViewNote_->setTextCursor(c);
}

void WinNote::setPDF(const PiecesPtr &piece, qint64 pageNo, bool zoomTop, bool zoomOn, qint64 currSort,
                     const PiecesPtr &pieceNext)
{
    Q_UNUSED(currSort);
    Q_UNUSED(pieceNext);
    if (followSong(piece, pageNo, zoomTop, zoomOn) || Data::recOn())
        refreshPieceData();
    refreshPageNo();
}

void WinNote::refreshPieceData()
{
    const PiecesDet *det = song_.piece && song_.piece->pieceDet ? song_.piece->pieceDet.get() : nullptr;
    setWindowTitle(QStringLiteral("Notes: %1").arg(det ? det->titre : QString()));
    noteModifiee_ = false;
    noteReadOnly_ = det && det->noteUnreadable;
    txViewNote_->setReadOnly(noteReadOnly_);
    readOnlyNotice_->setVisible(noteReadOnly_);
    readOnlyNotice_->setText(noteReadOnly_ ? QStringLiteral("The note file of this song could not be read: it is "
                                                            "shown read-only and is left unchanged.")
                                           : QString());
    // Laying out a long note takes frames: a hidden window takes the text only when it shows or its text is needed.
    textStale_ = true;
    fillAwaited_ = false;
    if (isVisible())
        showText();
}

namespace {

// An empty document as the view takes it; made on any thread.
std::unique_ptr<QTextDocument> noteDocument(const QFont &font)
{
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(font);
    doc->setDocumentLayout(new QPlainTextDocumentLayout(doc.get()));
    return doc;
}

} // namespace

NoteTextView *WinNote::view() const
{
    if (textStale_) {
        const PiecesDet *det = song_.piece && song_.piece->pieceDet ? song_.piece->pieceDet.get() : nullptr;
        std::unique_ptr<QTextDocument> doc = noteDocument(txViewNote_->font());
        doc->setPlainText(det ? det->notetxt : QString());
        const_cast<WinNote *>(this)->takeDocument(doc.release());
    }
    return txViewNote_;
}

void WinNote::showText()
{
    if (!textStale_ || fillAwaited_)
        return;
    const PiecesDet *det = song_.piece && song_.piece->pieceDet ? song_.piece->pieceDet.get() : nullptr;
    const QString text = det ? det->notetxt : QString();
    if (text.size() < kLayOutOnThePoolFrom) {
        view();
        return;
    }
    // Its start shows at once, read-only; the whole note once the pool has laid it out.
    std::unique_ptr<QTextDocument> start = noteDocument(txViewNote_->font());
    start->setPlainText(text.left(text.lastIndexOf(QLatin1Char('\n'), kStartShown) + 1));
    takeDocument(start.release());
    textStale_ = true;
    fillAwaited_ = true;
    txViewNote_->setReadOnly(true);
    const quint64 serial = ++fillSerial_;
    // The main thread named now: at the program's end a layout still on the pool finds no application.
    platform::runGlobal([self = QPointer<WinNote>(this), serial, text, font = txViewNote_->font(), main = QThread::currentThread()]() {
        auto doc = std::make_shared<std::unique_ptr<QTextDocument>>(noteDocument(font));
        (*doc)->setPlainText(text);
        // Each line's layout is made here; the view only empties them.
        for (QTextBlock b = (*doc)->firstBlock(); b.isValid(); b = b.next())
            b.layout();
        (*doc)->moveToThread(main);
        platform::runOnMain([self, serial, doc]() {
            if (self && self->fillAwaited_ && self->fillSerial_ == serial)
                self->takeDocument(doc->release());
        });
    });
}

void WinNote::takeDocument(QTextDocument *doc)
{
    textStale_ = false;
    fillAwaited_ = false; // a layout still under way on the pool comes too late
    doc->setParent(txViewNote_);
    filling_ = true;
    txViewNote_->setDocument(doc);
    filling_ = false;
    txViewNote_->setReadOnly(noteReadOnly_);
    // The view never deletes a document it was given; freeing a long one takes a turn of its own.
    if (QTextDocument *before = std::exchange(shownDoc_, doc))
        before->deleteLater();
}

void WinNote::showEvent(QShowEvent *event)
{
    showText();
    NoteWindow::showEvent(event);
}

void WinNote::afficherZoomHaut()
{
    song_.zoomTop = true;
    refreshPageNo();
    if (Data::recOn())
        refreshPieceData();
}

void WinNote::afficherZoomBas()
{
    song_.zoomTop = false;
    refreshPageNo();
    if (Data::recOn())
        refreshPieceData();
}

bool WinNote::saveNote(bool flag)
{
    bool written = false;
    if (song_.piece && song_.piece->pieceDet && noteModifiee_) {
        // The alert of a failed write takes the keys from this window, whose
        // leaving saves: taken first, the edit is not saved (and refused) twice.
        noteModifiee_ = false;
        PiecesDet &det = *song_.piece->pieceDet;
        if (det.noteUnreadable) {
            TLOG(QStringLiteral("WinNote: the note of \"%1\" is unreadable and was not saved").arg(det.fichier));
        } else {
            QString text = view()->toPlainText();
            if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
                text += QLatin1Char('\n');
            const QString before = det.notetxt;
            det.notetxt = text;
            det.note = !text.isEmpty();
            writeRecord(song_.piece);
            written = text != before;
            if (written)
                postCode(song_.piece->majInfo() ? vocab::SongInfoChanged
                         : flag                ? vocab::NoteChanged
                                               : vocab::NoteSavedReprocess);
        }
    }
    noteModifiee_ = false;
    return written;
}

void WinNote::handOver()
{
    const bool changed = saveNote(false);
    if (wNoteF_)
        wNoteF_->refreshPieceDataEtForcerSave(changed);
}

void WinNote::backToSong()
{
    refreshPieceData();
    if (isActiveWindow())
        Data::activateKeywin();
}

void WinNote::refreshPageNo()
{
    buttonEVc_->setVisible(!song_.playing);
    buttonEVd_->setVisible(song_.playing);
    buttonEVa_->setText(noterules::pageMarker(song_.pos, song_.page, song_.zoomTop));
    buttonEVb_->setText(noterules::messageMarker(song_.pos));
}

void WinNote::actionEV(int tag)
{
    switch (tag) {
    case 1:
    case 2:
        if (!wNoteF_ || readOnly())
            return;
        handOver();
        wNoteF_->ajouterSongEv(tag == 1 ? 5 : 2, (tag == 1 ? buttonEVa_ : buttonEVb_)->text());
        wNoteF_->saveNote(false);
        backToSong();
        break;
    case 3: postCode(vocab::PeriodKey); break;
    case 4: postCode(vocab::StopOrCancelCountIn); break;
    case 5:
        if (!wNoteF_ || readOnly())
            return;
        handOver();
        if (wNoteF_->beginRecording()) {
            wNoteF_->saveNote(false);
            refreshPieceData();
            closeWin();
        }
        break;
    default: break;
    }
}

void WinNote::insertText(const QString &text)
{
    if (text.isEmpty() || readOnly())
        return;
    if (isActiveWindow())
        view()->setFocus();
    // Straight into the text: the clipboard keeps what the user put there.
    view()->textCursor().insertText(text);
}

void WinNote::actionInsererMIDIn(int tag) { insertText(noterules::keyword(tag)); }

void WinNote::actionInsererMIDIa()
{
    if (!wNoteF_ || readOnly())
        return;
    handOver();
    wNoteF_->actionInsererMIDIa();
    wNoteF_->saveNote(false);
    backToSong();
}

void WinNote::actionInsererMIDIb()
{
    if (!wNoteF_ || readOnly())
        return;
    handOver();
    wNoteF_->actionInsererMIDIb();
    wNoteF_->saveNote(false);
    backToSong();
}

void WinNote::insererMidiFromLib(const MidiFavEventPtr &group)
{
    if (group)
        insererMidiIntoNote(QStringLiteral("MIDI %1").arg(group->favEventID));
}

void WinNote::insererMidiIntoNote(const QString &text)
{
    if (readOnly())
        return;
    filling_ = true;
    txViewNote_->setPlainText(QStringLiteral("%1\n%2\n").arg(view()->toPlainText(), text));
    filling_ = false;
    noteModifiee_ = true;
    saveNote(false);
    txViewNote_->verticalScrollBar()->setValue(txViewNote_->verticalScrollBar()->maximum());
}

void WinNote::refreshLastMIDIdata()
{
    buttonMIDIa_->setText(lastmidi::programTitle());
    buttonMIDIc_->setText(QStringLiteral("CT+0@%1").arg(lastmidi::dest()));
    refreshColorLastMIDIdata(false);
}

void WinNote::refreshLastMIDIdataCC()
{
    buttonMIDIb_->setText(lastmidi::controlLine());
    refreshColorLastMIDIdata(false);
}

void WinNote::refreshColorLastMIDIdata(bool grey) { lastmidi::paint(buttonMIDIa_, buttonMIDIb_, grey); }

void WinNote::keyPressEvent(QKeyEvent *event)
{
    const noterules::PlainKey k = noterules::plainWindowKey(platform::KeyEvent::fromQt(*event));
    if (k.arrange >= 0) {
        if (const QScreen *screen = screenframes::screenOf(this))
            screenframes::setFrame(this, arrangement::placement(k.arrange, screenframes::frameOf(this),
                                                                 screenframes::wholeFrame(screen), false));
    }
    if (k.code < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    postCode(k.code);
}

void WinNote::resignedKey()
{
    const bool changed = saveNote(false);
    if (wNoteF_)
        wNoteF_->refreshPieceDataEtForcerSave(changed);
    refreshPieceData();
}
