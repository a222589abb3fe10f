#include "controller/MenuTexts.h"

#include <QFile>
#include <QRawFont>
#include <gtest/gtest.h>

using namespace controller;

TEST(MenuTexts, ScreenCountLabelsAndSetTitles)
{
    struct Row {
        qint64 screens;
        const char *label;
    };
    const Row rows[] = {
        {0, "①"}, {1, "①"}, {2, "②"}, {9, "⑨"}, {10, "(10)"}, {12, "(12)"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.screens);
        EXPECT_EQ(labelNoScreen(r.screens), QString::fromUtf8(r.label));
    }
    EXPECT_EQ(screensetItemTitle(3, 2, QStringLiteral("Club")), QString::fromUtf8("② Screenset ③ Club"));
    EXPECT_EQ(screensetItemTitle(9, 12, QString()), QString::fromUtf8("(12) Screenset ⑨ "));
    // Set 0 is the built-in layout, shown as the first set.
    EXPECT_EQ(screensetMenuTitle(0, 1), QString::fromUtf8("①①"));
    EXPECT_EQ(screensetMenuTitle(4, 2), QString::fromUtf8("②④"));
}

// The menu's marks were keycap sequences that menu fonts drew as boxes
// ("1▢1▢"); every character must now be one the bundled font has.
TEST(MenuTexts, ScreensetTextsDrawWithTheBundledFont)
{
    QFile file(QStringLiteral(":/fonts/DejaVuSans.ttf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QRawFont font(file.readAll(), 12);
    ASSERT_TRUE(font.isValid());
    for (qint64 screens = 1; screens <= 12; ++screens)
        for (qint64 set = 0; set <= 9; ++set)
            for (const QString &text : {screensetMenuTitle(set, screens), screensetItemTitle(set, screens, QString())})
                for (const QChar c : text)
                    EXPECT_TRUE(font.supportsCharacter(c)) << text.toStdString();
}

TEST(MenuTexts, NameKeysPutTheScreenCountFirst)
{
    EXPECT_EQ(screenSetNameKey(2, 5), QStringLiteral("screenSetName25"));
    EXPECT_EQ(screenSetNameKey(12, 1), QStringLiteral("screenSetName121"));
}

TEST(MenuTexts, ScreenTitlesUseWhatTheScreenTells)
{
    EXPECT_EQ(screenTitle(QStringLiteral("Dell"), QStringLiteral("U2720Q"), QStringLiteral("DP-1")),
              QStringLiteral("Dell U2720Q (DP-1)"));
    EXPECT_EQ(screenTitle(QString(), QString(), QStringLiteral("HDMI-1")), QStringLiteral("(HDMI-1)"));
    EXPECT_EQ(screenTitle(QStringLiteral(" "), QString(), QString()), QStringLiteral("unknown"));
}

TEST(MenuTexts, KeyParameterFieldFollowsTheAction)
{
    struct Row {
        qint64 action;
        bool shown;
        const char *placeholder;
        const char *toolTipStart;
    };
    const Row rows[] = {
        {0, false, "", ""},
        {2, true, "WinID (optional)", "WinID (optional)\nWinID is optional.\nEnter a WinID to send Previous Page command"},
        {3, true, "WinID (optional)", "WinID (optional)\nWinID is optional.\nEnter a WinID to send Next Page command"},
        {6, true, "Filter (optional)", "Filter (optional)\nFilter can be any word"},
        {7, true, "Genre No. 1 - 6 (optional)", "Genre No. (1 - 6)\nGenre No. is optional."},
        {9, true, "MIDI Group ID", "MIDI Group ID\nEnter a MIDI Groupd ID"},
        {10, true, "Tab No. (1 - 10)", "Tab No. (1 - 10)"},
        {12, true, "WinID:Message", "WinID:Message\nWinID is optional."},
        {15, true, "Genre No. (1 - 6)", "Genre No. (1 - 6)"},
        {24, true, "Number of beats (1 - 99)", "Number of beats (1 - 99)\nLeave blank"},
        {99, false, "", ""},
        {102, true, "WinID (optional)", "WinID (optional)\nWinID is optional.\nEnter a WinID to send Previous/Next Page(s)"},
        {103, true, "WinID (optional)", "WinID (optional)\nWinID is optional.\nEnter a WinID to send Previous/Next Page command"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.action);
        const KeyFieldHint hint = keyFieldHint(r.action);
        EXPECT_EQ(hint.shown, r.shown);
        EXPECT_EQ(hint.placeholder, QString::fromUtf8(r.placeholder));
        if (r.shown)
            EXPECT_TRUE(hint.toolTip.startsWith(QString::fromUtf8(r.toolTipStart))) << hint.toolTip.toStdString();
        else
            EXPECT_TRUE(hint.toolTip.isEmpty());
    }
    EXPECT_TRUE(keyFieldHint(7).toolTip.endsWith(QStringLiteral("\n6 MUTE")));
}
