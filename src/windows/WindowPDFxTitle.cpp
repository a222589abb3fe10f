// The Tolvane window's title row: title and artist with their marks, the
// bound identifier, tempo or track time, note or message, the metronome
// lights, the count-in and the type-ahead search text.
#include "windows/WindowPDFx.h"

#include "audio/MusicX.h"

#include "library/Data.h"
#include "midi/Midi.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/SmallViews.h"
#include "windows/TitleRow.h"
#include "windows/TitleRowRules.h"

#include <QFontMetrics>
#include <QPushButton>

namespace {
constexpr double kRecentTap = 2.0;
const QColor kAltShownColor(0, 122, 255);
const QColor kBulletColor(146, 146, 146);

qint64 signatureOf(const std::shared_ptr<Pieces> &piece)
{
    return piece && piece->pieceDet ? piece->pieceDet->signature : 0;
}
} // namespace

QString WindowPDFx::obtenirIconeMenuGenre() const
{
    return titlerules::genreMark(audio::MusicX::slaveState());
}

void WindowPDFx::refreshLabels()
{
    TitleRow *row = titleRow_;
    row->labelRep1->setText(altDir().isEmpty() ? QStringLiteral("Master") : altDir());
    setWindowTitle(obtenirTitle());

    const auto &piece = pieceCour();
    if (piece && piece->pieceDet) {
        const PiecesDet &det = *piece->pieceDet;
        const QString played = det.played ? QStringLiteral("✅") : QString();
        const QString flag = det.flagged ? Data::obtenirTitreFlag(piece) : QString();
        const titlerules::TitleText t =
            titlerules::titleText(det.titre, det.artistShown(), currentSort(), played, flag, obtenirIconeMenuGenre());
        row->titlePlain = t.text;
        const QString first = t.text.left(t.firstFieldLength).toHtmlEscaped();
        const QString rest = t.text.mid(t.bulletPos + 1).toHtmlEscaped();
        const QString firstHtml =
            t.artistFirst ? QStringLiteral("<span style=\"color:%1\">%2</span>").arg(highColor().name(), first) : first;
        row->labelWin1->setText(QStringLiteral("%1 <span style=\"color:%2\">•</span>%3")
                                    .arg(firstHtml, kBulletColor.name(), rest));
    } else {
        row->titlePlain.clear();
        row->labelWin1->clear();
    }

    QColor repColor(Qt::darkGray);
    if (altModeOk())
        repColor = kAltShownColor;
    else if (altMode() != 0 && !altDir().isEmpty() && !altModeOff())
        repColor = actColor();
    setWidgetTextColor(row->labelRep1, repColor);
}

void WindowPDFx::refreshTempo()
{
    const auto &piece = pieceCour();
    const qint64 songTempo = piece && piece->pieceDet ? piece->pieceDet->tempo : 0;
    const titlerules::TempoText t = titlerules::tempoText(songTempo, Data::gtempo(), Midi::nbTapTempo());
    titleRow_->labelTempo->setText(t.text);
    const QColor c = t.role == titlerules::TextRole::Act    ? actColor()
                     : t.role == titlerules::TextRole::High ? highColor()
                                                            : inactColor();
    setWidgetTextColor(titleRow_->labelTempo, c);
    ajusterPosMetro();
}

void WindowPDFx::updateItunesInfo(const QString &title, const QString &artist, double curPos, double maxPos,
                                  bool masquer)
{
    WindowPDFxSuper::updateItunesInfo(title, artist, curPos, maxPos, masquer);
    TitleRow *row = titleRow_;
    const qint32 taps = Midi::nbTapTempo();
    bool recentTap = false;
    if (taps >= 1) {
        const qint32 slot = Midi::nbTapTempoB() == 1 && taps == 1 ? 7 : taps - 1;
        recentTap = platform::now() - Midi::obtenirTimeLastTapTempo(slot) <= kRecentTap;
    }
    if (!masquer && !recentTap) {
        row->labelTrackTime->setText(titlerules::trackTimeText(curPos));
        row->labelTrackTime->setVisible(!hideTitleElementTempo());
        row->labelTempo->hide();
        row->buttonRec->setVisible(Data::recOn() && altDir().isEmpty());
        row->buttonLoop->setVisible(Data::loopOn());
        return;
    }
    // A tap shows the tempo being tapped, and ends a recording.
    if (Data::recOn()) {
        Data::setRecOn(false);
        Data::refreshNoteWithProcess();
    }
    row->buttonRec->hide();
    row->buttonLoop->setVisible(Data::loopOn());
    row->labelTrackTime->hide();
    row->labelTempo->setVisible(!hideTitleElementTempo());
}

void WindowPDFx::updateMetroWithNbTick(qint64 nbTick, bool masquer, bool reset)
{
    if (reset)
        refreshPosTitleElements();
    TitleRow *row = titleRow_;
    LightBox *boxes[6] = {row->boxMetro1, row->boxMetro2, row->boxMetro3, row->boxMetro3b, row->boxMetro3c,
                          row->boxMetro3d};
    QLabel *numbers[4] = {row->labelMetro1, row->labelMetro2, row->labelMetro3, row->labelMetro4};
    for (LightBox *b : boxes)
        b->hide();
    for (QLabel *l : numbers)
        l->hide();
    if (masquer || typeMetro() == 3) {
        if (Data::gcount() != 0)
            row->boxCount->hide();
        return;
    }
    using titlerules::Light;
    const Light light = titlerules::metroLight(typeMetro(), nbTick, signatureOf(pieceCour()));
    switch (light) {
    case Light::Metro1: row->boxMetro1->show(); break;
    case Light::Metro2: row->boxMetro2->show(); break;
    case Light::Beat1: case Light::Beat2: case Light::Beat3: case Light::Beat4: {
        const int beat = int(light) - int(Light::Beat1);
        boxes[2 + beat]->show();
        numbers[beat]->setText(QString::number(beat + 1));
        numbers[beat]->show();
        break;
    }
    case Light::None: break;
    }
    if (typeMetro() != 0 && Data::gcount() >= 0 && Data::gDisplayCount())
        afficherCount();
}

void WindowPDFx::afficherCount()
{
    const titlerules::CountIn c =
        titlerules::countIn(Data::gcount(), Data::gcountTo(), Data::gcountSkip(), signatureOf(pieceCour()));
    titleRow_->labelCount->setText(c.text);
    titleRow_->boxCount->setVisible(c.shown);
    if (c.shown)
        titleRow_->boxCount->raise();
}

void WindowPDFx::updateRechInfo(bool white, bool masquer, const QString &rech)
{
    TitleRow *row = titleRow_;
    if (!keywin()) {
        row->boxRech2->hide();
        return;
    }
    setWidgetTextColor(row->labelRech2, white ? QColor(Qt::white) : QColor(Qt::red));
    row->boxRech2->setVisible(!masquer);
    if (!masquer) {
        row->labelRech2->setText(rech);
        placeRechBox();
        row->boxRech2->raise();
    }
}

void WindowPDFx::updateRechInfo2(const QString &text)
{
    if (keywin()) {
        titleRow_->labelRech2->setText(text);
        placeRechBox();
    }
}

void WindowPDFx::masquerObjet()
{
    titleRow_->labelTrackTime->hide();
    titleRow_->boxRech2->hide();
    titleRow_->labelTempo->show();
}

void WindowPDFx::hideTitleElements()
{
    TitleRow *row = titleRow_;
    placeMessageLine();
    row->boxTempo1->setVisible(!hideTitleElementTempo());
    row->labelTempo->setVisible(!hideTitleElementTempo());
    if (hideTitleElementTempo())
        row->labelTrackTime->hide();
    row->labelWin1->setVisible(!hideTitleElementTitle());
    row->boxRep1->setVisible(!(hideTitleElementNote() && hideTitleElementTempo() && hideTitleElementTitle()));
}

void WindowPDFx::iniHideTitleElementTitle(bool v)
{
    WindowPDFxSuper::iniHideTitleElementTitle(v);
    hideTitleElements();
}

void WindowPDFx::iniHideTitleElementTempo(bool v)
{
    WindowPDFxSuper::iniHideTitleElementTempo(v);
    hideTitleElements();
}

void WindowPDFx::iniHideTitleElementNote(bool v)
{
    WindowPDFxSuper::iniHideTitleElementNote(v);
    hideTitleElements();
}

void WindowPDFx::refreshPosTitleElements()
{
    TitleRow *row = titleRow_;
    titlerules::RowInput in;
    in.windowWidth = width();
    in.repX = row->repX();
    in.titleX = TitleRow::kTitleX;
    in.tempoWidth = TitleRow::kTempoWidth;
    in.beatWidth = TitleRow::kBeatWidth;
    in.titleShown = !hideTitleElementTitle();
    in.tempoShown = !hideTitleElementTempo();
    in.noteShown = !hideTitleElementNote();
    in.metroType2 = typeMetro() == 2;
    in.tempoX = row->boxTempo1->x();
    in.metroX = row->boxMetro3->x();
    in.noteX = notePlace_.x();
    in.noteWidth = notePlace_.width();
    const titlerules::RowLayout out = titlerules::layoutTitleRow(in);
    const int h = TitleRow::kHeight;
    row->boxTempo1->setGeometry(out.tempoX, 0, TitleRow::kTempoWidth, h);
    row->labelTempo->setGeometry(out.tempoX + 7, 0, TitleRow::kTempoWidth - 7, h);
    row->labelTrackTime->setGeometry(out.tempoX + 7, 0, TitleRow::kTempoWidth + 20, h);
    row->boxMetro3->move(out.metroX, row->boxMetro3->y());
    notePlace_ = QRect(out.noteX, 0, qMax(0, out.noteWidth), h);
    placeMessageLine();
    ajusterPosMetro();
}

QRect WindowPDFx::rowAcrossRect() const
{
    // From the title's place to the record and loop buttons, which stay in reach.
    const int right = titleRow_->buttonRec->x() - 4;
    return QRect(TitleRow::kTitleX, 0, qMax(0, right - TitleRow::kTitleX), TitleRow::kHeight);
}

QRect WindowPDFx::noticeAcrossRect() const
{
    const QRect row = rowAcrossRect();
    const QLabel *title = titleRow_->labelWin1;
    const int titleAdvance = hideTitleElementTitle() || titleRow_->titlePlain.isEmpty()
                                 ? 0
                                 : qMin(title->fontMetrics().horizontalAdvance(titleRow_->titlePlain), title->width());
    const titlerules::Span span = titlerules::noticeBesideTitle(row.left(), row.left() + row.width(), titleAdvance);
    return QRect(span.x, 0, span.width, TitleRow::kHeight);
}

QStringList WindowPDFx::noticeLines() const
{
    if (heldNotice().isEmpty())
        return {};
    const QFontMetrics metrics(titleRow_->labelWin2->font());
    return titlerules::noticeParts(heldNotice(), noticeAcrossRect().width(),
                                   [&metrics](const QString &s) { return metrics.horizontalAdvance(s); });
}

int WindowPDFx::noticePartCount() const
{
    return qMax(1, int(noticeLines().size()));
}

void WindowPDFx::placeMessageLine()
{
    TitleRow *row = titleRow_;
    QWidget *box = row->boxCadreNote1;
    QLabel *label = row->labelWin2;
    const QStringList parts = noticeLines();
    const bool notice = !parts.isEmpty();
    // Why the song cannot be shown begins with its file's name: right-aligned
    // in the note's place, a narrow window cut the name off.
    const bool problem = !notice && !songProblem_.isEmpty()
                         && (label->text() == songProblem_ || label->text() == problemShown_);
    const QString first = notice ? parts.first() : problem ? songProblem_ : label->text();
    const bool across = (notice || problem)
                        && (parts.size() > 1 || hideTitleElementNote()
                            || label->fontMetrics().horizontalAdvance(first) > notePlace_.width());
    if (notice)
        label->setText(parts.at(qBound(0, noticePart(), int(parts.size()) - 1)));
    if (problem) {
        // Still too long across the row: it ends short, its beginning whole.
        problemShown_ = label->fontMetrics().elidedText(songProblem_, Qt::ElideRight,
                                                        (across ? rowAcrossRect() : notePlace_).width());
        label->setText(problemShown_);
    }
    label->setAlignment((notice || problem ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    // Why the song cannot be shown names it: that one may take the whole row.
    const QRect place = !across ? notePlace_ : notice ? noticeAcrossRect() : rowAcrossRect();
    box->setGeometry(place);
    label->setGeometry(0, 0, place.width(), place.height());
    // Across the row it covers the title, tempo and lights, even in a see-through window.
    box->setAutoFillBackground(across);
    if (across) {
        QColor back = backColor();
        back.setAlpha(255);
        QPalette pal = box->palette();
        pal.setColor(QPalette::Window, back);
        box->setPalette(pal);
        box->stackUnder(row->buttonRec);
    }
    box->setVisible(across || !hideTitleElementNote());
}

void WindowPDFx::ajusterPosMetro()
{
    TitleRow *row = titleRow_;
    const int T = row->boxTempo1->x();
    const int h = TitleRow::kHeight;
    const int light = TitleRow::kLightWidth;
    const int y = (h - light) / 2;
    const int titleH = h;
    switch (typeMetro()) {
    case 0:
    case 1:
        row->boxMetro2->setGeometry(T - 31, y, light, light);
        if (typeMetro() == 0)
            row->boxMetro1->setGeometry(T - 31 - light, y, 2 * light, light);
        else
            row->boxMetro1->setGeometry(T - 31 - light, y, light, light);
        row->labelWin1->setGeometry(TitleRow::kTitleX, 0, qMax(0, T - 65), titleH);
        break;
    case 2: {
        const int Mw = TitleRow::kBeatWidth;
        const int beats = beatsPerBar(signatureOf(pieceCour()));
        const int x3 = beats > 0 ? T - beats * Mw - 5 : row->boxMetro3->x();
        LightBox *lights[4] = {row->boxMetro3, row->boxMetro3b, row->boxMetro3c, row->boxMetro3d};
        QLabel *numbers[4] = {row->labelMetro1, row->labelMetro2, row->labelMetro3, row->labelMetro4};
        for (int i = 0; i < 4; ++i) {
            lights[i]->setGeometry(x3 + i * Mw, 2, Mw, h - 4);
            numbers[i]->setGeometry(lights[i]->geometry());
        }
        row->labelWin1->setGeometry(TitleRow::kTitleX, 0, qMax(0, x3 - 65), titleH);
        break;
    }
    default:
        break;
    }
    row->boxMetro3->setFill(typeMetro() == 2 ? highColor() : metroColor());
}

void WindowPDFx::setTitleRowColors()
{
    TitleRow *row = titleRow_;
    for (QWidget *w : {static_cast<QWidget *>(row->labelWin1), static_cast<QWidget *>(row->labelWin2),
                       static_cast<QWidget *>(row->labelMetro1), static_cast<QWidget *>(row->labelMetro2),
                       static_cast<QWidget *>(row->labelMetro3), static_cast<QWidget *>(row->labelMetro4),
                       static_cast<QWidget *>(row->labelCount), static_cast<QWidget *>(row->buttonKeys),
                       static_cast<QWidget *>(row->buttonMenu)})
        setWidgetTextColor(w, actColor());
    for (LightBox *b : {row->boxMetro1, row->boxMetro2, row->boxMetro3b, row->boxMetro3c, row->boxMetro3d})
        b->setFill(metroColor());
    row->boxMetro3->setFill(typeMetro() == 2 ? highColor() : metroColor());
    setWidgetTextColor(row->labelTrackTime, highColor());
    for (QWidget *w : {static_cast<QWidget *>(labelToc1_), static_cast<QWidget *>(labelToc2_),
                       static_cast<QWidget *>(buttonFiltre_), static_cast<QWidget *>(buttonListe_),
                       static_cast<QWidget *>(buttonExport_)})
        setWidgetTextColor(w, chordProLyricsColor());
    QPalette pal = tocView_->palette();
    pal.setColor(QPalette::Window, chordProBackgroundColor());
    tocView_->setPalette(pal);
}

// ---- Nib actions ------------------------------------------------------------------------

void WindowPDFx::actionEV(int tag)
{
    constexpr int kRecordButton = 5;
    constexpr int kLoopButton = 6;
    if (tag == kLoopButton && Data::loopOn()) {
        Data::setLoopOn(false);
        titleRow_->buttonLoop->hide();
        platform::NotificationCenter::defaultCenter().post(vocab::ActionAudioPlayerClose, QVariant(qint64(0)));
    } else if (tag == kRecordButton && Data::recOn()) {
        platform::NotificationCenter::defaultCenter().postActionKey(vocab::StopOrCancelCountIn);
    }
}

void WindowPDFx::actionButtonListe()
{
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::EditCurrentTab);
}

void WindowPDFx::actionButtonFiltre()
{
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::ToggleToc);
}

void WindowPDFx::actionButtonExport()
{
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::ExportList);
}

void WindowPDFx::actionOuvrirNote()
{
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::ToggleNoteWindow);
}

void WindowPDFx::actionDir()
{
    selectNextDir();
}

// ---- Late words ----------------------------------------------------------------------

titlerules::PagesOnScreen WindowPDFx::pagesOnScreen()
{
    titlerules::PagesOnScreen now;
    const auto info = typeFichierCour_ == 0 && !curPath_.isEmpty() ? renderer_->documentInfo(curPath_) : std::nullopt;
    now.loaded = info.has_value();
    now.refused = info && !info->ok;
    now.shown = now.drawn = now.loaded;
    bool any = false;
    for (const PDFViewRedef *p : panes_) {
        const PDFViewRedef::Content &c = p->content();
        if (c.kind != PDFViewRedef::Kind::Pdf || c.nextSong || c.path != curPath_)
            continue;
        any = true;
        const bool drawn = !p->currentImage().isNull();
        now.drawn = now.drawn && drawn;
        now.shown = now.shown && (drawn || !renderer_->anyPage(c.path, int(c.page)).isNull());
    }
    if (!any)
        now.shown = now.drawn = false;
    return now;
}

void WindowPDFx::sayLate(const QString &words, PageRenderer::Late why)
{
    using titlerules::LateClaim;
    const LateClaim claim = why == PageRenderer::Late::SlowToOpen   ? LateClaim::Loading
                            : why == PageRenderer::Late::SlowToDraw ? LateClaim::Drawing
                                                                    : LateClaim::NotDrawn;
    if (!titlerules::lateWordsHold(claim, pagesOnScreen()))
        return;
    // Told again while they last, the words on show go on as they are; other words take their place.
    if (!lateWords_.isEmpty() && lateWords_ != words)
        endNotice(lateWords_);
    if (heldNotice() != titlerules::noticeShown(words))
        showNotice(words, true);
    lateWords_ = words;
    lateClaim_ = claim;
    lateSong_ = pieceCour()->getPath();
}

void WindowPDFx::endLateWordsPast()
{
    if (lateWords_.isEmpty()
        || (pieceCour() && pieceCour()->getPath() == lateSong_ && titlerules::lateWordsHold(lateClaim_, pagesOnScreen())))
        return;
    endNotice(lateWords_);
    lateWords_.clear();
}
