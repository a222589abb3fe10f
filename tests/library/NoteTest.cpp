#include "LibraryTestSupport.h"

#include "library/KeptNotes.h"
#include "library/NoteWriter.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/KeptAtQuit.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "platform/dialogs/ScriptedDialogs.h"

#include <QFile>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace librarytest;

namespace {
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The program's own note writes, each waited for; a save answers why it was not written ("" once it was).
struct Writes {
    NoteWriter writer;
    QString save(const PiecesPtr &piece)
    {
        QString failure = QStringLiteral("no answer");
        writer.save(piece, &writer, [&failure](const QString &why) { failure = why; });
        writer.waitForIdle();
        return failure;
    }
    Pieces::NoteEditResult edit(const PiecesPtr &piece, const std::function<QString(const QString &)> &change)
    {
        Pieces::NoteEditResult result{false, false, false, QStringLiteral("no answer")};
        writer.edit(piece, change, &writer, [&result](const Pieces::NoteEditResult &r) { result = r; });
        writer.waitForIdle();
        return result;
    }
};
} // namespace

// ---- Titles and artists from the note, the file name and the ChordPro directives ----

TEST(NoteHeader, TitleAndArtistFromFileName)
{
    QTemporaryDir dir;
    struct Case {
        const char *file;
        const char *title;
        const char *artist;
        const char *info;
    } cases[] = {
        {"Artist - Title (Live).pdf", "Artist - Title", "Live", ""},
        {"(Band) Song.pdf", "Song", "Band", ""},
        {"Song (Band) 1999.pdf", "Song", "Band", " 1999"},
        {"Plain.pdf", "Plain", "(nil)", ""},
        {")odd(.pdf", ")odd(", "(nil)", ""},
        {"word.dummy", "word", "(nil)", ""},
    };
    for (const Case &c : cases) {
        const PiecesPtr e = entryFor(song(dir, QString::fromUtf8(c.file)));
        ASSERT_TRUE(e) << c.file;
        EXPECT_EQ(e->pieceDet->titre, QString::fromUtf8(c.title)) << c.file;
        EXPECT_EQ(e->pieceDet->auteur, QString::fromUtf8(c.artist)) << c.file;
        // Windows showed the stored "(nil)" as the artist of every song without one.
        EXPECT_EQ(e->pieceDet->artistShown(), QString::fromUtf8(c.artist).remove(QStringLiteral("(nil)"))) << c.file;
        EXPECT_EQ(e->pieceDet->obtenirInfoFromFilename(), QString::fromUtf8(c.info)) << c.file;
        EXPECT_FALSE(e->pieceDet->note);
    }
}

TEST(NoteHeader, NoteKeysWinAndAreFoundOnAnyLineInAnyCase)
{
    QTemporaryDir dir;
    const QString path = song(dir, "Song (Band).pdf",
                              "Master line\n\ntitle=  My Song \t\nArtist= The Band\nkey=Am\nTags=rock pop\n"
                              "LastPlayedDate3=2026-01-02\nLastPlayedDate9=2026-05-06\n");
    const PiecesPtr e = entryFor(path);
    const PiecesDet &d = *e->pieceDet;
    EXPECT_TRUE(d.note);
    EXPECT_EQ(d.titre, "My Song");
    EXPECT_EQ(d.auteur, " The Band"); // the artist is kept untrimmed
    EXPECT_EQ(d.cle, " Am ");
    EXPECT_EQ(d.infoF, " rock pop ");
    EXPECT_EQ(d.lastPlayedDate3, "2026-01-02 ");
    EXPECT_EQ(d.lastPlayedDate9, "2026-05-06 ");
    EXPECT_EQ(d.lastPlayedDate1, "");
}

TEST(NoteHeader, BlankTitleFallsBackAndOnlyALineStartGivesAKey)
{
    QTemporaryDir dir;
    EXPECT_EQ(entryFor(song(dir, "A (B).pdf", "Title=   \n"))->pieceDet->titre, "A");
    // Before, the first hit anywhere counted: a longer key ending in "Title="
    // gave the title, and a comment quoting a date gave the date.
    const PiecesPtr e = entryFor(song(dir, "C.pdf", "Subtitle=Sub\n# log: lastplayeddate1=1999-09-09\nTitle=Real\n"
                                                    "LastPlayedDate1=2020-01-01\r\nmonkey=x\nkey=Am"));
    EXPECT_EQ(e->pieceDet->titre, "Real");
    EXPECT_EQ(e->pieceDet->lastPlayedDate1, "2020-01-01 ");
    EXPECT_EQ(e->pieceDet->cle, " Am ");
    EXPECT_EQ(entryFor(song(dir, "D.pdf", "m\n  Title=Indented\n"))->pieceDet->titre, "Indented");
}

TEST(NoteHeader, KeyOnTheLastLineWithoutLineFeedIsRead)
{
    // Before: a "Tags=" line closing the note without a line feed gave no tags.
    QTemporaryDir dir;
    const PiecesPtr e = entryFor(song(dir, "S.pdf", "Note\nTitle=T\nTags=rock"));
    const PiecesDet &d = *e->pieceDet;
    EXPECT_EQ(d.infoF, " rock ");
    EXPECT_EQ(d.titre, "T");
}

TEST(NoteHeader, ChordProDirectivesFillWhatTheNoteLeavesOut)
{
    QTemporaryDir dir;
    // Empty parentheses give the title Song and no artist, so the directives are read.
    const QString a = song(dir, "Song().chopro", QByteArray(), "{t: Directive Title }\n[C]la\n");
    EXPECT_EQ(entryFor(a)->pieceDet->titre, "Directive Title");
    EXPECT_EQ(entryFor(a)->pieceDet->auteur, "(nil)");

    const QString b = song(dir, "b.cho", "Artist=Note Artist\n", "{TITLE:Sous le ciel}\n{subtitle: Other}\n");
    EXPECT_EQ(entryFor(b)->pieceDet->titre, "Sous le ciel");
    EXPECT_EQ(entryFor(b)->pieceDet->auteur, "Note Artist");

    // Windows-1252 song text with accents.
    const QString c = song(dir, "c.cho", QByteArray(), "{title: Caf\xE9 \x96 d\xE9j\xE0}\n{st:Ren\xE9}\n");
    EXPECT_EQ(entryFor(c)->pieceDet->titre, QString::fromUtf8("Café – déjà"));
    EXPECT_EQ(entryFor(c)->pieceDet->auteur, QString::fromUtf8("René"));

    // An artist taken from the file name stops the directives being read.
    const QString d = song(dir, "d (Band).cho", QByteArray(), "{title: Ignored}\n");
    EXPECT_EQ(entryFor(d)->pieceDet->titre, "d");
}

TEST(NoteHeader, Windows1252NoteIsReadAndNotRewrittenWhenUnchanged)
{
    QTemporaryDir dir;
    const QByteArray bytes("Title=Ca\xE7\x61 va\nTags=fran\xE7\x61is\n");
    const QString path = song(dir, "S.pdf", bytes);
    const PiecesPtr e = entryFor(path);
    EXPECT_EQ(e->pieceDet->titre, QString::fromUtf8("Caça va"));
    EXPECT_EQ(Writes().save(e), "");
    EXPECT_EQ(readAll(notefile::notePathForSong(path)), bytes);
}

TEST(NoteHeader, ObtenirChaineMatchesDirectiveInAnyCaseUntrimmed)
{
    EXPECT_EQ(PiecesDet::obtenirChaine("{Title: x }", "{title:").value(), " x ");
    EXPECT_FALSE(PiecesDet::obtenirChaine("{title: no brace", "{title:").has_value());
    EXPECT_FALSE(PiecesDet::obtenirChaine("nothing", "{t:").has_value());
}

// ---- Tempo -------------------------------------------------------------------------

TEST(NoteTempo, TableOfNotes)
{
    struct Case {
        const char *note;
        qint32 tempo;
        qint32 signature;
        bool keep;
    } cases[] = {
        {"Tempo=120 4/4\n", 120, 4, false},
        {"Tempo=1 23\n", 23, 0, false},
        {"Tempo=1234\n", 123, 0, false},
        {"Intro 16 bars", 16, 0, false},
        {"3/4 and 2/4", 0, 2, false},
        {"0:10 Message @Lead hi\n", 0, 0, true},
        {"LastPlayedDate1=2026-01-01\n", 0, 0, true},
        {"Tempo= 9\n", 0, 0, false},
        {"tempo=96 3/4\nLastPlayedDate1=2026-01-01", 96, 3, false},
        {"", 0, 0, false},
    };
    for (const Case &c : cases) {
        const auto r = piecesrules::tempoFromNote(QString::fromUtf8(c.note));
        EXPECT_EQ(r.tempo, c.tempo) << c.note;
        EXPECT_EQ(r.signature, c.signature) << c.note;
        EXPECT_EQ(r.keepStoredTempo, c.keep) << c.note;
    }
}

TEST(NoteTempo, StoredTempoIsKeptWhenTheNoteCannotSay)
{
    QTemporaryDir dir;
    const PiecesPtr e = entryFor(song(dir, "S.pdf", "Play @Lead\n"));
    e->pieceDet->tempo = 88;
    EXPECT_EQ(e->tempo(), 0);
    EXPECT_EQ(e->pieceDet->tempo, 88);
    EXPECT_TRUE(e->pieceDet->tempoOk);
    e->pieceDet->notetxt = "Tempo=72 2/4\n";
    EXPECT_EQ(e->tempoTxt(), "72");
    EXPECT_EQ(e->pieceDet->signature, 2);
}

// ---- Last-played dates --------------------------------------------------------------

TEST(NoteDates, ScreenSetDatesAndTheLatestForOtherSets)
{
    Pieces e;
    e.pieceDet = std::make_shared<PiecesDet>();
    e.pieceDet->lastPlayedDate2 = "2026-01-02 ";
    e.pieceDet->lastPlayedDate5 = "2026-03-01 ";
    EXPECT_EQ(e.lastPlayedDateFor(8, true), "0000/00/00");
    EXPECT_EQ(e.lastPlayedDateFor(8, false), "");
    EXPECT_EQ(e.lastPlayedDateFor(2, true), "2026-01-02 ");
    EXPECT_EQ(e.lastPlayedDateFor(0, true), "2026-03-01 ");
    // Before: screen set 9 answered the latest date of sets 1-8, and its own date was ignored.
    EXPECT_EQ(e.lastPlayedDateFor(9, true), "0000/00/00");
    e.pieceDet->lastPlayedDate9 = "2026-12-07 ";
    EXPECT_EQ(e.lastPlayedDateFor(9, false), "2026-12-07 ");
    EXPECT_EQ(e.lastPlayedDateFor(0, false), "2026-12-07 ");
}

// ---- The note line a window shows ----------------------------------------------------

TEST(NoteLine, LineForWindowIdentifier)
{
    // Before: a message or timed event naming the identifier ahead of its line hid the line for good.
    // Before: a message event written "Message Lead:hi" (one blank) was taken as the window's line.
    const QString note = "Master note\n\n0:10 Message Lead:not this\nMessage: Lead: nor this\n"
                         "1:23 Lead: nor this\nLead: capo 2\nDrum:\n";
    EXPECT_EQ(piecesrules::notetxtForDir(note, "Lead", 1, 0), "Lead: capo 2");
    EXPECT_EQ(piecesrules::notetxtForDir(note, "lead", 1, 1), "Lead: capo 2");
    EXPECT_EQ(piecesrules::notetxtForDir(note, "Drum", 1, 0), "");  // only the identifier and ":"
    EXPECT_EQ(piecesrules::notetxtForDir(note, "Keys", 1, 0), "Master note");
    EXPECT_EQ(piecesrules::notetxtForDir(note, "Keys", 1, 1), "");
    EXPECT_EQ(piecesrules::notetxtForDir(note, "", 0, 0), "Master note");
    EXPECT_EQ(piecesrules::notetxtForDir("\nTitle=x\n", "", 0, 0), "");
    EXPECT_EQ(piecesrules::notetxtForDir("Only line", "", 0, 0), "Only line");
}

// ---- Tags on disk ----------------------------------------------------------------------

TEST(NoteTags, AddRemoveAndClearOnDisk)
{
    QTemporaryDir dir;
    const QString path = song(dir, "S.pdf", "Master\nTags=\nEnd\n");
    const QString notePath = notefile::notePathForSong(path);
    const PiecesPtr e = entryFor(path);
    Writes writes;

    writes.edit(e, Pieces::tagChange(Pieces::TagEdit::Add, "rock"));
    EXPECT_EQ(readAll(notePath), "Master\nTags=rock\nEnd\n");
    writes.edit(e, Pieces::tagChange(Pieces::TagEdit::Add, "pop"));
    writes.edit(e, Pieces::tagChange(Pieces::TagEdit::Add, "jazz"));
    EXPECT_EQ(readAll(notePath), "Master\nTags=rock pop jazz\nEnd\n");
    EXPECT_EQ(e->pieceDet->infoF, " rock pop jazz ");

    // Before: removal worked from the stale infoF, so the second removal brought "rock" back.
    writes.edit(e, Pieces::tagChange(Pieces::TagEdit::Remove, "rock"));
    writes.edit(e, Pieces::tagChange(Pieces::TagEdit::Remove, "pop"));
    EXPECT_EQ(readAll(notePath), "Master\nTags=jazz\nEnd\n");
    writes.edit(e, Pieces::tagChange(Pieces::TagEdit::Remove, "jazz"));
    EXPECT_EQ(readAll(notePath), "Master\nEnd\n");
}

TEST(NoteTags, AddToANoteWithoutTagsLineAndToNoNote)
{
    QTemporaryDir dir;
    const QString path = song(dir, "S.pdf");
    const PiecesPtr e = entryFor(path);
    Writes writes;
    writes.edit(e, Pieces::tagChange(Pieces::TagEdit::Add, "⭐️"));
    EXPECT_EQ(QString::fromUtf8(readAll(notefile::notePathForSong(path))), QString::fromUtf8("\nTags=⭐️\n"));
    EXPECT_TRUE(e->pieceDet->note);
    writes.edit(e, Pieces::tagChange(Pieces::TagEdit::Clear));
    EXPECT_EQ(readAll(notefile::notePathForSong(path)), "\n");
    EXPECT_EQ(piecesrules::addTag("a\nTags=x", "y"), "a\nTags=x y");
    // Before, a missing "Tags=" line came with a blank line before it.
    EXPECT_EQ(piecesrules::addTag("a\nb\n", "y"), "a\nb\nTags=y\n");
    EXPECT_EQ(piecesrules::addTag("a\r\nb\r\n", "y"), "a\r\nb\r\nTags=y\r\n");
    EXPECT_EQ(piecesrules::addTag("a\nb", "y"), "a\nb\nTags=y");
    // Before: on a note with Windows line ends the tag went after the "\r", out of reach of the tag search.
    EXPECT_EQ(piecesrules::addTag("a\r\nTags=x\r\nb\r\n", "y"), "a\r\nTags=x y\r\nb\r\n");
    EXPECT_EQ(piecesrules::removeTag("Tags=x y\r\n", "x"), "Tags=y\r\n");
    EXPECT_EQ(piecesrules::clearTags("a\r\nTags=x\r\nb"), "a\r\nb");
}

// ---- Writes nobody asked for ------------------------------------------------------------------

// Before, the key was found anywhere in any case: the date replaced a
// comment's text from the key on, and the real line kept its old date; and a
// note of mixed line ends came back with CRLF everywhere.
TEST(NoteKeys, AWrittenValueChangesOnlyItsKeyLineAndItsLineEnds)
{
    const QString key = QStringLiteral("LASTPLAYEDDATE1=");
    const struct {
        const char *what;
        const char *before;
        const char *after;
    } rows[] = {
        {"key quoted in a comment", "m\n# old paper log: lastplayeddate1=1999-09-09 (keep this)\nLastPlayedDate1=2020-01-01\n",
         "m\n# old paper log: lastplayeddate1=1999-09-09 (keep this)\nLastPlayedDate1=2026-12-07\n"},
        {"key only in a comment", "m\nsee lastplayeddate1=1999\n", "m\nsee lastplayeddate1=1999\nLastPlayedDate1=2026-12-07\n"},
        {"key in another case", "m\nlastPlayedDATE1= 2020\n", "m\nlastPlayedDATE1=2026-12-07\n"},
        // A hand-edited note may indent its keys: still the key line.
        {"key indented", "m\n\t LastPlayedDate1=2020\n", "m\n\t LastPlayedDate1=2026-12-07\n"},
        {"mixed line ends, the key line CRLF", "m\nLastPlayedDate1=2020\r\nx\n", "m\nLastPlayedDate1=2026-12-07\r\nx\n"},
        {"mixed line ends, a line added as the first line ends", "m\r\nx\ny\r\n",
         "m\r\nx\ny\r\nLastPlayedDate1=2026-12-07\r\n"},
        {"mixed, no final line end", "m\nx\r\ny", "m\nx\r\ny\nLastPlayedDate1=2026-12-07"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const QString after = notefile::withKeyValue(QString::fromUtf8(row.before), key,
                                                     QStringLiteral("LastPlayedDate1="), QStringLiteral("2026-12-07"));
        EXPECT_EQ(after, QString::fromUtf8(row.after));
        EXPECT_EQ(notefile::keyValue(after, key), QStringLiteral("2026-12-07"));
    }
    // The tags line is found the same way.
    EXPECT_EQ(piecesrules::addTag("m\n# was Tags=old\nTags=a\n", "b"), "m\n# was Tags=old\nTags=a b\n");
    EXPECT_EQ(piecesrules::clearTags("m\n  Tags=a\nx\n"), "m\nx\n");
}

// A note edited elsewhere after the scan read it: the date is written into
// the note as it is on disk now, with its bytes and line ends kept.
TEST(NoteEditOnDisk, ReadsTheNoteAtTheMomentOfWriting)
{
    QTemporaryDir dir;
    const QString path = song(dir, "S.pdf", "Master\r\nKey=G\r\n");
    const QString notePath = notefile::notePathForSong(path);
    const PiecesPtr e = entryFor(path);
    testsupport::writeFile(notePath, "Master\r\nKey=G\r\nadded elsewhere\n");
    auto date = [](const QString &note) {
        return notefile::withKeyValue(note, QStringLiteral("LASTPLAYEDDATE1="), QStringLiteral("LastPlayedDate1="),
                                      QStringLiteral("2026-12-07"));
    };
    Writes writes;
    Pieces::NoteEditResult r = writes.edit(e, date);
    EXPECT_TRUE(r.written && r.changedElsewhere && r.failure.isEmpty());
    EXPECT_EQ(readAll(notePath), "Master\r\nKey=G\r\nadded elsewhere\nLastPlayedDate1=2026-12-07\r\n");
    EXPECT_EQ(e->pieceDet->notetxt, "Master\nKey=G\nadded elsewhere\nLastPlayedDate1=2026-12-07\n");
    EXPECT_EQ(e->pieceDet->lastPlayedDate1, "2026-12-07 ");

    // Nothing new: nothing written.
    r = writes.edit(e, date);
    EXPECT_FALSE(r.written || r.changedElsewhere);
    EXPECT_EQ(r.failure, "");
    // A window's save afterwards keeps what was read; it changes no other line.
    e->pieceDet->notetxt += "typed here\n";
    EXPECT_EQ(writes.save(e), "");
    EXPECT_EQ(QDir(dir.path()).entryList({"*.txt"}), QStringList{"S.txt"});
}

// Before, the performer's save wrote the note read at the song change over
// whatever another program had saved since, without a word.
TEST(NoteSave, ANoteChangedElsewhereKeepsBothVersions)
{
    platform::ScriptedDialogs dialogs;
    platform::ManualClock clock;
    clock.setDateTime(QDateTime(QDate(2026, 12, 7), QTime(21, 5)));
    QStringList notices;
    const auto observer = platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionNotice, [&notices](const platform::Notification &n) { notices << n.stringParam(); });
    QTemporaryDir dir;
    const QString path = song(dir, "S.pdf", "Master\n");
    const QString notePath = notefile::notePathForSong(path);
    const QString kept = dir.filePath("S (changed elsewhere 2026-12-07 21.05).txt");
    testsupport::writeFile(kept, "an older copy"); // a name already taken is never replaced
    const PiecesPtr e = entryFor(path);

    testsupport::writeFile(notePath, "Master\r\nfrom the other program\r\n");
    e->pieceDet->notetxt = "Master\ntyped here\n";
    Writes writes;
    EXPECT_EQ(writes.save(e), "");
    EXPECT_EQ(readAll(notePath), "Master\r\ntyped here\r\n") << "in the line ends the file has now";
    EXPECT_EQ(readAll(kept), "an older copy");
    const QString second = dir.filePath("S (changed elsewhere 2026-12-07 21.05 2).txt");
    EXPECT_EQ(readAll(second), "Master\r\nfrom the other program\r\n");
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains("\"S (changed elsewhere 2026-12-07 21.05 2).txt\"")) << notices[0].toStdString();
    EXPECT_TRUE(dialogs.records().isEmpty());

    // The next save finds the note as it wrote it: no third copy.
    e->pieceDet->notetxt = "Master\n";
    EXPECT_EQ(writes.save(e), "");
    EXPECT_EQ(notices.size(), 1);
    EXPECT_EQ(QDir(dir.path()).entryList({"*.txt"}).size(), 3);
    platform::NotificationCenter::defaultCenter().removeObserver(observer);
}

// ---- Saving ---------------------------------------------------------------------------------

TEST(NoteSave, WritesDeletesAndLeavesUnchangedFilesAlone)
{
    QTemporaryDir dir;
    const QString path = song(dir, "S.pdf");
    const QString notePath = notefile::notePathForSong(path);
    const PiecesPtr e = entryFor(path);
    Writes writes;
    EXPECT_EQ(writes.save(e), ""); // nothing to write
    EXPECT_FALSE(QFile::exists(notePath));
    e->pieceDet->notetxt = QString::fromUtf8("Title=Été\n");
    EXPECT_EQ(writes.save(e), "");
    EXPECT_EQ(readAll(notePath), "Title=\xC3\x89t\xC3\xA9\n");
    e->pieceDet->notetxt.clear();
    EXPECT_EQ(writes.save(e), "");
    EXPECT_FALSE(QFile::exists(notePath));
}

TEST(NoteSave, FailedWriteIsReportedAndTheEditStaysInMemory)
{
    // Before: write errors were ignored and the save counted as done.
    platform::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    const QString path = song(dir, "sub/S.pdf");
    const PiecesPtr e = entryFor(path);
    // The song's folder went away (an unplugged drive): the note cannot be written.
    QDir(dir.filePath("sub")).removeRecursively();
    e->pieceDet->notetxt = "Title=New\n";
    EXPECT_TRUE(Writes().save(e).startsWith("The note could not be saved to"));
    EXPECT_TRUE(dialogs.records().isEmpty()) << "a notice, not a dialog on stage";
    EXPECT_EQ(e->pieceDet->notetxt, "Title=New\n");
}

TEST(NoteSave, UnreadableNoteIsNeverOverwrittenOrDeleted)
{
    // Before: an unreadable note read as empty, and the next save deleted or replaced it.
    platform::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    const QString path = song(dir, "S.pdf", "Title=Precious\n");
    const QString notePath = notefile::notePathForSong(path);
    const bool root = geteuid() == 0;
    if (root) {
        // Permissions do not bind root: a folder in the note's place cannot be read either.
        QFile::remove(notePath);
        testsupport::writeFile(notePath + "/keep", "Title=Precious\n");
    } else {
        QFile::setPermissions(notePath, QFileDevice::WriteOwner);
    }
    const PiecesPtr e = entryFor(path);
    EXPECT_TRUE(e->pieceDet->noteUnreadable);
    EXPECT_EQ(e->pieceDet->notetxt, "");
    Writes writes;
    EXPECT_TRUE(writes.save(e).contains("could not be read"));
    EXPECT_TRUE(writes.edit(e, Pieces::tagChange(Pieces::TagEdit::Add, "rock")).failure.contains("could not be read"));
    if (root) {
        EXPECT_EQ(readAll(notePath + "/keep"), "Title=Precious\n");
    } else {
        QFile::setPermissions(notePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        EXPECT_EQ(readAll(notePath), "Title=Precious\n");
    }
    // Once the unreadable file is gone, a new note can be saved again.
    QDir(notePath).removeRecursively();
    QFile::remove(notePath);
    e->pieceDet->notetxt = "Title=New\n";
    EXPECT_EQ(writes.save(e), "");
    EXPECT_EQ(readAll(notePath), "Title=New\n");
}

TEST(NoteFormat, EditedNotesAreWrittenInTheirOwnEncodingAndLineEnds)
{
    using textcodec::Encoding;
    const struct {
        const char *what;
        QByteArray stored;
        QString edited; // the text as the program holds it after an edit
        QByteArray written;
        Encoding writtenAs;
    } rows[] = {
        {"CRLF keeps CRLF on a new line", "a\r\nb\r\n", "a\nb\nc\n", "a\r\nb\r\nc\r\n", Encoding::Utf8},
        {"LF stays LF", "a\nb\n", "a\nb\nc\n", "a\nb\nc\n", Encoding::Utf8},
        {"Windows-1252 while every character fits", "Caf\xE9\n", QString::fromUtf8("Café\n€\n"), "Caf\xE9\n\x80\n",
         Encoding::Windows1252},
        {"Windows-1252 that gained a note sign becomes UTF-8", "Caf\xE9\n", QString::fromUtf8("Café ♫\n"),
         "Caf\xC3\xA9 \xE2\x99\xAB\n", Encoding::Utf8},
        {"UTF-16 LE CRLF", QByteArray("\xFF\xFE" "a\0\r\0\n\0", 8), "ab\n",
         QByteArray("\xFF\xFE" "a\0b\0\r\0\n\0", 10), Encoding::Utf16LE},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        notefile::Format format;
        const QString text = notefile::decode(row.stored, &format);
        EXPECT_FALSE(text.contains(QLatin1Char('\r')));
        notefile::Format written;
        EXPECT_EQ(notefile::encode(row.edited, format, &written), std::optional<QByteArray>(row.written));
        EXPECT_EQ(written.encoding, row.writtenAs);
        EXPECT_EQ(written.crlf, format.crlf);
    }
}

// Before, a note of any size was read whole and parsed; and a named pipe
// or a device in a note's place blocked the window or filled the memory.
TEST(NoteFormat, OverLongBinaryAndSpecialNotesAreShownAtMostAndNeverWritten)
{
    platform::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    const QByteArray big = "Title=Huge\nTempo=120\n" + QByteArray(notefile::kMaxNoteBytes, 'x');
    const QByteArray binary("Title=Bin\0ary\n", 14);
    const QString bigSong = song(dir, "big.pdf", big);
    const QString binarySong = song(dir, "bin.pdf", binary);
    const QString pipeSong = song(dir, "pipe.pdf");
    ASSERT_EQ(mkfifo(QFile::encodeName(notefile::notePathForSong(pipeSong)).constData(), 0600), 0);
    const QString zeroSong = song(dir, "zero.pdf");
    ASSERT_TRUE(QFile::link("/dev/zero", notefile::notePathForSong(zeroSong)));

    const struct {
        QString path;
        bool shown;         // some of the note is shown
        const char *reason; // why a save is refused
    } rows[] = {
        {bigSong, true, "too large"},
        {binarySong, false, "could not be read"},
        {pipeSong, false, "could not be read"},
        {zeroSong, false, "could not be read"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        const PiecesPtr e = entryFor(row.path);
        const PiecesDet &d = *e->pieceDet;
        EXPECT_EQ(d.note, row.shown);
        EXPECT_LE(d.notetxt.size(), notefile::kMaxNoteBytes);
        EXPECT_NE(d.titre, "Huge") << "keys of an over-long note are not read";
        EXPECT_EQ(e->tempo(), 0);
        e->pieceDet->notetxt = "Title=New\n";
        const QString failure = Writes().save(e);
        EXPECT_TRUE(failure.contains(QString::fromUtf8(row.reason))) << failure.toStdString();
    }
    EXPECT_TRUE(dialogs.records().isEmpty());
    EXPECT_EQ(readAll(notefile::notePathForSong(bigSong)), big);
    EXPECT_EQ(readAll(notefile::notePathForSong(binarySong)), binary);
    EXPECT_FALSE(QFileInfo(notefile::notePathForSong(pipeSong)).isFile());
}

TEST(NoteTempo, BeatsPerBarOfEachSignature)
{
    const int beats[] = {4, 0, 2, 3, 4, 0, 0, 0};
    for (int s = 0; s <= 7; ++s)
        EXPECT_EQ(beatsPerBar(s), beats[s]) << s;
    EXPECT_EQ(beatsPerBar(-1), 0);
}

// Before, another program's text kept aside during a quit was said at the next start as an edit not saved.
TEST(KeptNotes, AnotherProgramsTextKeptAtAQuitIsSaidAsSuch)
{
    platform::setQuitting(true);
    const QString kept = keptnotes::keepSongChangedElsewhere(QStringLiteral("Oak"), QStringLiteral("theirs"));
    platform::setQuitting(false);
    EXPECT_TRUE(platform::kept::takeNotice().contains(
        QStringLiteral("A song changed elsewhere was saved over when Tolvane last quit: the other text is kept as %1.")
            .arg(platform::kept::named(kept))));
}
