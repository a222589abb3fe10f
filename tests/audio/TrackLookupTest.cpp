#include "audio/TrackLookup.h"

#include <gtest/gtest.h>

using audio::Slot;
using audio::Track;

namespace {

Track track(const QString &title, const QString &artist, const QString &genre, const QString &comment = {},
            const QString &location = {})
{
    Track t;
    t.title = title;
    t.artist = artist;
    t.genre = genre;
    t.comment = comment;
    t.location = location.isEmpty() ? QStringLiteral("/music/%1 %2.mp3").arg(title, genre) : location;
    return t;
}

// The title of the track chosen, "" for none.
QString chosenTitle(const QList<Track> &tracks, const QString &title, const QString &artist, qint64 genre)
{
    const audio::TrackChoice c = audio::chooseTrack(tracks, title, artist, genre);
    return c.chosen ? tracks.at(*c.chosen).title + QLatin1Char('|') + tracks.at(*c.chosen).genre : QString();
}

TEST(TrackLookup, EachGenrePrefersItsRecordingThenFallsBackInItsOrder)
{
    const QList<Track> all = {
        track("Harbour Lights", "The Quays", "Rock"),
        track("Harbour Lights", "The Quays", "Cover"),
        track("Harbour Lights", "The Quays", "Backing Track"),
        track("Harbour Lights", "The Quays", "Practice"),
        track("Harbour Lights", "The Quays", "Recording"),
    };
    const QList<Track> noAny = all.mid(1);
    const QList<Track> practiceOnly = {all.at(3)};
    const struct {
        QList<Track> tracks;
        qint64 genre;
        QString expected;
    } rows[] = {
        {all, 1, "Harbour Lights|Rock"},
        {all, 2, "Harbour Lights|Cover"},
        {all, 3, "Harbour Lights|Backing Track"},
        {all, 4, "Harbour Lights|Practice"},
        {all, 5, "Harbour Lights|Recording"},
        {noAny, 1, "Harbour Lights|Cover"},          // Any, then Cover
        {noAny, 3, "Harbour Lights|Backing Track"},
        {{all.at(2), all.at(4)}, 1, "Harbour Lights|Recording"},  // Any, Cover, Recording
        {{all.at(2), all.at(3)}, 5, "Harbour Lights|Practice"},   // Recording, Any, Cover, Practice
        {practiceOnly, 3, "Harbour Lights|Practice"},
        {all, 6, "Harbour Lights|Rock"},              // mute: the best of all, the first of equals
        {all, 0, "Harbour Lights|Rock"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.genre);
        EXPECT_EQ(chosenTitle(row.tracks, "Harbour Lights", "The Quays", row.genre), row.expected);
    }
}

TEST(TrackLookup, ScoresWeighArtistMarkerAndExactTitleLength)
{
    const struct {
        const char *why;
        QList<Track> tracks;
        QString artist;
        QString expected;
    } rows[] = {
        {"an artist hit beats none",
         {track("Harbour Lights", "Someone", "Pop"), track("Harbour Lights", "The Quays", "Pop")}, "the quays",
         "Harbour Lights|Pop"},
        {"the marker without an artist hit beats an artist hit",
         {track("Harbour Lights", "The Quays", "Live"), track("Harbour Lights", "Other", "Studio", "for tolvane")},
         "The Quays", "Harbour Lights|Studio"},
        {"the exact title length beats a longer title",
         {track("Harbour Lights (live)", "The Quays", "Live"), track("Harbour Lights", "The Quays", "Studio")},
         "The Quays", "Harbour Lights|Studio"},
        {"an empty song artist never hits",
         {track("Harbour Lights", "", "A"), track("Harbour Lights", "The Quays", "B")}, "",
         "Harbour Lights|A"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.why);
        EXPECT_EQ(chosenTitle(row.tracks, "Harbour Lights", row.artist, 1), row.expected);
    }
}

TEST(TrackLookup, AShortTitleKeepsOnlyTracksOfItsLengthInTheRecordings)
{
    const QList<Track> tracks = {track("Home!", "Band", "Cover")};
    const audio::TrackChoice c = audio::chooseTrack(tracks, "Home", "Band", 2);
    EXPECT_FALSE(c.slot(Slot::Cover)) << "four letters: a five-letter title is not a Cover";
    EXPECT_TRUE(c.slot(Slot::Best));
    EXPECT_EQ(c.chosen, c.slot(Slot::Best)) << "it is still found as the best track";
    const QList<Track> longer = {track("Harbour Lights!", "Band", "Cover")};
    EXPECT_TRUE(audio::chooseTrack(longer, "Harbour Lights", "Band", 2).slot(Slot::Cover));
}

TEST(TrackLookup, TwoEqualRecordingsTakeTheTitleThatSortsLater)
{
    const QList<Track> recordings = {track("Harbour Lights b", "X", "Recording"),
                                     track("harbour lights C", "X", "Recording"),
                                     track("Harbour Lights a", "X", "Recording")};
    EXPECT_EQ(chosenTitle(recordings, "Harbour Lights", "X", 5), "harbour lights C|Recording");
    const QList<Track> covers = {track("Harbour Lights b", "X", "Cover"), track("Harbour Lights c", "X", "Cover")};
    EXPECT_EQ(chosenTitle(covers, "Harbour Lights", "X", 2), "Harbour Lights b|Cover") << "others keep the first";
}

TEST(TrackLookup, TitlesMatchWhateverTheCaseAccentsAndQuotes)
{
    const QList<Track> tracks = {track(QString::fromUtf8("Caf\u00e9 \"Noir\" (Remaster)"), "X", "Pop"),
                                 track("L'ete indien", "X", "Pop")};
    const struct {
        QString title;
        QString expected;
    } rows[] = {
        {QString::fromUtf8("cafe\u0301 \"noir\""), QString::fromUtf8("Caf\u00e9 \"Noir\" (Remaster)|Pop")},
        {QString::fromUtf8("L'\u00c9T\u00c9 INDIEN"), "L'ete indien|Pop"},
        {"Noir\" OR 1=1", ""},
    };
    for (const auto &row : rows)
        EXPECT_EQ(chosenTitle(tracks, row.title, "X", 1), row.expected) << row.title.toStdString();
}

TEST(TrackLookup, AnEmptyTitleHasNoCandidates)
{
    const QList<Track> tracks = {track("Harbour Lights", "X", "Cover"), track("Harbour Lights", "X", "Rock")};
    // Before, an empty title matched every track.
    EXPECT_EQ(chosenTitle(tracks, "", "X", 1), "");
    EXPECT_EQ(chosenTitle(tracks, "   ", "X", 1), "") << "blank is as empty";
}

} // namespace
