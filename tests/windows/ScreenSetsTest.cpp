#include "ScreenTestSupport.h"

#include "chordpro/ChordPro.h"
#include "library/Data.h"
#include "platform/Keys.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/TestSupport.h"
#include "windows/ScreenFrames.h"
#include "windows/WindowFactory.h"
#include "windows/WindowPDFx.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

using platform::UserDefaults;

// A companion window of any type; as a chord strip it can be bound.
class StandIn : public WindowPDFxSuper {
public:
    StandIn() { resize(200, 500); }
    QPointer<WindowPDFxSuper> boundTo;
    WindowPDFxSuper *refTolvaneWin() const override { return boundTo; }
};

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    testsupport::processEvents();
}

class ScreenSets : public ::testing::Test {
protected:
    ScreenSets()
        : trackTime_(3, [] { return new StandIn; }), strip_(14, [] { return new StandIn; }),
          title_(2, [] { return new StandIn; })
    {
        Data::closeAllWin();
        flushDeletes();
        Data::setNsPointWindowOrigin(QPointF());
        platform::NotificationCenter::defaultCenter().addObserver(
            QStringLiteral("ActionKey"),
            [this](const platform::Notification &n) {
                if (n.intParam() == vocab::WindowClosed)
                    ++closedPosts;
            },
            &owner_);
    }
    ~ScreenSets() override
    {
        Data::closeAllWin();
        flushDeletes();
    }

    QList<WindowPDFxSuper *> windows() const
    {
        QList<WindowPDFxSuper *> out;
        for (const auto &w : Data::nsMutaryOfWindows())
            out.append(w);
        return out;
    }

    // A frame in Qt's top-left coordinates, for readable expectations.
    static QRect qtFrame(const QWidget *w) { return w->frameGeometry(); }

    int closedPosts = 0;

private:
    testsupport::FreshDefaults defaults_;
    windowfactory::ScopedCreator trackTime_, strip_, title_;
    QObject owner_;
};

WindowPDFxSuper *newTolvane(const QRect &qtGeometry)
{
    WindowPDFxSuper *w = Data::newWindowPDFx(false, 0);
    w->setGeometry(qtGeometry);
    return w;
}

} // namespace

TEST_F(ScreenSets, FactoryNamesEveryTypeAndRefusesUnknownTypes)
{
    const struct {
        qint64 type;
        const char *name;
    } rows[] = {{0, "WindowPDFx"},       {1, "WindowMini"},   {2, "WindowTitle"},  {3, "WindowTrackTime"},
                {4, "WindowTitle"},      {5, "WindowTitle"},  {6, "WindowTrackTime"}, {7, "WindowJauge"},
                {8, "WindowTitle"},      {13, "WindowTitle"}, {14, "WindowChords"}, {15, "WindowTitle"},
                {16, "WindowTitle"},     {17, "WindowPDFx"},  {-1, "WindowPDFx"}};
    for (const auto &r : rows)
        EXPECT_EQ(Data::obtenirClasse(r.type), QLatin1String(r.name)) << r.type;

    EXPECT_EQ(Data::newWindowPDFx(false, 17), nullptr);
    EXPECT_EQ(Data::newWindowPDFx(false, -1), nullptr);
    EXPECT_TRUE(Data::nsMutaryOfWindows().isEmpty());

    WindowPDFxSuper *w = Data::newWindowPDFx(false, 0);
    ASSERT_NE(dynamic_cast<WindowPDFx *>(w), nullptr);
    EXPECT_EQ(w->winType(), 0);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(windows(), QList<WindowPDFxSuper *>{w});
}

TEST_F(ScreenSets, NewWindowsCascadeFromTheOrigin)
{
    QList<QPointF> origins;
    for (int i = 0; i < 11; ++i)
        origins.append(screenframes::frameOf(Data::newWindowPDFx(false, 3)).topLeft());
    EXPECT_EQ(origins.first(), QPointF(10, 10));
    EXPECT_EQ(origins.at(9), QPointF(100, 100));
    EXPECT_EQ(origins.at(10), QPointF(110, 110));
    EXPECT_EQ(screenframes::frameOf(Data::newWindowPDFx(false, 3)).topLeft(), QPointF(20, 20));
}

TEST_F(ScreenSets, ChordStripTakesTheKeyTolvaneWindowsBinding)
{
    WindowPDFxSuper *tolvane = Data::newWindowPDFx(false, 0);
    tolvane->setAltMode(1);
    tolvane->setAltDir(QStringLiteral("Drum"));
    WindowPDFxSuper *strip = Data::newWindowPDFx(false, 14);
    EXPECT_EQ(strip->altMode(), 1);
    EXPECT_EQ(strip->altDir(), QStringLiteral("Drum"));
    EXPECT_EQ(Data::newWindowPDFx(false, 3)->altMode(), 0);
}

TEST_F(ScreenSets, ColourKeysOfWindowZeroAreTwentyFourSeparateKeys)
{
    // Before, a key formed with a NUL character could be cut at the NUL by the
    // store, so the 24 slots of window 0 would collapse into one key.
    WindowPDFxSuper *first = Data::newWindowPDFx(false, 0);
    Data::newWindowPDFx(false, 3);
    for (int slot = 0; slot < 24; ++slot)
        first->iniColorForObj(slot, QColor(slot * 10, 255 - slot * 10, slot), false);
    const QString prefix = QStringLiteral("lastExec31");
    Data::saveScreenSet(prefix);

    const QString zero = prefix + QChar(u'\0') + QStringLiteral("olor");
    int zeroKeys = 0;
    for (const QString &key : UserDefaults::standard().allKeys())
        if (key.startsWith(zero))
            ++zeroKeys;
    EXPECT_EQ(zeroKeys, 24);
    EXPECT_EQ(UserDefaults::standard().colorForKey(zero + QStringLiteral("23")), QColor(230, 25, 23));
    EXPECT_TRUE(UserDefaults::standard().contains(prefix + QChar(u'\x01') + QStringLiteral("olor5")));

    for (int slot = 0; slot < 24; ++slot)
        first->iniColorForObj(slot, Qt::magenta, false);
    Data::loadScreenSet(prefix);
    ASSERT_EQ(windows().size(), 2);
    EXPECT_EQ(windows().first(), first);
    for (int slot = 0; slot < 24; ++slot)
        EXPECT_EQ(first->colorForObj(slot), QColor(slot * 10, 255 - slot * 10, slot)) << slot;
}

TEST_F(ScreenSets, SaveAndLoadRoundTripOnTwoScreens)
{
    if (!screentest::withScreens({{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}}))
        return;
    // Upright, so that its single-page mode is the one the resize rule keeps
    // whenever the window's resize comes in (a wide one turns to two pages).
    WindowPDFxSuper *a = newTolvane({100, 80, 700, 900});
    WindowPDFxSuper *b = newTolvane({2000, 100, 1000, 800});
    WindowPDFxSuper *strip = Data::newWindowPDFx(false, 3);
    strip->setGeometry(1500, 200, 150, 600);
    a->iniModeAffichage(2, false);
    a->iniRatio21(true);
    a->iniFixPageNo(2);
    a->iniMode(1, QStringLiteral("Lead"));
    a->afficherMasquerOnglets(false);
    b->iniSyncPageChanges(false);
    b->iniPageUpDown(true);
    b->iniHideList(true);
    b->iniTypeMetro(3);
    b->iniColorForObj(WindowPDFxSuper::kBackColor, QColor(10, 20, 30), false);
    strip->iniTransparent(true);
    ChordPro::setSizeRef(QSizeF(611, 752));
    b->activateWindow();
    testsupport::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), b);

    const QString prefix = Data::screenSetPrefix(4, 2);
    EXPECT_EQ(prefix, QStringLiteral("lastExec42"));
    Data::saveScreenSet(prefix);
    EXPECT_EQ(UserDefaults::standard().integerForKey(prefix + QStringLiteral("nbWin")), 3);
    EXPECT_EQ(UserDefaults::standard().integerForKey(prefix + QStringLiteral("1screenNo")), 1);

    Data::closeAllWin();
    flushDeletes();
    ChordPro::setSizeRef(QSizeF(100, 100));
    Data::loadScreenSet(prefix);
    testsupport::processEvents();

    const auto loaded = windows();
    ASSERT_EQ(loaded.size(), 3);
    EXPECT_EQ(loaded[0]->winType(), 0);
    EXPECT_EQ(loaded[1]->winType(), 0);
    EXPECT_EQ(loaded[2]->winType(), 3);
    EXPECT_EQ(qtFrame(loaded[0]), QRect(100, 80, 700, 900));
    EXPECT_EQ(qtFrame(loaded[1]), QRect(2000, 100, 1000, 800));
    EXPECT_EQ(qtFrame(loaded[2]), QRect(1500, 200, 150, 600));
    EXPECT_EQ(loaded[0]->modeAffichage(), 2);
    EXPECT_TRUE(loaded[0]->ratio21());
    EXPECT_EQ(loaded[0]->fixPageNo(), 2);
    EXPECT_EQ(loaded[0]->altMode(), 1);
    EXPECT_EQ(loaded[0]->altDir(), QStringLiteral("Lead"));
    EXPECT_FALSE(loaded[0]->ongletsVisibles());
    EXPECT_FALSE(loaded[1]->syncPageChanges());
    EXPECT_TRUE(loaded[1]->pageUpdown());
    EXPECT_TRUE(loaded[1]->hideList());
    EXPECT_EQ(loaded[1]->typeMetro(), 3);
    EXPECT_EQ(loaded[1]->backColor(), QColor(10, 20, 30));
    EXPECT_TRUE(loaded[1]->keywin());
    EXPECT_FALSE(loaded[0]->keywin());
    EXPECT_TRUE(loaded[2]->transparent());
    EXPECT_EQ(ChordPro::sizeRefStatique(), QSizeF(611, 752));
    EXPECT_EQ(QApplication::activeWindow(), loaded[1]);
    EXPECT_EQ(Data::obtenirKeywin(), loaded[1]);
}

TEST_F(ScreenSets, WindowsOfAScreenNoLongerThereAreSkipped)
{
    const QString prefix = QStringLiteral("lastExec51");
    UserDefaults &d = UserDefaults::standard();
    d.setInteger(prefix + QStringLiteral("nbWin"), 2);
    d.setInteger(prefix + QStringLiteral("0screenNo"), 0);
    d.setInteger(prefix + QStringLiteral("0sizewidth"), 640);
    d.setInteger(prefix + QStringLiteral("0sizeheight"), 400);
    d.setInteger(prefix + QStringLiteral("1screenNo"), 1);
    d.setInteger(prefix + QStringLiteral("1winType"), 3);
    Data::loadScreenSet(prefix);
    ASSERT_EQ(windows().size(), 1);
    EXPECT_EQ(windows().first()->winType(), 0);
    EXPECT_EQ(qtFrame(windows().first()).size(), QSize(640, 400));
    // Its keys stay for the day the screen is back.
    EXPECT_EQ(d.integerForKey(prefix + QStringLiteral("1winType")), 3);
}

TEST_F(ScreenSets, LoadReusesOpenTolvaneWindowsAndClosesTheRestQuietly)
{
    WindowPDFxSuper *first = Data::newWindowPDFx(false, 0);
    QPointer<WindowPDFxSuper> second = Data::newWindowPDFx(false, 0);
    QPointer<WindowPDFxSuper> third = Data::newWindowPDFx(false, 0);
    const QString prefix = QStringLiteral("lastExec21");
    UserDefaults &d = UserDefaults::standard();
    d.setInteger(prefix + QStringLiteral("nbWin"), 1);
    d.setInteger(prefix + QStringLiteral("0screenNo"), 0);
    d.setInteger(prefix + QStringLiteral("0originx"), 30);
    d.setInteger(prefix + QStringLiteral("0originy"), 40);
    d.setInteger(prefix + QStringLiteral("0sizewidth"), 500);
    d.setInteger(prefix + QStringLiteral("0sizeheight"), 300);
    d.setInteger(prefix + QStringLiteral("0modeAffichage"), 5);
    Data::loadScreenSet(prefix);
    flushDeletes();

    EXPECT_EQ(windows(), QList<WindowPDFxSuper *>{first});
    EXPECT_EQ(first->modeAffichage(), 5);
    EXPECT_EQ(screenframes::frameOf(first), QRectF(30, 40, 500, 300));
    EXPECT_TRUE(second.isNull());
    EXPECT_TRUE(third.isNull());
    EXPECT_EQ(closedPosts, 0);
}

TEST_F(ScreenSets, LayoutWithoutTolvaneWindowEndsWithTheDefaultLayout)
{
    // Before, a set holding only companion windows (or only windows of absent
    // screens) left the stage with no window to show the song.
    const QString prefix = QStringLiteral("lastExec61");
    UserDefaults &d = UserDefaults::standard();
    d.setInteger(prefix + QStringLiteral("nbWin"), 2);
    d.setInteger(prefix + QStringLiteral("0winType"), 3);
    d.setInteger(prefix + QStringLiteral("0screenNo"), 0);
    d.setInteger(prefix + QStringLiteral("1winType"), 0);
    d.setInteger(prefix + QStringLiteral("1screenNo"), 7);
    Data::loadScreenSet(prefix);
    ASSERT_EQ(windows().size(), 1);
    WindowPDFxSuper *w = windows().first();
    EXPECT_EQ(w->winType(), 0);
    EXPECT_TRUE(w->syncPageChanges());
    EXPECT_EQ(w->typeMetro(), 1);

    // No stored layout at all gives the same.
    Data::loadScreenSet(QStringLiteral("lastExec71"));
    EXPECT_EQ(windows(), QList<WindowPDFxSuper *>{w});
}

TEST_F(ScreenSets, StoredFramesOfNoSizeLeaveTheWindowWhereItWas)
{
    // Before, a damaged or zeroed frame made the window vanish into a point.
    WindowPDFxSuper *w = newTolvane({50, 60, 700, 500});
    const QString prefix = QStringLiteral("lastExec81");
    UserDefaults &d = UserDefaults::standard();
    d.setInteger(prefix + QStringLiteral("nbWin"), 1);
    d.setInteger(prefix + QStringLiteral("0screenNo"), 0);
    d.setInteger(prefix + QStringLiteral("0sizewidth"), 0);
    d.setInteger(prefix + QStringLiteral("0sizeheight"), -5);
    Data::loadScreenSet(prefix);
    EXPECT_EQ(qtFrame(w), QRect(50, 60, 700, 500));

    EXPECT_FALSE(screenframes::setFrame(w, QRectF(0, 0, 0, 0)));
    EXPECT_EQ(qtFrame(w), QRect(50, 60, 700, 500));

    // Shrinking stops at a small minimum.
    WindowPDFxSuper *small = Data::newWindowPDFx(false, 3);
    small->setGeometry(10, 10, 100, 25);
    Data::arrangeWin(25, small);
    EXPECT_EQ(small->height(), int(screenframes::kMinimumSize));
}

TEST_F(ScreenSets, DefaultLayoutOnOneScreen)
{
    // A landscape screen: a Tolvane window on a square one pages singly by itself.
    if (!screentest::withScreens({{0, 0, 1920, 1080}}))
        return;
    WindowPDFxSuper *strip = Data::newWindowPDFx(false, 3);
    QPointer<WindowPDFxSuper> gone(strip);
    Data::loadScreenSet(QStringLiteral("Default"));
    flushDeletes();
    EXPECT_TRUE(gone.isNull());
    ASSERT_EQ(windows().size(), 1);
    WindowPDFxSuper *w = windows().first();
    EXPECT_EQ(w->winType(), 0);
    EXPECT_TRUE(w->syncPageChanges());
    EXPECT_TRUE(w->ongletsVisibles());
    EXPECT_EQ(w->modeAffichage(), 0);
    EXPECT_EQ(w->typeMetro(), 1);
    EXPECT_FALSE(w->isFullScreen());
    EXPECT_EQ(qtFrame(w), QGuiApplication::screens().first()->availableGeometry());
    EXPECT_EQ(ChordPro::sizeRefStatique(), QSizeF(w->obtenirRefSize()));

    // Reused, with a second Tolvane window too many.
    w->iniSyncPageChanges(false);
    w->iniModeAffichage(2, false);
    Data::newWindowPDFx(false, 0);
    Data::createDefaultScreen();
    EXPECT_EQ(windows(), QList<WindowPDFxSuper *>{w});
    EXPECT_TRUE(w->syncPageChanges());
    EXPECT_EQ(w->modeAffichage(), 0);
    EXPECT_EQ(closedPosts, 0);
}

TEST_F(ScreenSets, DefaultLayoutOnTwoScreensWithAPortraitSecond)
{
    if (!screentest::withScreens({{0, 0, 1920, 1080}, {1920, 0, 1080, 1920}}))
        return;
    Data::createDefaultScreen();
    testsupport::processEvents();
    const auto list = windows();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(screenframes::screenNo(screenframes::screenOf(list[0])), 0);
    EXPECT_FALSE(list[0]->fullScreen());
    EXPECT_TRUE(list[0]->ongletsVisibles());
    EXPECT_EQ(list[0]->modeAffichage(), 0);
    EXPECT_EQ(screenframes::screenNo(screenframes::screenOf(list[1])), 1);
    EXPECT_TRUE(list[1]->fullScreen());
    EXPECT_FALSE(list[1]->ongletsVisibles());
    EXPECT_EQ(list[1]->modeAffichage(), 2);
    EXPECT_EQ(QApplication::activeWindow(), list[0]);
}

TEST_F(ScreenSets, KeyTolvaneWindowAcrossScreens)
{
    if (!screentest::withScreens({{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}}))
        return;
    EXPECT_EQ(Data::obtenirKeywin(), nullptr);
    Data::newWindowPDFx(false, 3)->setGeometry(0, 0, 200, 200);
    WindowPDFxSuper *a = newTolvane({0, 0, 800, 600});
    WindowPDFxSuper *b = newTolvane({2000, 0, 800, 600});
    EXPECT_EQ(Data::obtenirKeywin(), a);
    WindowPDFxSuper *c = newTolvane({400, 100, 800, 600});
    EXPECT_EQ(Data::obtenirKeywin(), c);
    b->iniKeywin(true);
    EXPECT_EQ(Data::obtenirKeywin(), b);
    Data::clearKeyWin();
    EXPECT_EQ(Data::obtenirKeywin(), c);
}

TEST_F(ScreenSets, ClosingATolvaneWindowClosesItsChordStrips)
{
    WindowPDFxSuper *a = Data::newWindowPDFx(false, 0);
    WindowPDFxSuper *b = Data::newWindowPDFx(false, 0);
    auto *stripA = static_cast<StandIn *>(Data::newWindowPDFx(false, 14));
    auto *stripB = static_cast<StandIn *>(Data::newWindowPDFx(false, 14));
    stripA->boundTo = a;
    stripB->boundTo = b;
    a->close();
    flushDeletes();
    EXPECT_EQ(windows(), (QList<WindowPDFxSuper *>{b, stripB}));
    EXPECT_EQ(closedPosts, 2); // one for each window that closed

    // Quietly, the strips go too and nothing is posted.
    Data::closeWinQuietly(b);
    flushDeletes();
    EXPECT_TRUE(windows().isEmpty());
    EXPECT_EQ(closedPosts, 2);
}

TEST_F(ScreenSets, QuietClosingOperations)
{
    WindowPDFxSuper *a = Data::newWindowPDFx(false, 0);
    WindowPDFxSuper *comp = Data::newWindowPDFx(false, 3);
    WindowPDFxSuper *b = Data::newWindowPDFx(false, 0);
    auto *strip = static_cast<StandIn *>(Data::newWindowPDFx(false, 14));
    strip->boundTo = b;
    b->setFullScreen(true);
    // Before, a quiet close left the strip bound to a window that was gone.
    Data::closeAllFullScreenWin();
    flushDeletes();
    EXPECT_EQ(windows(), (QList<WindowPDFxSuper *>{a, comp}));
    Data::closeAllCompWin();
    EXPECT_EQ(windows(), QList<WindowPDFxSuper *>{a});
    EXPECT_EQ(closedPosts, 0);
}

TEST_F(ScreenSets, ArrangementCodesFollowTheWindowsScreen)
{
    if (!screentest::withScreens({{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}}))
        return;
    WindowPDFxSuper *w = Data::newWindowPDFx(false, 3);
    w->setGeometry(2100, 300, 200, 400);
    Data::arrangeWin(0, w);
    EXPECT_EQ(qtFrame(w), QRect(1920, 300, 200, 400));
    Data::arrangeWin(2, w);
    EXPECT_EQ(qtFrame(w), QRect(1920, 0, 200, 400));
    Data::arrangeWin(3, w);
    EXPECT_EQ(qtFrame(w), QRect(1920, 624, 200, 400));
    Data::arrangeWin(1, w);
    EXPECT_EQ(qtFrame(w), QRect(3000, 624, 200, 400));
    Data::arrangeWin(5, w); // full height under the menu bar's allowance
    EXPECT_EQ(qtFrame(w), QRect(3000, 22, 200, 1002));
    Data::arrangeWin(12, w); // up in screen terms
    EXPECT_EQ(qtFrame(w).y(), 21);
    Data::arrangeWin(24, w); // taller: the top edge rises
    EXPECT_EQ(qtFrame(w), QRect(3000, 11, 200, 1012));
    Data::arrangeWin(4, nullptr); // nothing

    // Three Tolvane windows with tab bars on the 1920-point screen.
    WindowPDFxSuper *t1 = newTolvane({100, 100, 500, 700});
    WindowPDFxSuper *t2 = newTolvane({300, 100, 500, 700});
    WindowPDFxSuper *t3 = newTolvane({700, 100, 500, 700});
    Data::arrangeWin(10, t2);
    EXPECT_EQ(qtFrame(t1), QRect(0, 100, 664, 700));
    EXPECT_EQ(qtFrame(t2), QRect(664, 100, 664, 700));
    EXPECT_EQ(qtFrame(t3), QRect(1328, 100, 664, 700));
    EXPECT_EQ(qtFrame(w).x(), 3000); // other screen: untouched

    // A full-screen Tolvane window with a companion on its screen stops it.
    platform::ScriptedDialogs dialogs;
    WindowPDFxSuper *side = Data::newWindowPDFx(false, 2);
    side->setGeometry(1700, 0, 100, 600);
    t1->setFullScreen(true);
    Data::arrangeWin(10, t2);
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_EQ(dialogs.texts().first(), QStringLiteral("You must exit Full Screen for the Tolvane Window to use this function."));
    EXPECT_EQ(qtFrame(side), QRect(1700, 0, 100, 600));
}

TEST_F(ScreenSets, AuxiliaryKeyHandler)
{
    namespace kc = platform::keycode;
    namespace kf = platform::keyflag;
    const auto key = [](quint16 code, quint64 flags) {
        platform::KeyEvent e;
        e.keyCode = code;
        e.modifierFlags = flags;
        return e;
    };
    const QRect screen = QGuiApplication::screens().first()->geometry();
    WindowPDFxSuper *title = Data::newWindowPDFx(false, 2);
    title->setGeometry(100, 100, 300, 80);

    EXPECT_TRUE(Data::traiterkeyDown(key(kc::UpArrow, kf::Command | kf::Option), title));
    EXPECT_EQ(qtFrame(title), QRect(100, 22, 300, screen.height() - 22));
    title->setGeometry(100, 100, 300, 80);
    EXPECT_TRUE(Data::traiterkeyDown(key(kc::LeftArrow, kf::Command), title));
    EXPECT_EQ(qtFrame(title), QRect(100, 100, 299, 80));
    EXPECT_TRUE(Data::traiterkeyDown(key(kc::LeftArrow, kf::Command | kf::Shift), title));
    EXPECT_EQ(qtFrame(title), QRect(100, 100, 289, 80));
    EXPECT_TRUE(Data::traiterkeyDown(key(kc::UpArrow, kf::Command), title));
    EXPECT_EQ(qtFrame(title), QRect(100, 99, 289, 81)); // taller upward
    EXPECT_TRUE(Data::traiterkeyDown(key(kc::RightArrow, 0), title));
    EXPECT_TRUE(Data::traiterkeyDown(key(kc::DownArrow, kf::Shift), title));
    EXPECT_EQ(qtFrame(title), QRect(101, 109, 289, 81));
    EXPECT_TRUE(Data::traiterkeyDown(key(kc::LeftArrow, kf::Command | kf::Option), title));
    EXPECT_EQ(qtFrame(title), QRect(screen.x(), 109, screen.width(), 81));
    EXPECT_FALSE(Data::traiterkeyDown(key(kc::RightArrow, kf::Command | kf::Option), title));
    EXPECT_FALSE(Data::traiterkeyDown(key(kc::LeftArrow, kf::Option), title));
    EXPECT_FALSE(Data::traiterkeyDown(key(kc::A, 0), title));

    WindowPDFxSuper *tolvane = Data::newWindowPDFx(false, 0);
    EXPECT_TRUE(Data::traiterkeyDown(key(kc::Return, 0), title));
    testsupport::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), tolvane);

    EXPECT_TRUE(Data::traiterkeyDown(key(kc::Delete, 0), title));
    flushDeletes();
    EXPECT_EQ(windows(), QList<WindowPDFxSuper *>{tolvane});
    EXPECT_EQ(closedPosts, 1);

    // The Tolvane window's own Command-Option-Left takes the full width.
    tolvane->setGeometry(100, 100, 600, 400);
    QKeyEvent press = platform::makeQtKeyEvent(kc::LeftArrow, kf::Command | kf::Option);
    QApplication::sendEvent(tolvane, &press);
    EXPECT_EQ(qtFrame(tolvane), QRect(screen.x(), 100, screen.width(), 400));
}
