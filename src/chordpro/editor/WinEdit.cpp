#include "chordpro/editor/WinEdit.h"

#include "chordpro/ChordProEditing.h"
#include "chordpro/editor/EditorPreview.h"
#include "chordpro/editor/EditorTextView.h"
#include "chordpro/editor/TransposeList.h"
#include "chords/SongFileEdit.h"
#include "library/Data.h"
#include "library/Pieces.h"
#include "library/SongFileCheck.h"
#include "library/TextCodec.h"
#include "midi/Midi.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/Log.h"
#include "platform/ModalRun.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/Vocabulary.h"

#include <QKeyEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTextBlock>
#include <QVBoxLayout>

using namespace chordpro::editing;

namespace {

constexpr double kOpeningFontSize = 17.0;

const char *const kConvertTip = "Convert this format:\n   C     G       Am\n   This is an example\n\nTo ChordPro format:\n"
                                "   [C]This [G]is an [Am]example";
const char *const kHelpTip =
    "Please, take note of those keys:\nTab\t\t\t\tInsert a chord\nShift-Tab\t\t\tInsert a ChordPro directive\n"
    "Alt-A to Alt-G\t\tQuickly insert basic chords\nAlt-Up Alt-Down\tTranspose (+1/-1 semitone)\nAlt-Left "
    "Alt-Right\tConvert # to b  or  b to #\nCtrl+ Ctrl-\t\tAdjust font size (fine)\nShift Ctrl+ Ctrl-\tAdjust font "
    "size (coarse)\nAlt-T\t\t\t\tTranspose\nCtrl-Enter\t\tSave Changes and Close Window";

} // namespace

WinEdit::WinEdit(QWidget *parent)
    : QDialog(parent)
    , chordProDocument_(QRectF(0, 0, 611, 752), nullptr, true)
{
    setObjectName(QStringLiteral("WinEdit"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);

    // The toolbar: the seven chords, then the tools.
    auto *toolbar = new QHBoxLayout;
    auto addButton = [&](const QString &name, const QString &label, const char *tip, auto action) {
        auto *button = new QPushButton(label, this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
        if (tip)
            button->setToolTip(QString::fromUtf8(tip));
        connect(button, &QPushButton::clicked, this, action);
        toolbar->addWidget(button);
        return button;
    };
    // Tags 1-7 stand for C to B.
    const std::pair<char, int> chordButtons[] = {{'A', 6}, {'B', 7}, {'C', 1}, {'D', 2}, {'E', 3}, {'F', 4}, {'G', 5}};
    for (const auto &[letter, tag] : chordButtons) {
        QPushButton *button = addButton(QStringLiteral("buttonAltCmd") + QLatin1Char(letter), QString(QLatin1Char(letter)),
                                        nullptr, [this, tag = tag] { actionButtonAltCmdX(tag); });
        button->setToolTip(QStringLiteral("Insert [%1]. Alt-%1").arg(QLatin1Char(letter)));
        button->setMaximumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 16);
    }
    toolbar->addSpacing(12);
    addButton(QStringLiteral("buttonConvert"), QStringLiteral("Convert"), kConvertTip, [this] { actionButtonConvert(); });
    addButton(QStringLiteral("buttonChorus"), QStringLiteral("Chorus"), "Mark selected text as a Chorus. Alt-R",
              [this] { actionButtonChorus(); });
    addButton(QStringLiteral("buttonEmbed"), QStringLiteral("Embed"), "Embed Chords in Lyrics for selected text. Alt-M",
              [this] { actionButtonEmbed(); });
    addButton(QStringLiteral("buttonHighlight"), QStringLiteral("Highlight"), "Highlight selected text. Alt-H",
              [this] { actionButtonHighlight(); });
    addButton(QStringLiteral("buttonComment"), QStringLiteral("Comment"), "Mark selected text as a Comment. Alt-N",
              [this] { actionButtonComment(); });
    addButton(QStringLiteral("buttonClear"), QStringLiteral("Clear"), nullptr, [this] { actionButtonClear(); });
    addButton(QStringLiteral("buttonHelp"), QStringLiteral("Help"), kHelpTip, [this] { actionButtonHelp(); });
    addButton(QStringLiteral("buttonTranspose"), QStringLiteral("Transpose"),
              "Open the transpose tool\nYou can also use Alt-Up and Alt-Down to quickly transpose chords by semitone.",
              [this] { actionButtonTranspose(); });
    addButton(QStringLiteral("buttonAutoSize"), QStringLiteral("Fit to 2 pages"),
              "Adjust font size automatically to fit song on 2 pages", [this] { actionButtonFitXpages(); });
    toolbar->addStretch();
    labelNbPages_ = new QLabel(this);
    labelNbPages_->setObjectName(QStringLiteral("labelNbPages"));
    toolbar->addWidget(labelNbPages_);
    layout->addLayout(toolbar);
    // The full-screen editor hides the title rows: a waiting save is said here.
    labelSaving_ = new QLabel(this);
    labelSaving_->setObjectName(QStringLiteral("labelSaving"));
    labelSaving_->setWordWrap(true);
    labelSaving_->setTextFormat(Qt::PlainText);
    labelSaving_->setStyleSheet(QStringLiteral("QLabel { background: #fff2b3; color: black; padding: 4px; }"));
    labelSaving_->hide();
    layout->addWidget(labelSaving_);

    auto *splitter = splitter_ = new QSplitter(Qt::Horizontal, this);
    txViewEdit_ = new EditorTextView(splitter);
    txViewEdit_->setObjectName(QStringLiteral("txViewEdit"));
    txViewEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txViewEdit_->setCompletionSource([this](int location, int length) { return completeNote(location, length); });
    highlighter_ = new EditorHighlighter(txViewEdit_->document(), txViewEdit_);
    previewScroll_ = new QScrollArea(splitter);
    previewScroll_->setWidgetResizable(true);
    txView_ = new EditorPreview;
    txView_->setObjectName(QStringLiteral("txView"));
    previewScroll_->setWidget(txView_);
    splitter->addWidget(txViewEdit_);
    splitter->addWidget(previewScroll_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter, 1);

    connect(txViewEdit_, &QPlainTextEdit::textChanged, this, &WinEdit::textDidChange);
    connect(txView_, &EditorPreview::widthChanged, this, [this] {
        renderPreview();
        txView_->clearSelection();
    });

    const std::vector<std::pair<QKeySequence, void (WinEdit::*)()>> keys = {
        {QKeySequence(Qt::AltModifier | Qt::Key_Up), &WinEdit::actionButtonAltUp},
        {QKeySequence(Qt::AltModifier | Qt::Key_Down), &WinEdit::actionButtonAltDown},
        {QKeySequence(Qt::AltModifier | Qt::Key_Left), &WinEdit::actionButtonAltLeft},
        {QKeySequence(Qt::AltModifier | Qt::Key_Right), &WinEdit::actionButtonAltRight},
        {QKeySequence(Qt::ControlModifier | Qt::Key_Return), &WinEdit::actionButtonCmdEnter},
        {QKeySequence(Qt::ControlModifier | Qt::Key_Enter), &WinEdit::actionButtonCmdEnter},
    };
    for (const auto &[sequence, action] : keys)
        connect(new QShortcut(sequence, this), &QShortcut::activated, this, action);
    // The same keys while typing, whatever the text view makes of them.
    txViewEdit_->setKeyEquivalents([this, keys](QKeyEvent *event) {
        const QKeySequence pressed(QKeyCombination(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key())));
        for (const auto &[sequence, action] : keys)
            if (pressed == sequence) {
                (this->*action)();
                return true;
            }
        return false;
    });

    // The first screen's free area.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());

    saves_.setWaitSaid([this](const QString &notice) { saySaveWaits(notice); });

    auto &center = platform::NotificationCenter::defaultCenter();
    center.addObserver(vocab::ActionGen, [this](const platform::Notification &n) { actionGenReceived(n.intParam()); },
                       this);
    center.addObserver(vocab::ActionTranspose,
                       [this](const platform::Notification &n) { actionTransposeReceived(n.intParam()); }, this);
}

WinEdit::~WinEdit() { platform::NotificationCenter::defaultCenter().removeObservers(this); }

TransposeList *WinEdit::transposeList() const { return TransposeListController_; }

QPushButton *WinEdit::button(const QString &objectName) const { return findChild<QPushButton *>(objectName); }

// ---- Opening ----------------------------------------------------------------------

void WinEdit::showWin(const std::shared_ptr<Pieces> &piece, const QString &fichier, bool nouveau)
{
    ouvrir(piece, fichier, nouveau, [this] { platform::runModal(*this); });
}

void WinEdit::ouvrir(const std::shared_ptr<Pieces> &piece, const QString &fichier, bool nouveau,
                     std::function<void()> shown)
{
    TLOG(QStringLiteral("WinEdit showWin"));
    // The window stays with the text it is saving.
    if (closingOn_ != 0 && isVisible())
        return;
    const quint64 asked = ++readsAsked_;
    readLate_.stop();
    if (!awaited_.isEmpty())
        Q_EMIT answered(std::exchange(awaited_, QString()));
    const QString path = piece ? piece->getPath() : fichier;
    if (path.isEmpty()) {
        if (montrer(piece, fichier, nouveau, nullptr) && shown)
            shown();
        return;
    }
    readLate_.start(0.5, false, [this, asked, path] {
        if (asked != readsAsked_ || !reads_.busy())
            return;
        awaited_ = songfile::noAnswer(path);
        Q_EMIT noAnswer(awaited_);
    });
    // In the song's queue of edits: the text as they leave it, the one being saved while a save waits.
    reads_.read(path, ChordPro::kMaxSongBytes,
                [this, asked, piece, fichier, nouveau, shown = std::move(shown)](const platform::FileBytes &file) {
                    if (asked != readsAsked_ || platform::quitting())
                        return;
                    readLate_.stop();
                    if (!awaited_.isEmpty())
                        Q_EMIT answered(std::exchange(awaited_, QString()));
                    if (montrer(piece, fichier, nouveau, &file) && shown)
                        shown();
                });
}

bool WinEdit::montrer(const std::shared_ptr<Pieces> &piece, const QString &fichier, bool nouveau,
                      const platform::FileBytes *file)
{
    modifiee_ = false;
    closing_ = false;
    closingOn_ = 0;
    showSaveWaits();
    pieceCour_ = piece;
    fichierCour_ = piece ? QString() : fichier;
    const QFont font = platform::monoFont(kOpeningFontSize);
    txViewEdit_->setFont(font);

    QString text;
    if (file) {
        const QString path = piece ? piece->getPath() : fichierCour_;
        chordProDocument_.chargerFichier(path, *file);
        // A file that is there but cannot be read as text is never replaced
        // by what the editor would show for it; a missing or empty one starts anew.
        const bool fresh = file->status == platform::FileStatus::Missing
                           || (file->status == platform::FileStatus::Ok && file->bytes.isEmpty());
        if (!chordProDocument_.loadProblem().isEmpty() && !fresh) {
            Data::msg(QStringLiteral("The song %1 %2, so it is not opened for editing.")
                          .arg(platform::fileName(path), chordProDocument_.loadProblem()));
            pieceCour_.reset();
            fichierCour_.clear();
            return false;
        }
        text = chordProDocument_.chordProData();
        onDisk_ = file->ok() ? textcodec::decode(file->bytes) : QString();
        if (text.isEmpty() && !piece)
            text = defaultStringPourNouveau();
    } else {
        text = defaultStringPourNouveau();
    }

    detached_ = true;
    initOk_ = false;
    txViewEdit_->hideCompletion();
    txViewEdit_->setPlainText(text);
    detached_ = false;
    miseEnPage(text, 0);
    txView_->clearSelection();
    previewScroll_->verticalScrollBar()->setValue(0);
    initOk_ = true;

    QTextCursor cursor(txViewEdit_->document());
    if (!piece && fichierCour_.isEmpty()) {
        cursor.setPosition(kTemplateHeadLength);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    } else if (nouveau) {
        cursor.select(QTextCursor::Document);
    }
    txViewEdit_->setTextCursor(cursor);
    show();
    // The preview takes two fifths of the window until the user moves the divider.
    if (const int total = splitter_->width(); txView_->width() < total / 4)
        splitter_->setSizes({total * 3 / 5, total * 2 / 5});
    raise();
    activateWindow();
    txViewEdit_->setFocus();
    return true;
}

// ---- Layout and preview ------------------------------------------------------------

chordpro::SourceRange WinEdit::miseEnPage(const QString &text, int curPos)
{
    lastText_ = text;
    chordProDocument_.determinerTitreSousTitreCle(text);
    chordProDocument_.setChordProData(text);
    chordProDocument_.ajusterAttributsPourRendering(ChordPro::obtenirFontSize(text, kOpeningFontSize), true);
    const chordpro::SourceRange range = chordProDocument_.traiterChordProData(text, chordpro::ModeChords, 0, curPos);
    const int pages = chordProDocument_.nbPages();

    // Which page the range falls on, and its lines, to find them on that page.
    previewPageNo_ = 0;
    int offset = 0;
    for (const chordpro::StyledRun &run : chordProDocument_.obtenirDocumentComplet()) {
        if (offset >= range.location)
            break;
        if (run.style == chordpro::Style::SpacerLR)
            ++previewPageNo_;
        offset += int(run.text.size());
    }
    const QString output = chordProDocument_.documentPlainText();
    const qsizetype lineStart = output.lastIndexOf(QLatin1Char('\n'), std::max(0, range.location - 1)) + 1;
    previewLines_ = output.mid(lineStart, range.location + std::max(range.length, 1) - lineStart)
                        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    majWindowTitle(pages);
    renderPreview();
    return range;
}

void WinEdit::renderPreview()
{
    const double width = std::max(50, txView_->width() - 2 * EditorPreview::kGap);
    const QSizeF ref = chordProDocument_.referenceInForce();
    const QSizeF size(width, width * ref.height() / ref.width());
    std::vector<chordpro::ChordProPage> pages;
    const int count = std::max(1, chordProDocument_.nbPages());
    for (int p = 1; p <= count; ++p) {
        chordpro::PageRequest request;
        request.pageNo = p;
        pages.push_back(chordProDocument_.chargerPage(size, request));
    }
    txView_->setPages(std::move(pages));
}

void WinEdit::followInPreview()
{
    // The scroll range follows the pages' new height only at the layout pass.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const auto &pages = txView_->pages();
    if (previewPageNo_ < 0 || previewPageNo_ >= int(pages.size()) || previewLines_.isEmpty())
        return;
    const chordpro::ChordProPage &page = pages[size_t(previewPageNo_)];
    QRectF box;
    size_t at = 0;
    for (const QString &wanted : previewLines_) {
        const QString key = wanted.trimmed();
        for (size_t i = at; i < page.lines.size(); ++i) {
            if (page.lines[i].trimmed() == key && i < page.lineBoxes.size()) {
                box = box.united(page.lineBoxes[i]);
                at = i + 1;
                break;
            }
        }
    }
    if (box.isEmpty()) {
        txView_->clearSelection();
        return;
    }
    txView_->select(previewPageNo_, box);
    const QRect shown = txView_->selectionRect();
    previewScroll_->ensureVisible(shown.center().x(), shown.center().y(), 0, shown.height() / 2 + 40);
}

void WinEdit::majWindowTitle(int pages)
{
    setWindowTitle(chordpro::editing::windowTitle(pieceCour_ ? pieceCour_->pieceDet->titre : QString(), fichierCour_, bool(pieceCour_),
                               chordProDocument_.obtenirTitre()));
    labelNbPages_->setText(pageLabel(pages));
}

// ---- Editing ------------------------------------------------------------------------

void WinEdit::textDidChange()
{
    // Recolouring the lines above reports a change too: answering it recoloured
    // them again, without end.
    if (!initOk_ || detached_ || highlighter_->refreshing())
        return;
    modifiee_ = true;
    const QString text = txViewEdit_->toPlainText();
    const QTextCursor cursor = txViewEdit_->textCursor();
    highlighter_->refreshOpenSpans(cursor.block());
    miseEnPage(text, cursor.position());
    followInPreview();
    txViewEdit_->complete();
}

QStringList WinEdit::completeNote(int location, int length)
{
    const QString text = txViewEdit_->toPlainText();
    const QString partial = text.mid(location, length);
    QString &last = Midi::lastTx();
    // Right after a completion went in, the same word must not offer it again.
    if (!last.isEmpty() && length > 0 && last == partial.toUpper()) {
        last.clear();
        return {};
    }
    last = partial.toUpper();
    const QStringList entries = completions(partial, chordNames(chordProDocument_.obtenirListeAccords()));
    if (!entries.isEmpty())
        txViewEdit_->setIgnorerTextHighlight(true);
    return entries;
}

void WinEdit::insererStr(const QString &text)
{
    if (!isVisible())
        return;
    txViewEdit_->insererStr(text);
}

void WinEdit::useNewString(const QString &text)
{
    const int kept = txViewEdit_->textCursor().selectionStart();
    detached_ = true;
    txViewEdit_->hideCompletion();
    QTextCursor all(txViewEdit_->document());
    all.beginEditBlock();
    all.select(QTextCursor::Document);
    all.insertText(text);
    all.endEditBlock();
    detached_ = false;
    miseEnPage(text, 0);
    QTextCursor cursor(txViewEdit_->document());
    cursor.setPosition(std::clamp(kept, 0, int(text.size())));
    txViewEdit_->setTextCursor(cursor);
    txViewEdit_->ensureCursorVisible();
    modifiee_ = true;
}

void WinEdit::actionButtonAltCmdX(int tag)
{
    static const char *const chords[] = {"[C]", "[D]", "[E]", "[F]", "[G]", "[A]", "[B]"};
    if (tag >= 1 && tag <= 7)
        insererStr(QLatin1String(chords[tag - 1]));
}

void WinEdit::markup(int kind)
{
    const auto which = Markup(kind);
    const QTextCursor cursor = txViewEdit_->textCursor();
    if (!cursor.hasSelection()) {
        insererStr(markupSample(which));
        return;
    }
    // Line ends in a selection come back as paragraph separators.
    const QString selected = cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    const QString text = txViewEdit_->toPlainText();
    useNewString(text.left(cursor.selectionStart()) + wrapMarkup(which, selected) + text.mid(cursor.selectionEnd()));
}

void WinEdit::actionButtonChorus() { markup(int(Markup::Chorus)); }
void WinEdit::actionButtonEmbed() { markup(int(Markup::Embed)); }
void WinEdit::actionButtonHighlight() { markup(int(Markup::Highlight)); }
void WinEdit::actionButtonComment() { markup(int(Markup::Comment)); }

void WinEdit::actionButtonClear()
{
    const QString text = txViewEdit_->toPlainText();
    if (text == clearedText()) {
        Data::msg(QStringLiteral("Contents has already been cleared."));
        return;
    }
    if (!(isNewSong() && !modifiee_) && !Data::question(QStringLiteral("Clear entire contents?")))
        return;
    useNewString(clearedText());
}

void WinEdit::actionButtonHelp() { AfficherHelp(3); }

namespace {
std::function<void(int page)> &helpShower()
{
    static std::function<void(int page)> shower;
    return shower;
}
} // namespace

void WinEdit::setHelpShower(std::function<void(int page)> shower) { helpShower() = std::move(shower); }

void WinEdit::AfficherHelp(int page)
{
    if (helpShower())
        helpShower()(page);
}

void WinEdit::actionButtonTranspose()
{
    if (!TransposeListController_)
        TransposeListController_ = new TransposeList(this);
    TransposeListController_->showTransposeList(chordProDocument_);
}

void WinEdit::actionButtonConvert() { convertirTab(); }

void WinEdit::convertirTab()
{
    const std::optional<QString> converted = chordpro::editing::convertirTab(txViewEdit_->toPlainText());
    if (!converted) {
        Data::msg(QStringLiteral("Current text is already fine. Nothing has to be converted."));
        return;
    }
    useNewString(*converted);
}

void WinEdit::doTranspose(int semitones, int prefBemolDiese)
{
    const QString text = txViewEdit_->toPlainText();
    miseEnPage(text, 0);
    const QString moved = chordpro::editing::doTranspose(
        text, chordNames(chordProDocument_.obtenirListeAccords()), chordProDocument_.obtenirCle(), semitones,
        prefBemolDiese);
    if (moved != text)
        useNewString(moved);
}

void WinEdit::actionButtonAltUp() { doTranspose(1, 0); }
void WinEdit::actionButtonAltDown() { doTranspose(-1, 0); }
void WinEdit::actionButtonAltLeft() { doTranspose(0, 1); }
void WinEdit::actionButtonAltRight() { doTranspose(0, 2); }

void WinEdit::actionTransposeReceived(qint64 param)
{
    const TransposeRequest request = decodeTranspose(param);
    doTranspose(request.semitones, request.prefBemolDiese);
}

bool WinEdit::augmenterReduireFontsize(double step)
{
    const std::optional<QString> stepped = stepFontSize(txViewEdit_->toPlainText(), step);
    if (!stepped)
        return false;
    useNewString(*stepped);
    return true;
}

void WinEdit::actionButtonCmdMinus(int tag) { augmenterReduireFontsize(tag < 1 ? -0.1 : -1.0); }
void WinEdit::actionButtonCmdEqual(int tag) { augmenterReduireFontsize(tag < 1 ? 0.1 : 1.0); }

void WinEdit::actionButtonFitXpages()
{
    const QString text = txViewEdit_->toPlainText();
    ChordPro measure(QRectF(0, 0, 611, 752), nullptr, true);
    const QString fitted = fitToTwoPages(text, [&measure](const QString &candidate) {
        measure.ajusterAttributsPourRendering(ChordPro::obtenirFontSize(candidate, kOpeningFontSize), true);
        measure.traiterChordProData(candidate, chordpro::ModeChords, 0, 0);
        return measure.nbPages();
    });
    if (fitted != text)
        useNewString(fitted);
}

void WinEdit::actionGenReceived(qint64 code)
{
    switch (code) {
    case 1: actionButtonTranspose(); break;
    case 2: augmenterReduireFontsize(-1.0); break;
    case 3: augmenterReduireFontsize(1.0); break;
    case 4: augmenterReduireFontsize(-0.1); break;
    case 5: augmenterReduireFontsize(0.1); break;
    case 6: actionButtonHighlight(); break;
    case 7: actionButtonComment(); break;
    case 8: actionButtonChorus(); break;
    case 9: actionButtonEmbed(); break;
    case 99: txView_->clearSelection(); break;
    default: break;
    }
}
