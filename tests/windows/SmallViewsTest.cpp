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

TEST(SmallViews, ImageViewAlternateVersionAndSides)
{
    QTemporaryDir dir;
    const QString a = testsupport::writePdf(dir.filePath(QStringLiteral("A.pdf")), 3);
    const QString one = testsupport::writePdf(dir.filePath(QStringLiteral("One.pdf")), 1);
    PDFImageView view;
    view.resize(300, 400);

    view.iniMode(2, QStringLiteral("Lead"));
    EXPECT_EQ(view.subsPath(a), a);
    EXPECT_EQ(view.altModeOk(), 0);
    const QString lead = testsupport::writePdf(dir.filePath(QStringLiteral("A---Lead.pdf")), 2);
    EXPECT_EQ(view.subsPath(a), lead);
    EXPECT_EQ(view.altModeOk(), 2);
    view.setAltModeOff(true);
    EXPECT_EQ(view.subsPath(a), a);
    view.setAltModeOff(false);
    // An identifier naming another folder is never pasted into the path.
    view.iniMode(2, QStringLiteral("../A"));
    EXPECT_EQ(view.subsPath(a), a);

    view.iniMode(0, QString());
    EXPECT_EQ(view.loadFromPath(a, 0, 0, 0), 3); // page 0: nothing shown, the count still answered
    EXPECT_TRUE(view.image().isNull());
    EXPECT_EQ(view.loadFromPath(a, 2, 0, 0), 3);
    EXPECT_FALSE(view.image().isNull());
    EXPECT_EQ(view.loadFromPath(a, 1, 1, 0), 3); // right side of a spread starting on page 1
    EXPECT_TRUE(view.image().isNull());
    EXPECT_EQ(view.loadFromPath(one, 2, 1, 0), 1);
    EXPECT_TRUE(view.image().isNull());
    EXPECT_EQ(view.loadFromPath(one, 1, 1, 0), 1);
    EXPECT_FALSE(view.image().isNull());
    // A broken file or a page past the end shows nothing.
    const QString broken = testsupport::writeFile(dir.filePath(QStringLiteral("B.pdf")), "not a pdf");
    EXPECT_EQ(view.loadFromPath(broken, 1, 0, 0), 0);
    EXPECT_TRUE(view.image().isNull());
    EXPECT_EQ(view.loadFromPath(a, 9, 0, 0), 3);
    EXPECT_TRUE(view.image().isNull());
}

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
