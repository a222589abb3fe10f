#include "windows/SmallViews.h"

#include "platform/Keys.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Records every notification posted while it lives.
struct Posted {
    Posted()
    {
        platform::NotificationCenter::defaultCenter().addObserver(
            QString(), [this](const platform::Notification &n) { list.push_back({n.name, n.intParam()}); }, &owner);
    }
    QObject owner;
    std::vector<std::pair<QString, qint64>> list;
};

void click(QWidget *w)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
}

} // namespace

TEST(SmallViews, ClicksAndKeysPostTheirCommands)
{
    Posted posted;
    TextFieldTempo tempo;
    click(&tempo);
    click(&tempo);
    WinPref pref;
    QKeyEvent left = platform::makeQtKeyEvent(platform::keycode::LeftArrow, 0);
    QCoreApplication::sendEvent(&pref, &left);
    QKeyEvent shiftLeft = platform::makeQtKeyEvent(platform::keycode::LeftArrow, platform::keyflag::Shift);
    QCoreApplication::sendEvent(&pref, &shiftLeft);
    const std::vector<std::pair<QString, qint64>> want = {
        {vocab::ActionKey, 93}, {vocab::ActionKey, 93}, {vocab::ActionKeyPref, 1}, {vocab::ActionKeyPref, 99}};
    EXPECT_EQ(posted.list, want);
}

TEST(SmallViews, RoundBoxReportsItsGridPosition)
{
    struct Delegate : BoxRondDelegate {
        std::vector<std::pair<int, int>> clicks;
        void boxRondClickatLine(qint32 lig, qint32 col) override { clicks.push_back({lig, col}); }
    } delegate;
    BoxRond box;
    box.setLig(3);
    box.setCol(5);
    click(&box); // no delegate yet
    box.setDelegate(&delegate);
    click(&box);
    EXPECT_EQ(delegate.clicks, (std::vector<std::pair<int, int>>{{3, 5}}));
}
