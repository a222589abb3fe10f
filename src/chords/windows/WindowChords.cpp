#include "chords/windows/WindowChords.h"

#include "chordpro/ChordPro.h"
#include "chords/ChordLookup.h"
#include "library/Data.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/WindowList.h"
#include "windows/WindowPDFx.h"

#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace chordstrip {

bool isVertical(const QSizeF &window)
{
    return window.height() > window.width();
}

double obtSize(const QSizeF &window)
{
    return std::max(1.0, std::min(window.width(), window.height()) - 4);
}

int cellCount(int nbChords, bool vertical)
{
    return vertical ? nbChords : std::min(nbChords, kMaxAcross);
}

QStringList chordNames(const QString &listeAccords)
{
    return listeAccords.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

QRectF scrollFrame(const QSizeF &window, bool toolsShown, bool vertical)
{
    const double w = window.width(), h = window.height();
    if (!toolsShown)
        return QRectF(2, 2, w - 4, h - 4);
    return vertical ? QRectF(2, 22, w - 4, h - 24) : QRectF(2, 2, w - 29, h - 4);
}

} // namespace chordstrip

namespace {

constexpr double kGap = 2;

} // namespace

WindowChords::WindowChords(QWidget *parent) : AuxWindow(14, parent)
{
    resize(600, 104);
    mScrollView_ = new QScrollArea(this);
    mScrollView_->setFrameShape(QFrame::NoFrame);
    mScrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mScrollView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mScrollView_->setWidgetResizable(false);
    content_ = new QWidget;
    mScrollView_->setWidget(content_);
    // The window's own background shows between and behind the diagrams.
    mScrollView_->viewport()->setAutoFillBackground(false);
    content_->setAutoFillBackground(false);
    labelHand_ = new QLabel(this);
    labelHand_->hide();
    song_ = std::make_unique<ChordPro>(QRectF(QPointF(), ChordPro::sizeRefStatique()), nullptr, true);
    // The strip has no line of its own: the song windows' title rows say it
    // while the edit waits.
    songEdits_.setWaitSaid([said = QString()](const QString &notice) mutable {
        auto &center = platform::NotificationCenter::defaultCenter();
        if (!said.isEmpty())
            center.post(vocab::ActionNoticeEnded, std::exchange(said, QString()));
        if (!notice.isEmpty())
            center.post(vocab::ActionNoticeHeld, said = notice);
    });
}

WindowChords::~WindowChords() = default;

void WindowChords::windowDidLoad()
{
    AuxWindow::windowDidLoad();
    auMoinsUnRefreshInfo_ = false;
    refTolvaneWin_.clear();
    chordsArray_.clear();
    if (Data::allChordsString().isEmpty())
        Data::chargerAllChordsString(false, -1, false);
    gVertical_ = false;
    setWindowTitle(obtenirTitle());
    ajusterStyleMask(true);
    showChrome(false);
    resetPDF();
    setFullScreen(false);
    windowDidResize();
}

QString WindowChords::obtenirTitle() const
{
    return QStringLiteral("Object - Chord Strip");
}

bool WindowChords::isVertical() const
{
    return chordstrip::isVertical(size());
}

double WindowChords::obtSize() const
{
    return chordstrip::obtSize(size());
}

void WindowChords::refreshInfo()
{
    ajusterSizeAndRefreshChords(true);
    auMoinsUnRefreshInfo_ = true;
    mScrollView_->horizontalScrollBar()->setValue(0);
    mScrollView_->verticalScrollBar()->setValue(0);
}

void WindowChords::iniColorForObj(qint64 slot, const QColor &color, bool refreshData)
{
    AuxWindow::iniColorForObj(slot, color, refreshData);
    refreshDataAndRefreshChords(false);
    update();
}

void WindowChords::iniMode(qint64 mode, const QString &aDir)
{
    AuxWindow::iniMode(mode, aDir);
    linkToTolvaneWin();
}

void WindowChords::iniTypeMetro(qint64 type)
{
    AuxWindow::iniTypeMetro(type);
    if (auMoinsUnRefreshInfo_)
        ajusterSizeAndRefreshChords(true);
}

void WindowChords::windowDidBecomeMain()
{
    ajusterStyleMask(true);
    AuxWindow::windowDidBecomeMain();
    if (labelHand_->isHidden())
        viewChordsSuperShowTools();
}

void WindowChords::windowDidResignMain()
{
    AuxWindow::windowDidResignMain();
    labelHand_->hide();
    mScrollView_->setGeometry(chordstrip::scrollFrame(size(), false, isVertical()).toRect());
    mScrollView_->horizontalScrollBar()->setValue(0);
    mScrollView_->verticalScrollBar()->setValue(0);
}

void WindowChords::windowDidResize()
{
    ajusterSizeAndRefreshChords(false);
}

void WindowChords::viewChordsSuperShowTools()
{
    showChrome(true);
    labelHand_->setText(typeMetro() == 1 ? QStringLiteral("Right-handed") : QStringLiteral("Left-handed"));
    labelHand_->show();
    placeTools();
}

void WindowChords::placeTools()
{
    const bool tools = chromeShown();
    const bool vertical = isVertical();
    mScrollView_->setGeometry(chordstrip::scrollFrame(size(), tools, vertical).toRect());
    if (vertical)
        labelHand_->setGeometry(4, 2, width() - 40, 18);
    else
        labelHand_->setGeometry(width() - 26, 20, 24, height() - 40);
    labelHand_->setVisible(tools && !vertical);
}

WindowPDFxSuper *WindowChords::viewChordsRefTolvaneWin() const
{
    return const_cast<WindowChords *>(this)->isTolvaneWinOkVerifOnly(true) ? refTolvaneWin_.data() : nullptr;
}

void WindowChords::linkToTolvaneWin()
{
    refTolvaneWin_.clear();
    WindowPDFxSuper *last = nullptr;
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows()) {
        if (!windowlist::isTolvaneWindow(w))
            continue;
        if (w->altMode() == altMode() && w->altDir() == altDir()) {
            refTolvaneWin_ = w.data();
            return;
        }
        last = w;
    }
    refTolvaneWin_ = last;
}

bool WindowChords::isTolvaneWinOkVerifOnly(bool verifOnly)
{
    if (!refTolvaneWin_) {
        linkToTolvaneWin();
        return refTolvaneWin_;
    }
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
        if (w == refTolvaneWin_ && windowlist::isTolvaneWindow(w))
            return true;
    if (verifOnly)
        return false;
    refTolvaneWin_.clear();
    iniMode(0, QString());
    return refTolvaneWin_;
}

void WindowChords::refreshDataAndRefreshChords(bool reload)
{
    if (reload) {
        chordsArray_.clear();
        listeDefine_.clear();
        listeDefineUk_.clear();
        listeInversion_.clear();
        auto *tolvane = isTolvaneWinOkVerifOnly(false) ? qobject_cast<WindowPDFx *>(refTolvaneWin_.data()) : nullptr;
        if (tolvane && tolvane->typeFichierCour() == 1 && tolvane->chordProDocument()) {
            // Laid out here, so the lists never depend on whether the Tolvane
            // window has drawn the new song yet.
            const QString &text = tolvane->chordProDocument()->chordProData();
            if (text != songText_ || song_->nbPages() == 0) {
                songText_ = text;
                song_->setChordProData(text);
                song_->traiterChordProData(text, 1, 0, 0);
                if (!song_->listeDefineOrig().isEmpty() || !song_->listeDefineOrigUk().isEmpty())
                    song_->convertDefine();
                if (!song_->listeInversionOrig().isEmpty())
                    song_->convertInversion();
            }
            chordsArray_ = chordstrip::chordNames(song_->listeAccords());
            listeDefine_ = song_->listeDefine();
            listeDefineUk_ = song_->listeDefineUk();
            listeInversion_ = song_->listeInversion();
        }
    }

    const double side = obtSize();
    const bool vertical = isVertical();
    const qint64 instrument = fixPageNo();
    const int shown = instrument >= 0 && instrument <= 2 ? chordstrip::cellCount(nbChords(), vertical) : 0;
    content_->resize(vertical ? QSize(int(side), int(shown * (side + kGap))) : QSize(int(shown * (side + kGap)), int(side)));
    int used = 0;
    for (int i = 0; i < shown; ++i) {
        ViewChordsSuper *view = diagramAt(i);
        const QString &name = chordsArray_.at(i);
        view->setGeometry(vertical ? QRect(0, int(i * (side + kGap)), int(side), int(side))
                                   : QRect(int(i * (side + kGap)), 0, int(side), int(side)));
        view->setDelegate(this);
        view->iniColorForObj(0, actColor(), false);
        view->iniColorForObj(2, inactColor(), false);
        view->iniColorForObj(3, metroColor(), false);
        view->iniColorForObj(4, highColor(), false);
        view->iniColorForObj(5, pdfColor(), false);
        MChord chord;
        if (instrument == 2)
            chord = chordlookup::obtenirMChordPiano(name, listeInversion_);
        else if (instrument == 1)
            chord = chordlookup::obtenirMChordUk(name, listeDefineUk_);
        else
            chord = chordlookup::obtenirMChord(name, listeDefine_);
        view->iniChordWithName(name, chord, typeMetro() == 1, instrument);
        view->refreshSize();
        view->show();
        ++used;
    }
    // Diagrams of the other instrument, and those past the chords, are hidden.
    for (int i = 0; i < fretViews_.size(); ++i)
        fretViews_.at(i)->setVisible(instrument != 2 && i < used);
    for (int i = 0; i < pianoViews_.size(); ++i)
        pianoViews_.at(i)->setVisible(instrument == 2 && i < used);
}

ViewChordsSuper *WindowChords::diagramAt(int index)
{
    if (fixPageNo() == 2) {
        while (pianoViews_.size() <= index)
            pianoViews_.append(new ViewChordsP(content_));
        return pianoViews_.at(index);
    }
    while (fretViews_.size() <= index)
        fretViews_.append(new ViewChords(content_));
    return fretViews_.at(index);
}

QList<ViewChordsSuper *> WindowChords::diagrams() const
{
    QList<ViewChordsSuper *> list;
    const int shown = fixPageNo() >= 0 && fixPageNo() <= 2 ? chordstrip::cellCount(nbChords(), isVertical()) : 0;
    for (int i = 0; i < shown; ++i)
        list.append(fixPageNo() == 2 ? static_cast<ViewChordsSuper *>(pianoViews_.value(i))
                                     : static_cast<ViewChordsSuper *>(fretViews_.value(i)));
    list.removeAll(nullptr);
    return list;
}

void WindowChords::ajusterSizeAndRefreshChords(bool reload)
{
    const bool vertical = isVertical();
    if (vertical != gVertical_)
        gVertical_ = vertical;
    placeTools();
    refreshDataAndRefreshChords(reload);
}

void WindowChords::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintBackground(painter);
    paintChrome(painter);
}
