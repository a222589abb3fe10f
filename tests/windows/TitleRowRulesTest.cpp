#include "windows/GestureRules.h"
#include "windows/TitleRowRules.h"

#include "library/PiecesDet.h"
#include "platform/Vocabulary.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace titlerules;
using namespace gesturerules;

// ---- Title, tempo, track time ----------------------------------------------------------

TEST(TitleRowRules, TitleFieldsFollowTheSortAndTheMarksComeLast)
{
    const TitleText byTitle = titleText(QStringLiteral("Song"), QStringLiteral("Band"), 0, QStringLiteral("✅"),
                                        QStringLiteral(" 🔹"), QString());
    EXPECT_EQ(byTitle.text, QStringLiteral("Song • Band✅ 🔹"));
    EXPECT_FALSE(byTitle.artistFirst);
    EXPECT_EQ(byTitle.text.at(byTitle.bulletPos), QChar(0x2022));

    const TitleText byArtist = titleText(QStringLiteral("Song"), QStringLiteral("The Band"), 1, QString(), QString(),
                                         QStringLiteral(" 🔉"));
    EXPECT_EQ(byArtist.text, QStringLiteral("The Band • Song 🔉"));
    EXPECT_TRUE(byArtist.artistFirst);
    EXPECT_EQ(byArtist.firstFieldLength, 8);
    EXPECT_EQ(byArtist.text.at(byArtist.bulletPos), QChar(0x2022));

    // A "%1" in a title is not substituted again.
    EXPECT_EQ(titleText(QStringLiteral("50%1 off"), QStringLiteral("%2"), 0, {}, {}, {}).text,
              QStringLiteral("50%1 off • %2"));
}

TEST(TitleRowRules, GenreMarkOfTheFollowState)
{
    EXPECT_EQ(genreMark(3), QStringLiteral(" 🔉"));
    EXPECT_EQ(genreMark(2), QStringLiteral("⁉️"));
    EXPECT_EQ(genreMark(0), QString());
    EXPECT_EQ(genreMark(1), QString());
}

TEST(TitleRowRules, TempoTextAndColour)
{
    struct Row {
        qint64 song, global, taps;
        const char *text;
        TextRole role;
    };
    const Row rows[] = {
        {0, 120, 0, "100", TextRole::Inact},  // no tempo, no tap
        {0, 120, 2, "120", TextRole::High},   // tapping a song without tempo
        {0, 0, 2, "100", TextRole::Inact},    // a tap without a global tempo yet
        {96, 96, 0, "96", TextRole::Act},
        {96, 100, 0, "100", TextRole::High},  // changed from the song's
    };
    for (const Row &r : rows) {
        const TempoText t = tempoText(r.song, r.global, r.taps);
        EXPECT_EQ(t.text, QString::fromUtf8(r.text)) << r.song << " " << r.global;
        EXPECT_EQ(t.role, r.role) << r.song << " " << r.global;
    }
}

TEST(TitleRowRules, TrackTimeHasTwoBlanksBelowTenMinutes)
{
    EXPECT_EQ(trackTimeText(75), QStringLiteral("  1:15"));
    EXPECT_EQ(trackTimeText(75.9), QStringLiteral("  1:15"));
    EXPECT_EQ(trackTimeText(615), QStringLiteral("10:15"));
    EXPECT_EQ(trackTimeText(0), QStringLiteral("  0:00"));
    EXPECT_EQ(trackTimeText(-3), QStringLiteral("  0:00"));
}

// ---- Lights and count-in ---------------------------------------------------------------------

TEST(TitleRowRules, LightsPerBeat)
{
    struct Row {
        qint64 type, tick, signature;
        Light light;
    };
    const Row rows[] = {
        {0, 5, 4, Light::Metro1},  {1, 3, 4, Light::Metro1}, {1, 4, 4, Light::Metro2},
        {2, 1, 4, Light::Beat1},   {2, 6, 4, Light::Beat2},  {2, 7, 0, Light::Beat3},
        {2, 4, 4, Light::Beat4},   {2, 4, 3, Light::Beat1},  {2, 3, 3, Light::Beat3},
        {2, 5, 2, Light::Beat1},   {2, 8, 2, Light::Beat2},  {2, 1, 5, Light::None},
        {2, 1, 1, Light::None},    {4, 1, 4, Light::None},   {10, 2, 4, Light::None},
    };
    for (const Row &r : rows)
        EXPECT_EQ(metroLight(r.type, r.tick, r.signature), r.light)
            << "type " << r.type << " tick " << r.tick << " sig " << r.signature;
}

TEST(TitleRowRules, CountInShowsGoAndCountsDown)
{
    EXPECT_EQ(countIn(0, 0, false, 4).text, QStringLiteral("Go!"));
    EXPECT_TRUE(countIn(0, 4, true, 4).shown);
    // Counting down from 4: at count 1 it shows 3.
    EXPECT_EQ(countIn(1, 4, false, 4).text, QStringLiteral("3"));
    EXPECT_FALSE(countIn(4, 4, true, 4).shown);
    EXPECT_EQ(countIn(4, 4, true, 4).text, QStringLiteral(" "));
    // No target: the count itself, skipped above a bar's beats.
    EXPECT_EQ(countIn(3, 0, false, 4).text, QStringLiteral("3"));
    EXPECT_FALSE(countIn(5, 0, true, 4).shown);
    EXPECT_TRUE(countIn(4, 0, true, 0).shown);   // signature 0 counts 4 beats
    EXPECT_FALSE(countIn(1, 0, true, 1).shown);  // signature 1 counts none
}

// ---- Layout ----------------------------------------------------------------------------------

TEST(TitleRowRules, TitleRowLayoutTable)
{
    // W 1000, R 860, L 8, Tw 52, Mw 18; previous positions 1, 2, 3 (width 4).
    struct Row {
        bool title, tempo, note, type2;
        int t, m, nx, nw;
    };
    const Row rows[] = {
        {true, true, true, false, 474, 443, 532, 322},
        {true, true, false, false, 802, 771, 3, 4},
        {true, false, true, false, 474, 443, 474, 380},
        {true, false, false, false, 860, 829, 3, 4},
        {false, true, true, true, 84, 66, 142, 712},
        {false, true, true, false, 8, 2, 66, 788},
        {false, true, false, false, 802, 771, 3, 4},
        {false, false, true, true, 84, 66, 84, 770},
        {false, false, true, false, 1, 2, 8, 846},
        {false, false, false, false, 474, 443, 532, 322},
    };
    for (const Row &r : rows) {
        RowInput in;
        in.windowWidth = 1000;
        in.repX = 860;
        in.titleX = 8;
        in.tempoWidth = 52;
        in.beatWidth = 18;
        in.titleShown = r.title;
        in.tempoShown = r.tempo;
        in.noteShown = r.note;
        in.metroType2 = r.type2;
        in.tempoX = 1;
        in.metroX = 2;
        in.noteX = 3;
        in.noteWidth = 4;
        const RowLayout out = layoutTitleRow(in);
        const std::string row = std::to_string(r.title) + std::to_string(r.tempo) + std::to_string(r.note) +
                                std::to_string(r.type2);
        EXPECT_EQ(out.tempoX, r.t) << row;
        EXPECT_EQ(out.metroX, r.m) << row;
        EXPECT_EQ(out.noteX, r.nx) << row;
        EXPECT_EQ(out.noteWidth, r.nw) << row;
    }
    EXPECT_EQ(beatsPerBar(0), 4);
    EXPECT_EQ(beatsPerBar(3), 3);
    EXPECT_EQ(beatsPerBar(6), 0);
}

// ---- Notices ----------------------------------------------------------------------------

// The drawn-row test covers whole notices; these are the edges it does not reach.
TEST(TitleRowRules, NoticePathsByNameAndPartsInOrder)
{
    const char *const shown[][2] = {
        {"Kept in \"/home/a/Kept notes/\" as \"/home/a/Kept notes/B.txt\".", "Kept in \"Kept notes\" as \"B.txt\"."},
        {"The note of \"AC/DC\" in \"/\".", "The note of \"AC/DC\" in \"/\"."}, // not paths, or no name
    };
    for (const auto &r : shown)
        EXPECT_EQ(noticeShown(QString::fromUtf8(r[0])), QString::fromUtf8(r[1]));

    const auto oneACharacter = [](const QString &s) { return int(s.size()); };
    // A word wider than the line is cut where the line ends.
    EXPECT_EQ(noticeParts(QStringLiteral("Kept as Averyveryverylongname.txt now"), 12, oneACharacter),
              QStringList({"Kept as…", "…Averyveryv…", "…erylongnam…", "…e.txt now"}));
    // Narrower than a character and its mark, it still moves on.
    EXPECT_EQ(noticeParts(QStringLiteral("ab"), 1, oneACharacter), QStringList({"a…", "…b"}));
    // Before, the last part could be a word alone ("…quits.").
    EXPECT_EQ(noticeParts(QStringLiteral("The file cannot be written: changes are written once it can be, or kept aside "
                                         "when it quits."),
                          88, oneACharacter),
              QStringList({"The file cannot be written: changes are written once it can be,…",
                           "…or kept aside when it quits."}));

    // Before, a notice across the row covered the song's name, so after a song change nobody saw which song was shown.
    const struct {
        int title, x, width;
    } beside[] = {
        {0, 8, 992},     // the title hidden: the whole row
        {200, 220, 780}, // a short title whole, and a gap
        {600, 338, 662}, // a long one a third of the row
    };
    for (const auto &r : beside) {
        const Span span = noticeBesideTitle(8, 1000, r.title);
        EXPECT_EQ(std::pair(span.x, span.width), std::pair(r.x, r.width)) << r.title;
    }
}

// ---- List header and popup ------------------------------------------------------------------

TEST(TitleRowRules, FilterButtonTitle)
{
    const QStringList tags = {QStringLiteral("Rock"), QStringLiteral("Played"), QStringLiteral("Flags")};
    EXPECT_EQ(filterButtonTitle(tags, 0, 9, false), QStringLiteral("🔻・・Rock"));
    // Played: the rows less the header rows (two when the second row is not a song mark).
    EXPECT_EQ(filterButtonTitle(tags, 1, 9, true), QStringLiteral("・🔻・8 Played"));
    EXPECT_EQ(filterButtonTitle(tags, 1, 9, false), QStringLiteral("・🔻・7 Played"));
    EXPECT_EQ(filterButtonTitle(tags, 2, 3, false), QStringLiteral("・・🔻1 Flag"));
    EXPECT_EQ(filterButtonTitle(tags, 2, 4, true), QStringLiteral("・・🔻3 Flags"));
    EXPECT_EQ(filterButtonTitle(tags, 2, 1, true), QStringLiteral("・・🔻0 Flag"));
    EXPECT_EQ(filterButtonTitle(tags, -1, 4, true), QString());
    EXPECT_EQ(filterButtonTitle(tags, 3, 4, true), QString());
}

TEST(TitleRowRules, PopupRangePerKind)
{
    EXPECT_EQ(popupMaximum(0, 12), 12);
    EXPECT_EQ(popupMaximum(1, 12), 12);
    EXPECT_EQ(popupMaximum(2, 12), 24);
    EXPECT_EQ(popupMaximum(3, 12), 0);
}

// ---- Gestures --------------------------------------------------------------------------------

TEST(GestureRules, HiddenRegionsByQuarter)
{
    // Window 1000 x 800, y growing upward.
    EXPECT_EQ(hiddenRegionCode(10, 600, 1000, 800), 0);   // near the left edge: a plain click
    EXPECT_EQ(hiddenRegionCode(975, 600, 1000, 800), 0);  // near the right edge
    EXPECT_EQ(hiddenRegionCode(200, 600, 1000, 800), vocab::PreviousSongNoSearch);  // 69
    EXPECT_EQ(hiddenRegionCode(200, 100, 1000, 800), vocab::PageUpAlt);             // 70
    EXPECT_EQ(hiddenRegionCode(800, 600, 1000, 800), vocab::NextSongNoSearch);      // 71
    EXPECT_EQ(hiddenRegionCode(800, 100, 1000, 800), vocab::PageDownAlt);           // 72
    // The centre counts to the right (x + 2 > w/2); the middle height counts as lower.
    EXPECT_EQ(hiddenRegionCode(500, 600, 1000, 800), 71);
    EXPECT_EQ(hiddenRegionCode(497, 400, 1000, 800), 70);
    // Without a window every click is near an edge.
    EXPECT_EQ(hiddenRegionCode(100, 100, 0, 0), 0);
}

TEST(GestureRules, ScrollClassification)
{
    EXPECT_EQ(scrollSwipeCode(3.0, -3.0), 4);   // a tie goes vertical
    EXPECT_EQ(scrollSwipeCode(-0.5, 0.8), 0);   // too short
    EXPECT_EQ(scrollSwipeCode(5.0, 1.0), 2);
    EXPECT_EQ(scrollSwipeCode(-5.0, 1.0), 1);
    EXPECT_EQ(scrollSwipeCode(0.2, 1.5), 3);
    EXPECT_EQ(scrollSwipeCode(0.0, -1.01), 4);
    EXPECT_EQ(scrollSwipeCode(1.0, 1.0), 0);
}

TEST(GestureRules, TwoFingerSwipes)
{
    auto fingers = [](double dx, double dy, double startY1, double startY2) {
        return QList<FingerTrack>{{QPointF(0.3, startY1), QPointF(0.3 + dx, startY1 + dy)},
                                  {QPointF(0.5, startY2), QPointF(0.5 + dx, startY2 + dy)}};
    };
    // Each finger moves 0.25: total 0.5 to the right, both fingers low.
    EXPECT_EQ(touchSwipeCode(fingers(0.25, 0, 0.2, 0.3)), 2);
    EXPECT_EQ(touchSwipeCode(fingers(0.8, 0, 0.2, 0.3)), 12);
    EXPECT_EQ(touchSwipeCode(fingers(0.25, 0, 0.6, 0.7)), 1);
    EXPECT_EQ(touchSwipeCode(fingers(-0.25, 0, 0.6, 0.7)), 3);
    EXPECT_EQ(touchSwipeCode(fingers(-0.25, 0, 0.6, 0.2)), 4);  // one up, one down: not more upper
    EXPECT_EQ(touchSwipeCode(fingers(0, 0.2, 0.2, 0.3)), 5);
    EXPECT_EQ(touchSwipeCode(fingers(0.1, -0.9, 0.2, 0.3)), 16);
    EXPECT_EQ(touchSwipeCode(fingers(0.1, 0.05, 0.2, 0.3)), 0);
    EXPECT_EQ(touchSwipeCode({{QPointF(0.1, 0.1), QPointF(0.9, 0.1)}}), 0);  // one finger
}

TEST(GestureRules, KeyPadTags)
{
    const QList<PadKey> &keys = padKeys();
    ASSERT_EQ(keys.size(), 62);
    QSet<QString> names;
    for (const PadKey &k : keys)
        names.insert(QLatin1String(k.name));
    EXPECT_EQ(names.size(), 62);
    EXPECT_EQ(padKeyCode(QStringLiteral("boutA")), 0);
    EXPECT_EQ(padKeyCode(QStringLiteral("boutZ")), 25);
    // Digits follow the dispatcher's table: '0' is 26, '1' is 27.
    EXPECT_EQ(padKeyCode(QStringLiteral("bout0")), 26);
    EXPECT_EQ(padKeyCode(QStringLiteral("bout1")), 27);
    EXPECT_EQ(padKeyCode(QStringLiteral("bout9")), 35);
    for (int d = 0; d <= 9; ++d)
        EXPECT_EQ(vocab::kTypedChars.at(padKeyCode(QStringLiteral("bout%1").arg(d))), QChar('0' + d));
    EXPECT_EQ(padKeyCode(QStringLiteral("boutFlecheDroite")), vocab::NextSong);
    EXPECT_EQ(padKeyCode(QStringLiteral("boutCmd1")), vocab::OpenFolderSlot0);
    EXPECT_EQ(padKeyCode(QStringLiteral("boutCmd8")), vocab::OpenFolderSlot7);
    EXPECT_EQ(padKeyCode(QStringLiteral("boutNone")), -1);
}
