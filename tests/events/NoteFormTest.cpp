#include "events/EventScript.h"
#include "events/NoteForm.h"
#include "library/Pieces.h"

#include "QStringPrint.h"

#include <gtest/gtest.h>

using namespace noteform;

namespace {

bool winId(const QString &id) { return id.compare(QLatin1String("Lead"), Qt::CaseInsensitive) == 0; }

// What the window writes back for a note nobody edited: its fields as read,
// its events as loaded, the old note for the lines no field shows.
QString rewrite(const QString &note)
{
    const piecesrules::TempoResult t = piecesrules::tempoFromNote(note);
    const Fields f = read(note, t.keepStoredTempo ? 0 : t.tempo, t.signature, winId);
    SongEvArray events;
    eventscript::loadFromString(note, false, events, winId);
    return rebuild(f, eventscript::writeEvents(events, true), note, winId);
}

Fields master(const char *line)
{
    Fields f;
    f.master = QString::fromUtf8(line);
    return f;
}

} // namespace

// The layout the fields are written in, byte for byte.
TEST(NoteForm, FieldsWriteTheirLayout)
{
    Fields all = master("Capo 2");
    all.title = QStringLiteral(" Mine ");
    all.titleEdited = true;
    all.artist = QStringLiteral("Shown only");
    all.tempo = QStringLiteral("120");
    all.signature = 2;
    all.key = QStringLiteral("G");
    all.dates[2] = QStringLiteral("2024-05-01");
    all.tags = QStringLiteral("rock live");
    all.comments = QStringLiteral("watch the bridge\n");
    Fields dateOnly = master("M");
    dateOnly.dates[0] = QStringLiteral("2024-01-02");
    Fields tempoNoSig = master("M");
    tempoNoSig.tempo = QStringLiteral("0");
    tempoNoSig.signature = 3;

    const struct {
        Fields fields;
        const char *script;
        const char *text;
    } cases[] = {
        {master(""), "", "\n\n"},
        {master("Only this line"), "", "Only this line\n\n"},
        {all, "00:10 Page 2\n",
         "Capo 2\n\nTitle=Mine\nTempo=120 3/4\nKey=G\n\nLastPlayedDate3=2024-05-01\n\n00:10 Page 2\n\n"
         "Tags=rock live\n\nwatch the bridge\n\n"},
        {dateOnly, "", "M\n\nLastPlayedDate1=2024-01-02\n\n"},
        {tempoNoSig, "", "M\n\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(build(c.fields, QString::fromUtf8(c.script)), QString::fromUtf8(c.text));
    EXPECT_TRUE(isBlank(build(master(""), QString())));
}

TEST(NoteForm, ReadsHeadersCommentsAndTheLastLine)
{
    const QString note = QStringLiteral("Master line\nTitle= Own title \nKey=G\nLastPlayedDate2=2024-03-03\n"
                                        "Lead: solo here\n00:10 Page 2\nkeep going\n12:00 start\nTags=a b");
    const Fields f = read(note, 0, 3, winId);
    EXPECT_EQ(f.master, QStringLiteral("Master line"));
    EXPECT_EQ(f.title, QStringLiteral("Own title"));
    EXPECT_TRUE(f.titleEdited);
    EXPECT_FALSE(f.artistEdited);
    EXPECT_EQ(f.key, QStringLiteral("G"));
    EXPECT_EQ(f.dates[1], QStringLiteral("2024-03-03"));
    EXPECT_EQ(f.signature, 2);
    EXPECT_EQ(f.comments, QStringLiteral("keep going\n"));
    // Before, a header on the last line without a line end was not read, and
    // the next save dropped it.
    EXPECT_EQ(f.tags, QStringLiteral("a b"));
}

// Lines no field, row or comment shows stay where they were.
TEST(NoteForm, LinesNothingShowsAreKeptInPlace)
{
    const struct {
        const char *note;
        const char *rewritten;
    } cases[] = {
        // Before, every one of these lines was dropped at the first save.
        {"Master\nCall MIDI guy at 5\n", "Master\nCall MIDI guy at 5\n\n"},
        {"Master\nKey=G\nmail me@x.org\nKey=A\n", "Master\n\nKey=G\nmail me@x.org\nKey=A\n\n"},
        {"Master\n00:10 Page 2\n12:00 start of set\n00:20 Page 3\n",
         "Master\n\n00:10 Page 2\n12:00 start of set\n00:20 Page 3\n\n"},
        {"Master\n\nfree text\nTempo=fast\n", "Master\n\nfree text\nTempo=fast\n\n"},
        {"Master\nSound: use MESSAGE pad\n", "Master\nSound: use MESSAGE pad\n\n"},
        // Shown lines are written in the window's order; kept ones follow their neighbour.
        {"Master\nTags=x\nTitle=T\nsee MIDI map\n", "Master\n\nTitle=T\nsee MIDI map\n\nTags=x\n\n"},
    };
    for (const auto &c : cases) {
        const QString once = rewrite(QString::fromUtf8(c.note));
        EXPECT_EQ(once, QString::fromUtf8(c.rewritten)) << c.note;
        EXPECT_EQ(rewrite(once), once) << "a second rebuild changes nothing: " << c.note;
    }
}

TEST(NoteForm, AFullNoteSurvivesRebuildsUnchanged)
{
    const QString note = QStringLiteral(
        "Intro soft\nTitle=Night\nArtist=Band\nTempo=104 3/4\nKey=Am\n\nLastPlayedDate1=2024-01-01\n\n"
        "MIDI Strings\n00:00 Page 1\n00:10 Message Lead:go \nremember: count four\n00:30 Page 2 Bottom\n\n"
        "Tags=slow\n\nfree words\nsend to bob@x.org\n\n");
    const QString once = rewrite(note);
    EXPECT_TRUE(once.contains(QStringLiteral("remember: count four\nfree words\nsend to bob@x.org\n")));
    EXPECT_EQ(rewrite(once), once);
    const QStringList written = once.split(QLatin1Char('\n'));
    for (const QString &line : note.split(QLatin1Char('\n'))) {
        if (line.isEmpty())
            continue;
        // The writer may add the blank that closes an event's last word.
        EXPECT_TRUE(written.contains(line) || written.contains(line + QLatin1Char(' '))) << line.toStdString();
    }
}

// A note nobody edited comes back as it was, and a second rebuild changes nothing.
TEST(NoteForm, UneditedLinesComeBackAsTheyWere)
{
    const struct {
        const char *note;
        const char *once;
        const char *twice;
    } cases[] = {
        // Before, a line both a cue row and a comment was written twice, and
        // each rebuild doubled it again; the cue's own form also lost "loud".
        {"M\nPlay: 10:30 loud\n", "M\n\nPlay: 10:30 loud\n\n", "M\n\nPlay: 10:30 loud\n\n"},
        {"M\nSYSEX: F0 F7\n", "M\n\nSYSEX: F0 F7\n\n", "M\n\nSYSEX: F0 F7\n\n"},
        {"M\nPage: 3:00\n", "M\n\nPage: 3:00\n\n", "M\n\nPage: 3:00\n\n"},
        {"M\nPlay: loud\n", "M\n\nPlay: loud\n\n", "M\n\nPlay: loud\n\n"},
        {"M\nTempo: 120\n", "M\n\nTempo: 120\n\n", "M\n\nTempo: 120\n\n"},
        // Before, the words after the tempo were dropped.
        {"M\nTempo=120 4/4 swing\n", "M\n\nTempo=120 4/4 swing\n\n", "M\n\nTempo=120 4/4 swing\n\n"},
        {"M\nTempo 104 3/4 (half time)\n", "M\n\nTempo 104 3/4 (half time)\n\n", "M\n\nTempo 104 3/4 (half time)\n\n"},
        // Before, a "3/4" in a comment rewrote the tempo line's "4/4".
        {"M\nTempo=120 4/4\ntry 3/4 in bridge\n", "M\n\nTempo=120 4/4\n\ntry 3/4 in bridge\n\n",
         "M\n\nTempo=120 4/4\n\ntry 3/4 in bridge\n\n"},
        // Before, a value read off another line was written as a header line of its own.
        {"M\nIntro 16 bars\n", "M\n\nIntro 16 bars\n\n", "M\n\nIntro 16 bars\n\n"},
        {"M\n00:10 Message Key=G\n", "M\n\n00:10 Message Key=G\n\n", "M\n\n00:10 Message Key=G\n\n"},
        // Before, "see " was dropped and an empty title line removed.
        {"M\nsee Key=G in bridge\n", "M\n\nsee Key=G in bridge\n\n", "M\n\nsee Key=G in bridge\n\n"},
        {"M\nTitle=\n", "M\n\nTitle=\n\n", "M\n\nTitle=\n\n"},
        {"M\n  Key=G\n", "M\n\n  Key=G\n\n", "M\n\n  Key=G\n\n"},
        // A date quoted in a comment is the comment's text, not the date.
        {"M\n# old log: lastplayeddate1=1999\nLastPlayedDate1=2020-01-01\n",
         "M\n\nLastPlayedDate1=2020-01-01\n\n# old log: lastplayeddate1=1999\n\n",
         "M\n\nLastPlayedDate1=2020-01-01\n\n# old log: lastplayeddate1=1999\n\n"},
        // A cue keeps its own spelling; before, it gained a blank.
        {"M\n00:10 Message hi\n", "M\n\n00:10 Message hi\n\n", "M\n\n00:10 Message hi\n\n"},
        // Lines ended by a lone carriage return: before, the cues were written
        // again after the master line that still held them, more at each save.
        {"M\r00:10 Page 1\rTitle=x", "M\n\nTitle=x\n\n00:10 Page 1\n\n", "M\n\nTitle=x\n\n00:10 Page 1\n\n"},
    };
    for (const auto &c : cases) {
        const QString once = rewrite(QString::fromUtf8(c.note));
        EXPECT_EQ(once, QString::fromUtf8(c.once)) << c.note;
        EXPECT_EQ(rewrite(once), QString::fromUtf8(c.twice)) << c.note;
    }
}

// An edited header changes only its value; the words around it stay.
TEST(NoteForm, EditedHeadersChangeOnlyTheirValue)
{
    const struct {
        const char *note;
        const char *tempo;
        int signature;
        const char *key;
        const char *once;
    } cases[] = {
        {"M\nTempo=120 4/4 swing\n", "132", 3, nullptr, "M\n\nTempo=132 4/4 swing\n\n"},
        {"M\nTempo=120 4/4 swing\n", "132", 2, nullptr, "M\n\nTempo=132 3/4 swing\n\n"},
        {"M\nTempo=120 4/4 swing\n", "120", 0, nullptr, "M\n\nTempo=120 swing\n\n"},
        {"M\nTempo=120 swing\n", "96", 1, nullptr, "M\n\nTempo=96 2/4 swing\n\n"},
        {"M\nTempo=120 swing\n", "0", 0, nullptr, "M\n\n"},
        // A key is read only where it begins a line; before, the words after
        // it here were taken for the key and the edit replaced them.
        {"M\nsee Key=G in bridge\n", nullptr, -1, "A", "M\n\nKey=A\n\nsee Key=G in bridge\n\n"},
        {"M\n\tKey=G\n", nullptr, -1, "A", "M\n\n\tKey=A\n\n"},
    };
    for (const auto &c : cases) {
        const QString note = QString::fromUtf8(c.note);
        const piecesrules::TempoResult t = piecesrules::tempoFromNote(note);
        Fields f = read(note, t.tempo, t.signature, winId);
        if (c.tempo)
            f.tempo = QString::fromUtf8(c.tempo);
        if (c.signature >= 0)
            f.signature = c.signature;
        if (c.key)
            f.key = QString::fromUtf8(c.key);
        const QString once = rebuild(f, QString(), note, winId);
        EXPECT_EQ(once, QString::fromUtf8(c.once)) << c.note;
        EXPECT_EQ(rewrite(once), once) << c.note;
    }
}
