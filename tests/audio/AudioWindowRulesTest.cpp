#include "audio/MusicX.h"
#include "audio/windows/AudioWindowRules.h"
#include "events/QStringPrint.h"
#include "platform/Vocabulary.h"
#include "windows/TitleRowRules.h"

#include <gtest/gtest.h>

using namespace audiowin;
namespace kc = platform::keycode;
namespace kf = platform::keyflag;

namespace {

// Sections 1-5 as (A, B, genre index, checked).
Sections sectionsOf(std::initializer_list<Section> given)
{
    Sections out;
    size_t i = 0;
    for (const Section &s : given)
        out[i++] = s;
    return out;
}

} // namespace

TEST(AudioWindowRules, TimesShowMinutesAndSecondsWithTheLabelPaddedBelowTenMinutes)
{
    const struct {
        double seconds;
        const char *label;
        const char *point;
    } rows[] = {
        {0.0, "  0:00", "0:00"},
        {65.9, "  1:05", "1:05"}, // whole seconds: never rounded up
        {599.99, "  9:59", "9:59"},
        {600.0, "10:00", "10:00"},
        {3725.0, "62:05", "62:05"},
    };
    for (const auto &r : rows) {
        EXPECT_EQ(titlerules::trackTimeText(r.seconds), QString::fromUtf8(r.label)) << r.seconds;
        EXPECT_EQ(pointText(r.seconds), QString::fromUtf8(r.point)) << r.seconds;
    }
}

TEST(AudioWindowRules, ASectionPlaysFromItsWholeSecondInItsGenreAndMutePlaysAsAny)
{
    const Sections s = sectionsOf({{5.7, 10, 0, true}, {20, 30, 3, false}, {1, 2, 6, false}});
    const struct {
        int n;
        qint64 currentGenre;
        PlayRequest expected;
    } rows[] = {
        {1, 2, {5, 2}},  // index 0: the current genre
        {2, 2, {20, 3}}, // its own genre
        {3, 2, {1, 1}},  // mute plays the recording of Any
        {1, 6, {5, 1}},  // the current genre mute as well
        {0, 4, {0, 4}},  // the whole track
        {9, 4, {0, 4}},
    };
    for (const auto &r : rows) {
        const PlayRequest got = playSection(s, r.n, r.currentGenre);
        EXPECT_EQ(got.skipTo, r.expected.skipTo) << r.n;
        EXPECT_EQ(got.genre, r.expected.genre) << r.n;
    }
    EXPECT_EQ(genreIndexFromStore(9), 0) << "an index past the combo's items selects the current genre";
    EXPECT_EQ(genreIndexFromStore(-1), 0);
    EXPECT_EQ(genreIndexFromStore(5), 5);
}

TEST(AudioWindowRules, OnlyACheckedSectionWithBPastARestartsOnceThePositionPassesB)
{
    const struct {
        Sections sections;
        double position;
        int restart;
    } rows[] = {
        {sectionsOf({{5, 10, 0, true}}), 10.0, 0},
        {sectionsOf({{5, 10, 0, true}}), 10.2, 1},
        {sectionsOf({{5, 10, 0, false}}), 12.0, 0},
        {sectionsOf({{10, 5, 0, true}}), 12.0, 0}, // B before A never loops
        {sectionsOf({{0, 0, 0, true}}), 12.0, 0},  // unset
        {sectionsOf({{0, 20, 0, false}, {0, 0, 0, false}, {30, 40, 0, true}}), 41.0, 3},
    };
    for (const auto &r : rows)
        EXPECT_EQ(sectionToRestart(r.sections, r.position), r.restart) << r.position;
}

TEST(AudioWindowRules, ADragPastTheLoopUnchecksItAndPlaysInTheCurrentGenre)
{
    const Sections s = sectionsOf({{5, 10, 3, true}});
    const struct {
        double position;
        bool uncheck;
        PlayRequest play;
    } rows[] = {
        {7.6, false, {7, 3}},  // inside: the section's genre
        {12.0, true, {12, 2}}, // past B: the current genre
    };
    for (const auto &r : rows) {
        const DragOutcome d = dragTo(s, r.position, 2);
        EXPECT_EQ(d.uncheckAll, r.uncheck) << r.position;
        EXPECT_EQ(d.play.skipTo, r.play.skipTo) << r.position;
        EXPECT_EQ(d.play.genre, r.play.genre) << r.position;
    }
    EXPECT_EQ(dragTo(sectionsOf({{0, 0, 4, true}, {0, 0, 5, true}}), 3, 2).play.genre, 5)
        << "the highest checked section gives the genre";
}

TEST(AudioWindowRules, KeysPlaySectionsOrPostTheirCommands)
{
    const struct {
        quint16 key;
        quint64 flags;
        const char *text;
        KeyOutcome expected;
    } rows[] = {
        {kc::Digit1, 0, "1", {KeyKind::PlaySection, 1}},
        {kc::Digit5, 0, "5", {KeyKind::PlaySection, 5}},
        {kc::Digit6, 0, "6", {KeyKind::PlayWhole, 0}},
        {kc::Digit0, 0, "0", {KeyKind::PlayWhole, 0}},
        {kc::Comma, 0, ",", {KeyKind::ActionKey, vocab::MetronomeOnOff}},
        {kc::Comma, kf::Shift, "<", {KeyKind::ActionKey, vocab::AudibleMetronomeToggle}},
        {kc::Comma, kf::Command, ",", {KeyKind::ActionKey, vocab::MetronomeType}},
        {kc::Period, 0, ".", {KeyKind::PlayButton, 0}},
        {kc::Period, kf::Shift, ">", {KeyKind::ActionKey, vocab::NextGenre}},
        {kc::Period, kf::Option, ".", {KeyKind::Pass, 0}},
        {kc::Space, 0, " ", {KeyKind::ActionKey, vocab::SpaceBarKey}},
        {kc::LeftArrow, 0, "", {KeyKind::ActionKey, vocab::PreviousSong}},
        {kc::RightArrow, 0, "", {KeyKind::ActionKey, vocab::NextSong}},
        {kc::A, 0, "a", {KeyKind::ActionKey, 0}},
        {kc::Z, 0, "z", {KeyKind::ActionKey, 25}},
        {kc::A, kf::Command, "a", {KeyKind::Pass, 0}},
        {kc::Minus, 0, "-", {KeyKind::Pass, 0}},
    };
    for (const auto &r : rows) {
        platform::KeyEvent key;
        key.keyCode = r.key;
        key.modifierFlags = r.flags;
        key.characters = QString::fromUtf8(r.text);
        const KeyOutcome got = keyOutcome(key);
        EXPECT_EQ(int(got.kind), int(r.expected.kind)) << r.key << " " << r.flags;
        EXPECT_EQ(got.value, r.expected.value) << r.key << " " << r.flags;
    }
}

TEST(AudioWindowRules, SectionsAreKeptByTheSongFilesNameWhereverItLies)
{
    EXPECT_EQ(sectionKey("POS%1A.%2", 3, QStringLiteral("/gigs/A/Blue Moon.pdf")),
              QStringLiteral("POS3A.Blue Moon.pdf"));
    EXPECT_EQ(sectionKey("TITLE%1.%2", 1, QStringLiteral("/other/Blue Moon.pdf")),
              QStringLiteral("TITLE1.Blue Moon.pdf"));
}

TEST(AudioWindowRules, ThePreviewListsTheAnyChoiceAndTheBestTrackOfEachRecording)
{
    auto track = [](const char *title, const char *artist, const char *genre) {
        audio::Track t;
        t.title = QString::fromUtf8(title);
        t.artist = QString::fromUtf8(artist);
        t.genre = QString::fromUtf8(genre);
        t.location = QStringLiteral("/music/") + t.title;
        return t;
    };
    const QList<audio::Track> tracks = {
        track("Harbour Lights", "Other Band", "Rock"),
        track("Harbour Lights", "The Quays", "Cover"),
        track("Harbour Lights", "The Quays", "Backing Track"),
        track("Another Song", "The Quays", "Recording"),
    };
    const PreviewRows rows = previewRows(tracks, QStringLiteral("Harbour Lights"), QStringLiteral("The Quays"));
    const PreviewRows expected = {{
        {QStringLiteral("Harbour Lights - Other Band"), QStringLiteral("Rock")},
        {QStringLiteral("Harbour Lights - The Quays"), QStringLiteral("Cover")},
        {QStringLiteral("Harbour Lights - The Quays"), QStringLiteral("Backing Track")},
        {QStringLiteral("(not found, Any wil be used)"), QString()},
        {QStringLiteral("(not found, Any wil be used)"), QString()},
    }};
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i], expected[i]) << "row " << i + 1 << ": " << rows[i].text.toStdString();

    const PreviewRows none = previewRows(tracks, QStringLiteral("Unknown"), QString());
    for (const PreviewRow &r : none)
        EXPECT_EQ(r, (PreviewRow{QStringLiteral("(not found)"), QString()}));
}

TEST(FollowMatch, TheTrackFindsTheSongWhoseTitleAndArtistItHolds)
{
    const QList<audio::FollowCandidate> songs = {
        {QStringLiteral("BLUE"), QStringLiteral("THE QUAYS")},
        {QStringLiteral("BLUE MOON"), QStringLiteral("THE QUAYS")},
        {QStringLiteral("MOON"), QString()},
        {QStringLiteral("RIVER"), QStringLiteral("ANN VALE")},
        {QString(), QStringLiteral("ANN VALE")},
    };
    const struct {
        const char *title;
        const char *artist;
        qint32 expected;
    } rows[] = {
        {"BLUE MOON (LIVE)", "THE QUAYS, ANN VALE", 1}, // both match twice: the longest title
        {"BLUE", "THE QUAYS", 0},
        {"BLUE MOON", "NOBODY", 0},      // title alone: the first in title order
        {"HALF MOON", "THE QUAYS", 2},   // a song without an artist through its title only
        {"RIVER", "ANN VALE", 3},
        {"SEA", "ANN VALE", -1},         // an empty song title never matches
        {"", "THE QUAYS", -1},
    };
    for (const auto &r : rows)
        EXPECT_EQ(audio::matchFollowedSong(songs, QString::fromUtf8(r.title), QString::fromUtf8(r.artist)),
                  r.expected)
            << r.title;
}
