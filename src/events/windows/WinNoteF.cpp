#include "events/windows/WinNoteF.h"

#include "events/NoteReads.h"
#include "events/NoteRules.h"
#include "events/windows/CueTable.h"
#include "library/Data.h"
#include "library/NoteWriter.h"
#include "library/TextNumbers.h"
#include "midi/Midi.h"
#include "platform/Keys.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/DragTypes.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCompleter>
#include <QDragEnterEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The tags field takes tags dragged from the tag list; the controller adds them.
class TagDropField : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void dragEnterEvent(QDragEnterEvent *e) override
    {
        if (e->mimeData()->hasFormat(dragtypes::TagsDataType))
            e->acceptProposedAction();
        else
            QLineEdit::dragEnterEvent(e);
    }
    void dragMoveEvent(QDragMoveEvent *e) override
    {
        if (e->mimeData()->hasFormat(dragtypes::TagsDataType))
            e->acceptProposedAction();
        else
            QLineEdit::dragMoveEvent(e);
    }
    void dropEvent(QDropEvent *e) override
    {
        if (!e->mimeData()->hasFormat(dragtypes::TagsDataType)) {
            QLineEdit::dropEvent(e);
            return;
        }
        const std::optional<int> row = dragtypes::firstRow(e->mimeData(), dragtypes::TagsDataType, Data::tags().size());
        if (!row) {
            e->ignore();
            return;
        }
        e->acceptProposedAction();
        platform::NotificationCenter::defaultCenter().post(vocab::ActionInsererTag, Data::tags().at(*row));
    }
};

void setFieldColour(QLineEdit *f, const QColor &c)
{
    QPalette p = f->palette();
    p.setColor(QPalette::Text, c);
    f->setPalette(p);
}

QString trimmed(const QString &s) { return notefile::trimBlanksAndTabs(s); }

} // namespace

WinNoteF::WinNoteF(NoteWriter &writer, QWidget *parent) : NoteWindow(writer, parent)
{
    setWindowTitle(QStringLiteral("Notes"));
    auto *layout = new QVBoxLayout(this);
    readOnlyNotice_ = new QLabel(this);
    readOnlyNotice_->setStyleSheet(QStringLiteral("color: #c0392b;"));
    readOnlyNotice_->hide();
    layout->addWidget(readOnlyNotice_);
    auto *form = new QWidget(this);
    buildFields(form);
    layout->addWidget(form);
    auto *cues = new QWidget(this);
    buildCues(cues);
    layout->addWidget(cues, 1);
    resize(720, 760);
    for (QAbstractButton *b : findChildren<QAbstractButton *>())
        b->installEventFilter(this);

    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::InsererMidiFromLibF,
        [this](const platform::Notification &n) {
            // The event library names the group by its identifier; it goes in once.
            const QString id = n.stringParam();
            for (const MidiFavEventPtr &g : Midi::MIDIfav())
                if (g && g->favEventID == id) {
                    insererMidiFromLib(g);
                    break;
                }
        },
        this);
}

WinNoteF::~WinNoteF()
{
    // Hiding the window as it goes takes the focus from a field, which ends
    // that field's edit: its handlers must not reach this half-destroyed window.
    detachCueRows();
    for (QObject *child : findChildren<QObject *>()) {
        child->removeEventFilter(this);
        disconnect(child, nullptr, this, nullptr);
    }
}

void WinNoteF::buildFields(QWidget *form)
{
    auto *grid = new QGridLayout(form);
    grid->setContentsMargins(0, 0, 0, 0);
    auto line = [form](const QString &placeholder) {
        auto *f = new QLineEdit(form);
        f->setPlaceholderText(placeholder);
        return f;
    };
    masterNote_ = line(QStringLiteral("Master note"));
    title_ = line(QStringLiteral("Title"));
    artist_ = line(QStringLiteral("Artist"));
    tempo_ = line(QStringLiteral("Tempo"));
    tempo_->setMaximumWidth(70);
    // The grid gives its first column to the title; the tempo keeps room for its placeholder.
    tempo_->setMinimumWidth(tempo_->fontMetrics().horizontalAdvance(tempo_->placeholderText()) + 16);
    comboSignature_ = new QComboBox(form);
    comboSignature_->addItems({QString(), QStringLiteral("2/4"), QStringLiteral("3/4"), QStringLiteral("4/4")});
    cle_ = line(QStringLiteral("Key"));
    cle_->setMaximumWidth(90);
    tags_ = new TagDropField(form);
    tags_->setPlaceholderText(QStringLiteral("Tags"));
    tags_->setAcceptDrops(true);
    comments_ = new QPlainTextEdit(form);
    QFont f = comments_->font();
    f.setPointSizeF(20.0);
    comments_->setFont(f);
    comments_->setPlaceholderText(QStringLiteral("Comments"));
    comboAuto_ = new QComboBox(form);
    // What each mode leaves to the track: in mode 1 only page events (and those
    // at 0:00) follow it; in mode 2 only those at 0:00 run by themselves.
    comboAuto_->addItems({QStringLiteral("Automation: Pages and Events"), QStringLiteral("Automation: Pages only"),
                          QStringLiteral("Automation: Off")});
    buttonTempoTap_ = new QPushButton(QStringLiteral("Tap"), form);
    buttonTempoKeep_ = new QPushButton(QStringLiteral("Keep"), form);
    buttonTextMode_ = new QPushButton(QStringLiteral("Text Mode"), form);
    buttonCmdEnter_ = new QPushButton(QStringLiteral("Close"), form);
    buttonEscape_ = new QPushButton(QStringLiteral("Back to Song"), form);

    grid->addWidget(masterNote_, 0, 0, 1, 6);
    grid->addWidget(title_, 1, 0, 1, 3);
    grid->addWidget(artist_, 1, 3, 1, 3);
    grid->addWidget(tempo_, 2, 0);
    grid->addWidget(comboSignature_, 2, 1);
    grid->addWidget(buttonTempoTap_, 2, 2);
    grid->addWidget(buttonTempoKeep_, 2, 3);
    grid->addWidget(cle_, 2, 4);
    grid->addWidget(comboAuto_, 2, 5);
    auto *dates = new QHBoxLayout;
    for (int s = 1; s <= 9; ++s) {
        auto *d = line(QStringLiteral("Played %1").arg(s));
        d->setToolTip(QStringLiteral("Last played in screen set %1").arg(s));
        lastPlayedDate_[s - 1] = d;
        dates->addWidget(d);
    }
    grid->addLayout(dates, 3, 0, 1, 6);
    grid->addWidget(tags_, 4, 0, 1, 6);
    grid->addWidget(comments_, 5, 0, 1, 6);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(buttonTextMode_);
    buttons->addStretch(1);
    buttons->addWidget(buttonEscape_);
    buttons->addWidget(buttonCmdEnter_);
    grid->addLayout(buttons, 6, 0, 1, 6);
    comments_->setMaximumHeight(160);

    QList<QLineEdit *> edited{masterNote_, title_, artist_, tempo_, cle_, tags_};
    for (QLineEdit *d : lastPlayedDate_)
        edited << d;
    for (QLineEdit *e : edited) {
        connect(e, &QLineEdit::textEdited, this, [this, e](const QString &) { fieldEdited(e); });
        connect(e, &QLineEdit::editingFinished, this, [this]() {
            if (noteModifiee_)
                saveNote(false);
        });
    }
    connect(comments_, &QPlainTextEdit::textChanged, this, [this]() {
        if (filling_)
            return;
        noteModifiee_ = true;
        if (!isCompleting_)
            offerCompletion();
    });
    connect(comboSignature_, &QComboBox::currentIndexChanged, this, [this](int) {
        noteModifiee_ = true;
        saveNote(false);
    });
    connect(comboAuto_, &QComboBox::currentIndexChanged, this, [](int i) { Data::setGautomation(i); });
    connect(buttonTempoTap_, &QPushButton::clicked, this, [this]() { actionTempoTap(); });
    connect(buttonTempoKeep_, &QPushButton::clicked, this, [this]() { actionTempoKeep(); });
    connect(buttonTextMode_, &QPushButton::clicked, this, [this]() { postCode(vocab::NoteDisplayMode); });
    connect(buttonCmdEnter_, &QPushButton::clicked, this, [this]() { closeWin(); });
    connect(buttonEscape_, &QPushButton::clicked, this, [this]() {
        if (!isActiveWindow())
            return;
        buttonTextMode_->setFocus();
        Data::activateKeywin();
    });

    setUpCompletion(comments_);
    tagsCompleter_ = new QCompleter(this);
    tagsCompleter_->setWidget(tags_);
    tagsCompleter_->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    connect(tagsCompleter_, qOverload<const QString &>(&QCompleter::activated), this, [this](const QString &c) {
        const QString text = tags_->text();
        const qsizetype start = text.lastIndexOf(QLatin1Char(' ')) + 1;
        // An entry offered for an earlier word never replaces what was typed since.
        if (!noterules::tagCompletions(text.mid(start), Data::tags()).contains(c))
            return;
        isCompleting_ = true;
        tags_->setText(text.left(start) + c);
        isCompleting_ = false;
        noteModifiee_ = true;
    });
}

QLineEdit *WinNoteF::dateField(int screenSet) const
{
    syncFields();
    return screenSet >= 1 && screenSet <= 9 ? lastPlayedDate_[screenSet - 1] : nullptr;
}

// ---- Pushed by the controller ------------------------------------------------------

void WinNoteF::showWin()
{
    reloadTable(nullptr);
    show();
    raise();
    const bool any = !Data::songEvents().isEmpty() && !readOnly_;
    buttonSupprimer_->setEnabled(any);
    buttonDupliquer_->setEnabled(any);
    buttonTextMode_->setFocus();
}

void WinNoteF::editer()
{
    show();
    raise();
    activateWindow();
}

void WinNoteF::setPDF(const PiecesPtr &piece, qint64 pageNo, bool zoomTop, bool zoomOn, qint64 currSort,
                      const PiecesPtr &pieceNext)
{
    Q_UNUSED(currSort);
    Q_UNUSED(pieceNext);
    if (followSong(piece, pageNo, zoomTop, zoomOn))
        refreshPieceData();
    refreshPageNo();
    pageCueWhileRecording();
}

void WinNoteF::afficherZoomHaut()
{
    song_.zoomTop = true;
    refreshPageNo();
    pageCueWhileRecording();
}

void WinNoteF::afficherZoomBas()
{
    song_.zoomTop = false;
    refreshPageNo();
    pageCueWhileRecording();
}

// ---- Fields ----------------------------------------------------------------------------

void WinNoteF::setTitleLike(QLineEdit *field, const QString &value, const QString &songValue)
{
    const QSignalBlocker block(field);
    if (!value.isEmpty()) {
        field->setText(value);
        setFieldColour(field, Qt::red);
        field->setProperty("edited", true);
    } else {
        field->setText(songValue);
        setFieldColour(field, Qt::gray);
        field->setProperty("edited", false);
    }
}

void WinNoteF::refreshPieceData()
{
    const PiecesDet *det = song_.piece && song_.piece->pieceDet ? song_.piece->pieceDet.get() : nullptr;
    setWindowTitle(QStringLiteral("Notes: %1").arg(det ? det->titre : QString()));
    // A hidden window reads the note into its fields only when it shows or a field is needed.
    fieldsStale_ = true;
    if (isVisible())
        syncFields();
    noteModifiee_ = false;
    setReadOnly(det && det->noteUnreadable);
}

void WinNoteF::syncFields() const
{
    if (!fieldsStale_)
        return;
    fieldsStale_ = false;
    const_cast<WinNoteF *>(this)->fillFields();
}

void WinNoteF::fillFields()
{
    filling_ = true;
    PiecesDet *det = song_.piece && song_.piece->pieceDet ? song_.piece->pieceDet.get() : nullptr;
    const qint32 tempo = song_.piece && det ? song_.piece->tempo() : 0;
    // A note seen before is not sorted into the fields again.
    noteform::Fields f = det ? notereads::keptForm(*det) : noteform::Fields();
    noteform::setTempo(f, tempo, det ? det->signature : 0);
    auto put = [](QLineEdit *e, const QString &v) {
        const QSignalBlocker block(e);
        e->setText(v);
    };
    put(masterNote_, f.master);
    put(tempo_, f.tempo);
    {
        const QSignalBlocker block(comboSignature_);
        comboSignature_->setCurrentIndex(f.signature);
    }
    {
        const QSignalBlocker block(comboAuto_);
        comboAuto_->setCurrentIndex(int(std::clamp<qint64>(Data::gautomation(), 0, comboAuto_->count() - 1)));
    }
    {
        const QSignalBlocker block(comments_);
        comments_->setPlainText(f.comments);
    }
    put(tags_, f.tags);
    put(cle_, f.key);
    for (int s = 1; s <= 9; ++s)
        put(lastPlayedDate_[s - 1], f.dates[s - 1]);
    setTitleLike(title_, f.title, det ? det->titre : QString());
    setTitleLike(artist_, f.artist, det ? det->artistShown() : QString());
    refreshTempoTap();
    filling_ = false;
}

void WinNoteF::setReadOnly(bool on)
{
    readOnly_ = on;
    readOnlyNotice_->setVisible(on);
    if (on && song_.piece && song_.piece->pieceDet)
        readOnlyNotice_->setText(QStringLiteral("The note file of this song could not be read: it is shown read-only "
                                                "and is left unchanged."));
    QList<QLineEdit *> fields{masterNote_, title_, artist_, tempo_, cle_, tags_};
    for (QLineEdit *d : lastPlayedDate_)
        fields << d;
    for (QLineEdit *e : fields)
        e->setReadOnly(on);
    comments_->setReadOnly(on);
    comboSignature_->setEnabled(!on);
    for (QPushButton *b : {buttonAjouter_, buttonSupprimer_, buttonDupliquer_, buttonSetTime_, buttonEVe_,
                           buttonMIDIa_, buttonMIDIb_, buttonTempoKeep_})
        if (b)
            b->setEnabled(!on);
    if (mTable_)
        mTable_->setEnabled(!on);
}

void WinNoteF::refreshPieceDataEtForcerSave(bool plainChanged)
{
    refreshPieceData();
    if (!plainChanged)
        return;
    noteModifiee_ = true;
    saveNote(false);
}

void WinNoteF::fieldEdited(QLineEdit *field)
{
    noteModifiee_ = true;
    if (field == title_ || field == artist_) {
        setFieldColour(field, Qt::red);
        field->setProperty("edited", true);
    } else if (field == tempo_) {
        const QSignalBlocker block(tempo_);
        tempo_->setText(QString::number(qMin(textnum::intValue(tempo_->text()), 300)));
    } else if (field == tags_ && !isCompleting_) {
        tagsCompletion();
    }
}

noteform::Fields WinNoteF::fieldsNow() const
{
    syncFields();
    noteform::Fields f;
    f.master = masterNote_->text();
    f.title = title_->text();
    f.titleEdited = title_->property("edited").toBool();
    f.artist = artist_->text();
    f.artistEdited = artist_->property("edited").toBool();
    f.tempo = tempo_->text();
    f.signature = comboSignature_->currentIndex();
    f.key = cle_->text();
    for (int s = 1; s <= 9; ++s)
        f.dates[s - 1] = lastPlayedDate_[s - 1]->text();
    f.tags = tags_->text();
    f.comments = comments_->toPlainText();
    return f;
}

bool WinNoteF::saveNote(bool flag) { return writeNote(flag, nullptr); }

bool WinNoteF::writeNote(bool flag, QString *failure)
{
    bool written = false;
    if (song_.piece && song_.piece->pieceDet && noteModifiee_) {
        noteModifiee_ = false; // as in WinNote::saveNote: an alert under way saves nothing twice
        PiecesDet &det = *song_.piece->pieceDet;
        if (readOnly_ || det.noteUnreadable) {
            // Nothing may replace what could not be read; on stage no alert either.
            TLOG(QStringLiteral("WinNoteF: the note of \"%1\" is unreadable and was not saved").arg(det.fichier));
            if (failure)
                *failure = notefile::unreadableMessage(notefile::notePathForSong(det.fichier));
        } else {
            ensureOwnEvents();
            const SongEvPtr selected = selectedRow() >= 0 ? Data::songEvents().value(selectedRow()) : nullptr;
            const QString script = Data::stringFromEventsOfArray(Data::songEvents(), true);
            const QString text = noteform::rebuild(fieldsNow(), script, det.notetxt, Data::isValidWinID);
            const QString before = det.notetxt;
            if (noteform::isBlank(text)) {
                det.note = false;
                det.notetxt.clear();
            } else {
                det.note = true;
                det.notetxt = text;
            }
            // The list was sorted: rows follow their events, the selection its own.
            reloadTable(selected);
            if (det.notetxt != before) {
                writeRecord(song_.piece);
                written = true;
                postCode(song_.piece->majInfo() ? vocab::SongInfoChanged
                         : flag                ? vocab::NoteChanged
                                               : vocab::NoteSavedReprocess);
            }
        }
    }
    noteModifiee_ = false;
    for (auto [field, songValue] : {std::pair{title_, song_.piece && song_.piece->pieceDet ? song_.piece->pieceDet->titre : QString()},
                                    std::pair{artist_, song_.piece && song_.piece->pieceDet ? song_.piece->pieceDet->artistShown() : QString()}})
        if (trimmed(field->text()).isEmpty())
            setTitleLike(field, QString(), songValue);
    return written;
}

void WinNoteF::addTagString(const QString &tag)
{
    syncFields();
    const QString now = noterules::withTag(tags_->text(), tag);
    if (now == tags_->text())
        return; // already there: nothing to write
    tags_->setText(now);
    noteModifiee_ = true;
    saveNote(false);
}

QString WinNoteF::updateLastPlayedDate(const QString &date, std::function<void(const QString &)> toldLater)
{
    const qint64 set = Data::currentScreensetG();
    if (set < 1 || set > 9)
        return QString();
    if (readOnly_) {
        TLOG(QStringLiteral("WinNoteF: played date %1 not written to an unreadable note").arg(date));
        const bool known = song_.piece && song_.piece->pieceDet;
        return known ? notefile::unreadableMessage(notefile::notePathForSong(song_.piece->pieceDet->fichier))
                     : QString();
    }
    if (noteModifiee_ || !song_.piece || !song_.piece->pieceDet) {
        // An edit in progress here: the date is saved with it, in the window's layout.
        syncFields();
        QLineEdit *field = lastPlayedDate_[set - 1];
        if (field->text() == date)
            return QString();
        field->setText(date);
        noteModifiee_ = true;
        QString failure;
        writeNote(true, &failure);
        return failure;
    }
    // Nobody asked for this write: the note as it is on disk now keeps every other byte.
    auto change = [set, date](const QString &note) {
        return notefile::withKeyValue(note, noteform::dateKey(int(set)), QStringLiteral("LastPlayedDate%1=").arg(set),
                                      date);
    };
    auto written = [this, piece = song_.piece](const Pieces::NoteEditResult &r) {
        if (!r.failure.isEmpty())
            return;
        if (!noteModifiee_ && song_.piece == piece)
            refreshPieceData();
        // Lines saved elsewhere may hold cues: the song's events are read again.
        if (r.changedElsewhere)
            postCode(vocab::NoteSavedReprocess);
        if (r.infoChanged)
            postCode(vocab::SongInfoChanged);
        else if (r.written && !r.changedElsewhere)
            postCode(vocab::NoteChanged);
    };
    writer_.edit(song_.piece, change, this, [written, toldLater](const Pieces::NoteEditResult &r) {
        written(r);
        if (toldLater)
            toldLater(r.failure);
    });
    // The record holds the date already.
    refreshPieceData();
    return QString();
}

void WinNoteF::refreshTempoTap()
{
    if (Data::gtempo() >= 1)
        buttonTempoTap_->setText(QString::number(Data::gtempo()));
}

void WinNoteF::actionTempoTap() { postCode(vocab::TapTempo); }

void WinNoteF::actionTempoKeep()
{
    syncFields();
    tempo_->setText(QString::number(qMin(textnum::intValue(buttonTempoTap_->text()), 300)));
    noteModifiee_ = true;
}

void WinNoteF::tagsCompletion()
{
    const QString text = tags_->text();
    const QString word = text.mid(text.lastIndexOf(QLatin1Char(' ')) + 1);
    const QStringList list = word.isEmpty() ? QStringList() : noterules::tagCompletions(word, Data::tags());
    if (list.isEmpty()) {
        tagsCompleter_->popup()->hide();
        return;
    }
    tagsCompleter_->setModel(new QStringListModel(list, tagsCompleter_));
    tagsCompleter_->complete();
}

// ---- Window ------------------------------------------------------------------------------

bool WinNoteF::windowKey(const QKeyEvent &event)
{
    const platform::KeyEvent key = platform::KeyEvent::fromQt(event);
    const int code = noterules::formattedWindowKey(key);
    if (code < 0)
        return false;
    // A song change must not lose the edit in progress.
    if (noterules::savesFirst(key))
        saveNote(false);
    postCode(code);
    return true;
}

void WinNoteF::keyPressEvent(QKeyEvent *event)
{
    if (!windowKey(*event))
        QWidget::keyPressEvent(event);
}

bool WinNoteF::eventFilter(QObject *watched, QEvent *event)
{
    // A button holds the focus when the window opens and after a click: the
    // window's keys must not press it (Space) or move between buttons (arrows).
    if (event->type() == QEvent::KeyPress && qobject_cast<QAbstractButton *>(watched))
        return windowKey(*static_cast<QKeyEvent *>(event));
    return NoteWindow::eventFilter(watched, event);
}

void WinNoteF::resignedKey()
{
    buttonTextMode_->setFocus();
    saveNote(false);
}
