#include "library/Data.h"

#include "platform/Keys.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/ScreenFrames.h"
#include "windows/WindowArrangement.h"
#include "windows/WindowPDFxSuper.h"

namespace {

// The menu bar sits inside no document window's screen on Linux.
constexpr double kMenuBarHeight = 0.0;

// The open windows and their distribution view, index for index.
struct Snapshot {
    QList<WindowPDFxSuper *> windows;
    QList<arrangement::Item> items;
};

Snapshot snapshot(const QScreen *screen)
{
    Snapshot s;
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows()) {
        if (!w)
            continue;
        arrangement::Item it;
        it.winType = w->winType();
        it.frame = screenframes::frameOf(w);
        it.onScreen = screen && screenframes::screenOf(w) == screen;
        it.ongletsVisibles = w->ongletsVisibles();
        it.fullScreen = w->fullScreen();
        it.transparent = w->transparent();
        it.hideList = w->hideList();
        it.hideFrame = w->hideFrame();
        it.aTraiter = w->aTraiter();
        s.windows.append(w);
        s.items.append(it);
    }
    return s;
}

// Writes marks and moved frames back to the windows.
void apply(const Snapshot &s)
{
    for (qsizetype i = 0; i < s.windows.size(); ++i) {
        s.windows.at(i)->setATraiter(s.items.at(i).aTraiter);
        if (s.items.at(i).moved)
            screenframes::setFrame(s.windows.at(i), s.items.at(i).frame);
    }
}

} // namespace

void Data::arrangeWin(qint64 code, WindowPDFxSuper *window)
{
    if (!window)
        return;
    if (code == arrangement::DistributeSideBySide || code == arrangement::DistributeStacked) {
        distributeWindows(0, window, code == arrangement::DistributeSideBySide);
        return;
    }
    const QScreen *screen = screenframes::screenOf(window);
    // Placements against the screen need one; nudges do not.
    if (!screen && code < arrangement::Up1)
        return;
    const QRectF w = screenframes::frameOf(window);
    screenframes::setFrame(window, arrangement::placement(int(code), w, screenframes::wholeFrame(screen),
                                                         winIsAutoRotate(window)));
}

void Data::distributeWindows(qint64 /*unused*/, WindowPDFxSuper *window, bool horiz)
{
    if (!window)
        return;
    const QScreen *screen = screenframes::screenOf(window);
    if (!screen)
        return;
    Snapshot s = snapshot(screen);
    const arrangement::Distribution result =
        arrangement::distributeWindows(s.items, screenframes::wholeFrame(screen), kMenuBarHeight, horiz);
    if (result.blockedByFullScreen) {
        for (qsizetype i = 0; i < s.windows.size(); ++i)
            s.windows.at(i)->setATraiter(s.items.at(i).aTraiter);
        msg(QStringLiteral("You must exit Full Screen for the Tolvane Window to use this function."));
        return;
    }
    apply(s);
}

bool Data::isFenetresSimilaires(const QRectF &frame1, const QRectF &frame2, bool horiz)
{
    return arrangement::isFenetresSimilaires(frame1, frame2, horiz);
}

void Data::mettreAtraiterFenetresSimilaires(const QRectF &frame, bool horiz)
{
    Snapshot s = snapshot(nullptr);
    arrangement::mettreAtraiterFenetresSimilaires(s.items, frame, horiz);
    apply(s);
}

void Data::traiterFenetresSimilaires(const QRectF &oldFrame, const QRectF &newFrame, bool horiz)
{
    Snapshot s = snapshot(nullptr);
    arrangement::traiterFenetresSimilaires(s.items, oldFrame, newFrame, horiz);
    apply(s);
}

bool Data::winIsAutoRotate(const WindowPDFxSuper *window)
{
    for (const QPointer<WindowPDFxSuper> &w : nsMutaryOfWindows())
        if (w && w == window)
            return arrangement::isAutoRotateType(w->winType());
    return false;
}

bool Data::traiterkeyDown(const platform::KeyEvent &event, WindowPDFxSuper *window)
{
    namespace kc = platform::keycode;
    if (!window)
        return false;
    if (event.keyCode == kc::Return) {
        activateKeywin();
        return true;
    }
    if (event.keyCode == kc::Delete) {
        window->close();
        return true;
    }
    const bool arrow = event.keyCode == kc::LeftArrow || event.keyCode == kc::RightArrow
                       || event.keyCode == kc::DownArrow || event.keyCode == kc::UpArrow;
    if (!arrow)
        return false;
    if (event.command() && event.option()) {
        if (event.keyCode == kc::UpArrow)
            arrangeWin(arrangement::FullHeight, window);
        else if (event.keyCode == kc::LeftArrow)
            arrangeWin(arrangement::FullWidth, window);
        else
            return false;
        return true;
    }
    if (event.option())
        return false;

    const double step = event.shift() ? arrangement::kLargeStep : arrangement::kSmallStep;
    QRectF f = screenframes::frameOf(window);
    if (event.command()) {
        switch (event.keyCode) {
        case kc::LeftArrow: f.setWidth(f.width() - step); break;
        case kc::RightArrow: f.setWidth(f.width() + step); break;
        case kc::DownArrow: f.setHeight(f.height() - step); break;
        default: f.setHeight(f.height() + step); break;
        }
    } else {
        switch (event.keyCode) {
        case kc::LeftArrow: f.translate(-step, 0); break;
        case kc::RightArrow: f.translate(step, 0); break;
        case kc::DownArrow: f.translate(0, -step); break;
        default: f.translate(0, step); break;
        }
    }
    screenframes::setFrame(window, f);
    return true;
}

void Data::refreshNoteWithProcess()
{
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::NoteSavedReprocess);
}
