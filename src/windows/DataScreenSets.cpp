#include "library/Data.h"

#include "chordpro/ChordPro.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "windows/ScreenFrames.h"
#include "windows/WindowList.h"
#include "windows/WindowPDFxSuper.h"

#include <QScreen>
#include <cmath>

namespace {

using platform::UserDefaults;

const QString kDefaultPrefix = QStringLiteral("Default");

// "%@%dname": the prefix, the window's index in the list, the field.
QString winKey(const QString &prefix, qint64 index, const char *field)
{
    return prefix + QString::number(index) + QLatin1String(field);
}

// Stored layouts spell the window index of a colour key as one character
// (code 0 for window 0) followed by "olor" and the slot number.
QString colorKey(const QString &prefix, qint64 index, qint64 slot)
{
    return prefix + QChar(char16_t(index)) + QStringLiteral("olor") + QString::number(slot);
}

qint64 truncated(double v)
{
    return qint64(std::trunc(v));
}

// Everything one window stores in a screen set.
struct Stored {
    qint64 winType = 0;
    bool zoomed = false, keywin = false, fullScreen = false, ongletsVisibles = false, singlePage = false;
    bool ratio21 = false, chordsBold = false, lyricsBold = false, pageNoPDFHide = false, pageNoCHDHide = false;
    bool noShadow = false, hideTitle = false, hideTempo = false, hideNote = false, hideList = false;
    bool hideFrame = false, lyricsOnly = false, syncPageChanges = false, pageUpDown = false;
    qint64 modeAffichage = 0, fixPageNo = 0, typeMetro = 0;
    bool transparent = false, alwaysOnTop = false;
    qint64 altMode = 0;
    QString altDir;
    qint64 screenNo = -1;
    std::array<QColor, WindowPDFxSuper::kColorSlots> colors;
    QRectF frame;
};

Stored readStored(const UserDefaults &d, const QString &p, qint64 i)
{
    Stored s;
    s.winType = d.integerForKey(winKey(p, i, "winType"));
    s.zoomed = d.boolForKey(winKey(p, i, "zoomed"));
    s.keywin = d.boolForKey(winKey(p, i, "keywin"));
    s.fullScreen = d.boolForKey(winKey(p, i, "fullScreen"));
    s.ongletsVisibles = d.boolForKey(winKey(p, i, "ongletsVisibles"));
    s.singlePage = d.boolForKey(winKey(p, i, "singlePage"));
    s.ratio21 = d.boolForKey(winKey(p, i, "ratio21"));
    s.chordsBold = d.boolForKey(winKey(p, i, "chordProChordsBold"));
    s.lyricsBold = d.boolForKey(winKey(p, i, "chordProLyricsBold"));
    s.pageNoPDFHide = d.boolForKey(winKey(p, i, "pageNoPDFHide"));
    s.pageNoCHDHide = d.boolForKey(winKey(p, i, "pageNoCHDHide"));
    s.noShadow = d.boolForKey(winKey(p, i, "noShadow"));
    s.hideTitle = d.boolForKey(winKey(p, i, "hideTitleElementTitle"));
    s.hideTempo = d.boolForKey(winKey(p, i, "hideTitleElementTempo"));
    s.hideNote = d.boolForKey(winKey(p, i, "hideTitleElementNote"));
    s.hideList = d.boolForKey(winKey(p, i, "hideList"));
    s.hideFrame = d.boolForKey(winKey(p, i, "hideFrame"));
    s.lyricsOnly = d.boolForKey(winKey(p, i, "lyricsOnly"));
    s.syncPageChanges = d.boolForKey(winKey(p, i, "syncPageChanges"));
    s.pageUpDown = d.boolForKey(winKey(p, i, "pageUpDown"));
    s.modeAffichage = d.integerForKey(winKey(p, i, "modeAffichage"));
    s.fixPageNo = d.integerForKey(winKey(p, i, "fixPageNo"));
    s.typeMetro = d.integerForKey(winKey(p, i, "typeMetro"));
    s.transparent = d.boolForKey(winKey(p, i, "transparent"));
    s.alwaysOnTop = d.boolForKey(winKey(p, i, "alwaysOnTop"));
    s.altMode = d.integerForKey(winKey(p, i, "altMode"));
    s.altDir = d.stringForKey(winKey(p, i, "altDir"));
    s.screenNo = d.integerForKey(winKey(p, i, "screenNo"));
    for (qint64 slot = 0; slot < WindowPDFxSuper::kColorSlots; ++slot)
        s.colors[size_t(slot)] = d.colorForKey(colorKey(p, i, slot));
    s.frame = QRectF(d.integerForKey(winKey(p, i, "originx")), d.integerForKey(winKey(p, i, "originy")),
                     d.integerForKey(winKey(p, i, "sizewidth")), d.integerForKey(winKey(p, i, "sizeheight")));
    return s;
}

void writeWindow(UserDefaults &d, const QString &p, qint64 i, WindowPDFxSuper *w)
{
    d.setInteger(winKey(p, i, "winType"), w->winType());
    d.setBool(winKey(p, i, "zoomed"), w->isMaximized());
    d.setBool(winKey(p, i, "keywin"), w->isActiveWindow());
    d.setBool(winKey(p, i, "fullScreen"), w->fullScreen());
    d.setBool(winKey(p, i, "ongletsVisibles"), w->ongletsVisibles());
    d.setBool(winKey(p, i, "singlePage"), w->singlePageForce());
    d.setBool(winKey(p, i, "ratio21"), w->ratio21());
    d.setBool(winKey(p, i, "chordProChordsBold"), w->chordProChordsBold());
    d.setBool(winKey(p, i, "chordProLyricsBold"), w->chordProLyricsBold());
    d.setBool(winKey(p, i, "pageNoPDFHide"), w->pageNoPDFHide());
    d.setBool(winKey(p, i, "pageNoCHDHide"), w->pageNoCHDHide());
    d.setBool(winKey(p, i, "noShadow"), w->noShadow());
    d.setBool(winKey(p, i, "hideTitleElementTitle"), w->hideTitleElementTitle());
    d.setBool(winKey(p, i, "hideTitleElementTempo"), w->hideTitleElementTempo());
    d.setBool(winKey(p, i, "hideTitleElementNote"), w->hideTitleElementNote());
    d.setBool(winKey(p, i, "hideList"), w->hideList());
    d.setBool(winKey(p, i, "hideFrame"), w->hideFrame());
    d.setBool(winKey(p, i, "lyricsOnly"), w->lyricsOnly());
    d.setBool(winKey(p, i, "syncPageChanges"), w->syncPageChanges());
    d.setBool(winKey(p, i, "pageUpDown"), w->pageUpdown());
    d.setInteger(winKey(p, i, "modeAffichage"), w->modeAffichage());
    d.setInteger(winKey(p, i, "fixPageNo"), w->fixPageNo());
    d.setInteger(winKey(p, i, "typeMetro"), w->typeMetro());
    d.setBool(winKey(p, i, "transparent"), w->transparent());
    d.setBool(winKey(p, i, "alwaysOnTop"), w->alwaysOnTop());
    d.setInteger(winKey(p, i, "altMode"), w->altMode());
    d.setString(winKey(p, i, "altDir"), w->altDir());
    d.setInteger(winKey(p, i, "screenNo"), screenframes::screenNo(screenframes::screenOf(w)));
    for (qint64 slot = 0; slot < WindowPDFxSuper::kColorSlots; ++slot) {
        const QColor c = w->colorForObj(slot);
        if (c.isValid())
            d.setColor(colorKey(p, i, slot), c);
    }
    const QRectF f = screenframes::frameOf(w);
    d.setInteger(winKey(p, i, "originx"), truncated(f.x()));
    d.setInteger(winKey(p, i, "originy"), truncated(f.y()));
    d.setInteger(winKey(p, i, "sizewidth"), truncated(f.width()));
    d.setInteger(winKey(p, i, "sizeheight"), truncated(f.height()));
}

void applyStored(WindowPDFxSuper *w, const Stored &s)
{
    w->iniTransparent(s.transparent);
    w->iniAlwaysOnTop(s.alwaysOnTop);
    w->iniSinglePageForce(s.singlePage);
    w->iniRatio21(s.ratio21);
    w->iniChordProChordsBold(s.chordsBold);
    w->iniChordProLyricsBold(s.lyricsBold);
    w->iniPageNoPDFHide(s.pageNoPDFHide);
    w->iniPageNoCHDHide(s.pageNoCHDHide);
    w->iniKeywin(s.keywin);
    w->iniNoShadow(s.noShadow);
    w->iniHideTitleElementTitle(s.hideTitle);
    w->iniHideTitleElementTempo(s.hideTempo);
    w->iniHideTitleElementNote(s.hideNote);
    w->refreshPosTitleElements();
    w->iniHideList(s.hideList);
    w->iniLyricsOnly(s.lyricsOnly);
    w->iniSyncPageChanges(s.syncPageChanges);
    w->iniPageUpDown(s.pageUpDown);
    w->iniFixPageNo(s.fixPageNo);
    for (qint64 slot = 0; slot < WindowPDFxSuper::kColorSlots; ++slot)
        if (s.colors[size_t(slot)].isValid())
            w->iniColorForObj(slot, s.colors[size_t(slot)], false);
    w->resetPDF();
    w->afficherMasquerOnglets(s.ongletsVisibles);
    w->iniTypeMetro(s.typeMetro);
    w->iniMode(s.altMode, s.altDir);
}

void setRefSizeFrom(const WindowPDFxSuper *w)
{
    const QSize size = w->obtenirRefSize();
    if (size.width() > 0 && size.height() > 0)
        ChordPro::setSizeRef(QSizeF(size));
}

// The window takes the visible frame of a screen (unchanged when there is none).
void fillScreen(WindowPDFxSuper *w, const QScreen *screen)
{
    screenframes::setFrame(w, screenframes::visibleFrame(screen));
}

void bringToFront(WindowPDFxSuper *w)
{
    w->show();
    w->raise();
    w->activateWindow();
}

} // namespace

qint64 Data::initialScreenSet()
{
    return UserDefaults::standard().integerForKey(QStringLiteral("initialScreenSetNo"));
}

void Data::setInitialScreenSet(qint64 set)
{
    UserDefaults::standard().setInteger(QStringLiteral("initialScreenSetNo"), set);
    UserDefaults::standard().synchronize();
}

QString Data::screenSetPrefix(qint64 set, qint64 nbScreens)
{
    if (set == 0)
        return kDefaultPrefix;
    return QStringLiteral("lastExec%1%2").arg(QString::number(set), QString::number(nbScreens));
}

void Data::saveScreenSet(const QString &prefix)
{
    TLOG(QStringLiteral("Data saveScreenSet %1").arg(prefix));
    UserDefaults &d = UserDefaults::standard();
    UserDefaults::Batch batch(d);
    // Before a late read, the layout is the built-in one: never over a stored one.
    const UserDefaults::Provisional fallback(d);
    QList<WindowPDFxSuper *> windows;
    for (const QPointer<WindowPDFxSuper> &w : nsMutaryOfWindows())
        if (w)
            windows.append(w);
    d.setBool(prefix + QStringLiteral("Saved"), true);
    d.setInteger(prefix + QStringLiteral("nbWin"), windows.size());
    const QSizeF ref = ChordPro::sizeRefStatique();
    d.setInteger(prefix + QStringLiteral("refsizewidth"), truncated(ref.width()));
    d.setInteger(prefix + QStringLiteral("refsizeheight"), truncated(ref.height()));
    for (qsizetype i = 0; i < windows.size(); ++i)
        writeWindow(d, prefix, i, windows.at(i));
    d.synchronize();
}

void Data::loadScreenSet(const QString &prefix)
{
    TLOG(QStringLiteral("Data loadScreenSet %1").arg(prefix));
    if (prefix == kDefaultPrefix) {
        closeAllWin();
        createDefaultScreen();
        return;
    }
    const UserDefaults &d = UserDefaults::standard();
    auto &list = nsMutaryOfWindows();
    list.removeIf([](const QPointer<WindowPDFxSuper> &w) { return !w; });
    const qsizetype open = list.size();
    qsizetype reused = 0;

    const qint64 nbWin = d.integerForKey(prefix + QStringLiteral("nbWin"));
    const qint64 nbScreens = screenframes::screens().size();
    QList<Stored> stored;
    bool anyTolvane = false;
    for (qint64 i = 0; i < nbWin; ++i) {
        stored.append(readStored(d, prefix, i));
        const Stored &s = stored.last();
        if (s.winType == 0 && s.screenNo >= 0 && s.screenNo < nbScreens)
            anyTolvane = true;
    }
    // Without a Tolvane window to show the song the layout is of no use on stage.
    if (!anyTolvane) {
        createDefaultScreen();
        return;
    }

    const qint64 refWidth = d.integerForKey(prefix + QStringLiteral("refsizewidth"));
    const qint64 refHeight = d.integerForKey(prefix + QStringLiteral("refsizeheight"));
    if (refWidth != 0 && refHeight != 0)
        ChordPro::setSizeRef(QSizeF(refWidth, refHeight));

    QPointer<WindowPDFxSuper> front;
    for (const Stored &s : stored) {
        if (s.screenNo < 0 || s.screenNo >= nbScreens)
            continue;
        WindowPDFxSuper *w = nullptr;
        if (s.winType == 0 && reused < open && windowlist::isTolvaneWindow(list.at(reused)))
            w = list.at(reused++);
        else
            w = newWindowPDFx(false, s.winType);
        if (!w)
            continue;
        applyStored(w, s);
        if (!front || s.keywin)
            front = w;
        if (s.fullScreen)
            fillScreen(w, screenframes::screenAt(s.screenNo));
        else
            screenframes::setFrame(w, s.frame);
        w->iniModeAffichage(s.modeAffichage, false);
        w->iniHideFrame(s.hideFrame);
        if (s.fullScreen && !w->isFullScreen())
            screenframes::toggleFullScreen(w);
    }

    const auto windows = list;
    for (qsizetype i = open - 1; i >= reused; --i)
        if (i < windows.size() && windows.at(i))
            closeWinQuietly(windows.at(i));

    if (front) {
        if (refWidth == 0 || refHeight == 0)
            setRefSizeFrom(front);
        bringToFront(front);
    }
}

void Data::createDefaultScreen()
{
    TLOG(QStringLiteral("Data createDefaultScreen"));
    // Only Tolvane windows can stand in for the default layout's windows.
    closeAllCompWin();
    auto &list = nsMutaryOfWindows();
    list.removeIf([](const QPointer<WindowPDFxSuper> &w) { return !w; });
    qsizetype open = list.size();
    const QList<QScreen *> screens = screenframes::screens();
    setNsPointWindowOrigin(QPointF(0.0, 0.0));
    qsizetype reused = 0;

    WindowPDFxSuper *first = open >= 1 ? list.at(reused++).data() : newWindowPDFx(false, 0);
    if (!first)
        return;
    first->iniTransparent(false);
    first->iniAlwaysOnTop(false);
    first->iniSinglePageForce(false);
    first->iniRatio21(false);
    first->iniChordProChordsBold(false);
    first->iniChordProLyricsBold(false);
    first->iniPageNoPDFHide(false);
    first->iniPageNoCHDHide(false);
    first->iniNoShadow(false);
    first->iniHideTitleElementTitle(false);
    first->iniHideTitleElementTempo(false);
    first->iniHideTitleElementNote(false);
    first->refreshPosTitleElements();
    first->iniHideList(false);
    first->iniLyricsOnly(false);
    first->iniSyncPageChanges(true);
    first->iniPageUpDown(false);
    first->iniFixPageNo(0);
    first->resetPDF();
    first->afficherMasquerOnglets(true);
    first->iniMode(0, QString());
    first->iniModeAffichage(0, false);
    first->iniHideFrame(false);
    first->iniTypeMetro(1);
    fillScreen(first, screens.value(0));
    setRefSizeFrom(first);

    if (screens.size() >= 2) {
        WindowPDFxSuper *second = open > reused ? list.at(reused++).data() : newWindowPDFx(false, 0);
        if (second) {
            fillScreen(second, screens.at(1));
            second->resetPDF();
            second->iniMode(0, QString());
            const QRectF frame = screenframes::visibleFrame(screens.at(1));
            const bool portrait = frame.height() > frame.width();
            second->afficherMasquerOnglets(!portrait);
            second->iniModeAffichage(portrait ? 2 : 0, false);
            if (!second->isFullScreen())
                screenframes::toggleFullScreen(second);
        }
    }

    while (open > reused) {
        closeWinQuietly(list.last());
        ++reused;
    }
    bringToFront(first);
}
