#include "ControllerTestSupport.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <sys/stat.h>

using namespace controllertest;

namespace {

QString readNote(const QString &folder, const QString &base)
{
    QFile f(QDir(folder).filePath(base + QStringLiteral(".txt")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QStringList titles(const PiecesList &list)
{
    QStringList out;
    for (const PiecesPtr &p : list)
        out << (p ? p->pieceDet->titre : QStringLiteral("-"));
    return out;
}

} // namespace

class ControllerMarks : public ControllerFixture {
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        Data::listePiecesLog().clear();
        Data::listePiecesFlagged().clear();
        Data::setCurrentScreensetG(1);
        Data::setFilterNoG(-1);
        Data::setFilterTypeG(0);
        Data::setFilterString(QString());
        Data::setMetroOn(false);
    }

    // Songs "A" to "D" with their artist, tempo and key in their notes.
    void startWithVariedSongs()
    {
        struct Song {
            const char *file, *title, *artist, *note;
        };
        const Song list[] = {
            {"a.chopro", "A", "Band One", "m\n\nTempo=120\nKey=C\nTags= rock \n"},
            {"b.chopro", "B", "Band Two", "m\n\nTempo=96\nKey=C#\nTags= slow \n"},
            {"c.chopro", "C", "Band One", "m\n\nTempo=120\nKey=D\nTags= rock slow \n"},
            {"d.chopro", "D", "Other", ""},
        };
        for (const Song &s : list) {
            chordProSong(songs.path(), QString::fromUtf8(s.file), QString::fromUtf8(s.title),
                         QString::fromUtf8(s.artist));
            if (*s.note)
                testsupport::writeFile(QDir(songs.path()).filePath(QString::fromUtf8(s.file).replace(
                                           QStringLiteral(".chopro"), QStringLiteral(".txt"))),
                                       QByteArray(s.note));
        }
        storeSlot(0, songs.path());
        platform::UserDefaults::standard().setInteger(QStringLiteral("dirNo"), 0);
        platform::UserDefaults::standard().setInteger(QStringLiteral("NbrExec"), 3);
        start();
        controller->masquerToc();
    }

    static void postWord(const QString &word)
    {
        platform::NotificationCenter::defaultCenter().post(vocab::ActionDisplayHideList, word);
    }

    QString writtenNote(const QString &base) const
    {
        written();
        return readNote(songs.path(), base);
    }

    QTemporaryDir songs;
};

TEST_F(ControllerMarks, ASongShownThirtySecondsIsMarkedPlayed)
{
    platform::ManualClock &clock = manualClock();
    clock.setDateTime(QDateTime(QDate(2026, 12, 7), QTime(21, 0)));
    startWithSongs(songs, 3);
    Data::setCurrentScreensetG(1);
    controller->gotoSongNo(2, false, true);
    const PiecesPtr second = Data::getPiece(2);
    clock.advance(20.0);
    controller->gotoSongNo(3, false, true);
    clock.advance(29.0);
    EXPECT_FALSE(second->pieceDet->played) << "left after 20 s";
    EXPECT_FALSE(Data::getPiece(3)->pieceDet->played) << "29 s is not enough";
    clock.advance(1.0);
    EXPECT_TRUE(Data::getPiece(3)->pieceDet->played);
    EXPECT_EQ(titles(Data::listePiecesLog()), QStringList({"Song 03"}));
    EXPECT_TRUE(writtenNote(QStringLiteral("s03")).contains(QStringLiteral("LastPlayedDate1=2026-12-07\n")));
    EXPECT_EQ(Data::getPiece(3)->pieceDet->lastPlayedDate(1), QStringLiteral("2026-12-07 "));
}

TEST_F(ControllerMarks, DatesFollowTheScreenSetAndOnlyAPlayedMark)
{
    platform::ManualClock &clock = manualClock();
    clock.setDateTime(QDateTime(QDate(2026, 12, 7), QTime(21, 0)));
    startWithSongs(songs, 2);
    controller->gotoSongNo(1, false, true);
    Data::setCurrentScreensetG(2);
    controller->markAsalreadyPlayed(true);
    clock.setDateTime(QDateTime(QDate(2026, 12, 8), QTime(21, 0)));
    // Before, un-marking wrote today's date as well.
    controller->markAsalreadyPlayed(true);
    EXPECT_FALSE(Data::getPiece(1)->pieceDet->played);
    QString note = writtenNote(QStringLiteral("s01"));
    EXPECT_TRUE(note.contains(QStringLiteral("LastPlayedDate2=2026-12-07\n"))) << qPrintable(note);
    // Before, screen set 9 never got its date.
    Data::setCurrentScreensetG(9);
    controller->markAsalreadyPlayed(false);
    note = writtenNote(QStringLiteral("s01"));
    EXPECT_TRUE(note.contains(QStringLiteral("LastPlayedDate9=2026-12-08\n"))) << qPrintable(note);
    // Screen set 0 keeps no date.
    Data::setCurrentScreensetG(0);
    controller->gotoSongNo(2, false, true);
    controller->markAsalreadyPlayed(false);
    EXPECT_TRUE(Data::getPiece(2)->pieceDet->played);
    EXPECT_TRUE(writtenNote(QStringLiteral("s02")).isEmpty());
}

TEST_F(ControllerMarks, FlagCommandsOrderTheList)
{
    startWithSongs(songs, 3);
    auto flag = [this](qint64 song) {
        controller->gotoSongNo(song, false, true);
        controller->actionMenuFlagged(0);
    };
    flag(1);
    EXPECT_EQ(titles(Data::listePiecesFlagged()), QStringList({"Song 01"}));
    flag(2);
    EXPECT_EQ(titles(Data::listePiecesFlagged()), QStringList({"Song 01", "Song 02"}));
    flag(2);
    EXPECT_EQ(titles(Data::listePiecesFlagged()), QStringList({"Song 02", "Song 01"}));
    flag(2);
    EXPECT_EQ(titles(Data::listePiecesFlagged()), QStringList({"Song 01"}));
    // Inverting the songs in view flags 2 and 3 and unflags 1.
    controller->actionMenuFlagged(3);
    EXPECT_EQ(titles(Data::listePiecesFlagged()), QStringList({"Song 02", "Song 03"}));
    controller->actionMenuFlagged(2);
    EXPECT_TRUE(Data::listePiecesFlagged().isEmpty());
    EXPECT_FALSE(Data::getPiece(2)->pieceDet->flagged);
}

TEST_F(ControllerMarks, SnapshotRecallsTellWhatTheyRestored)
{
    startWithSongs(songs, 3);
    dialogs.clear();
    controller->actionMenuItemRecall(1);
    controller->actionMenuItemRecallFlags(1);
    EXPECT_EQ(dialogs.texts(), QStringList({"No entry marked as Played.", "No entry Flagged."}));
    controller->verifierLogPlayed();
    EXPECT_FALSE(controller->recallMenu()->isEnabled());

    for (qint64 song : {3, 1}) {
        controller->gotoSongNo(song, false, true);
        controller->markAsalreadyPlayed(false);
        controller->actionMenuFlagged(0);
    }
    Data::saveLogPlayed();
    Data::saveFlags();
    controller->actionMenuItemClearAllPlayedStates();
    controller->actionMenuFlagged(2);
    EXPECT_FALSE(Data::getPiece(3)->pieceDet->played);
    dialogs.clear();

    controller->actionMenuItemRecall(1);
    controller->actionMenuItemRecallFlags(1);
    EXPECT_EQ(dialogs.texts(), QStringList({"2 entry(ies) marked as Played.", "2 entry(ies) Flagged."}));
    EXPECT_EQ(titles(Data::listePiecesLog()), QStringList({"Song 03", "Song 01"}));
    EXPECT_TRUE(Data::getPiece(1)->pieceDet->flagged);

    // Clearing wrote an empty snapshot 2: it is the newest item, snapshot 1 the next.
    controller->verifierLogPlayed();
    EXPECT_TRUE(controller->recallMenu()->isEnabled());
    const QList<QAction *> items = controller->recallMenu()->actions();
    ASSERT_EQ(items.size(), 10);
    EXPECT_TRUE(items[0]->isVisible());
    EXPECT_EQ(items[0]->data().toLongLong(), 2);
    EXPECT_EQ(items[1]->data().toLongLong(), 1);
    EXPECT_FALSE(items[2]->isVisible());
}

TEST_F(ControllerMarks, QuickFiltersToggledByDisplayHideList)
{
    startWithVariedSongs();
    controller->gotoSongNo(1, false, true); // A: Band One, tempo 120, key C
    postWord(QStringLiteral("ARTIST"));
    EXPECT_TRUE(controller->tocON());
    EXPECT_TRUE(controller->filterON());
    EXPECT_EQ(titles(Data::listePiecesTEMP2()), QStringList({"All • Band One", "A", "C"}));
    EXPECT_EQ(Data::filterChampG(), 1);
    EXPECT_EQ(Data::filterIndexG(), 1);
    EXPECT_EQ(controller->nbrSongs(), 2);
    postWord(QStringLiteral("ARTIST"));
    EXPECT_FALSE(controller->tocON());
    EXPECT_FALSE(controller->filterON());

    // Exact tempo and key: 120 only, C and not C#.
    postWord(QStringLiteral("TEMPO"));
    EXPECT_EQ(titles(Data::listePiecesTEMP2()), QStringList({"All • Tempo 120", "A", "C"}));
    postWord(QStringLiteral("KEY"));
    EXPECT_EQ(titles(Data::listePiecesTEMP2()), QStringList({"All • Key of C", "A"}));

    postWord(QStringLiteral("FLAGS"));
    EXPECT_EQ(titles(Data::listePiecesTEMP2()), QStringList({"All • Flags", "(no entry)"}));
    EXPECT_EQ(Data::listePiecesTEMP2().at(1)->pieceDet->indexInTEMP0, -2);
    EXPECT_EQ(Data::listePiecesTEMP2().at(0)->pieceDet->indexInTEMP0, -1);

    // A word of its own is a search over title, artist and tags.
    postWord(QStringLiteral("slow"));
    EXPECT_EQ(Data::filterString(), QStringLiteral("slow"));
    EXPECT_EQ(titles(Data::listePiecesTEMP2()), QStringList({"All • slow", "B", "C"}));
    postWord(QStringLiteral("slow"));
    EXPECT_FALSE(controller->tocON());
    EXPECT_TRUE(Data::filterString().isEmpty());
}

TEST_F(ControllerMarks, FilterStepsWrapThroughNoFilterAndIgnoreAHiddenList)
{
    startWithVariedSongs();
    controller->gotoSongNo(2, false, true); // B: Band Two
    controller->prevNextFilterNoG(-1, 1, 0, false);
    EXPECT_FALSE(controller->filterON()) << "ignored while the list is hidden";
    postKey(vocab::PreviousFilterEntry); // shows the list, then steps back onto the artist
    EXPECT_TRUE(controller->tocON());
    EXPECT_EQ(Data::filterNoG(), Data::tagsTemp().size() - 1);
    EXPECT_EQ(titles(Data::listePiecesTEMP2()), QStringList({"All • Band Two", "B"}));
    postKey(vocab::NextFilterEntry);
    EXPECT_EQ(Data::filterNoG(), -1);
    EXPECT_FALSE(controller->filterON());
}

TEST_F(ControllerMarks, GenresCycleAndTitleTheirMenu)
{
    startWithSongs(songs, 1);
    controller->setGenreX(5);
    EXPECT_EQ(controller->genreMenu()->title(), QStringLiteral("Genre=Recording"));
    postKey(vocab::NextGenre);
    EXPECT_EQ(Data::currentGenreG(), 6);
    EXPECT_EQ(controller->genreMenu()->title(), QStringLiteral("Genre=(MUTE)"));
    postKey(vocab::NextGenre);
    EXPECT_EQ(Data::currentGenreG(), 1);
    EXPECT_EQ(controller->userGenre(), 1);
    controller->setGenreX(0);
    EXPECT_EQ(Data::currentGenreG(), 1);
    EXPECT_TRUE(controller->genreMenu()->actions().first()->isChecked());
}

// Before, a note that could not be written opened a modal "The note could not
// be saved..." 30 s into every song, and it swallowed page turns and pedals
// until someone clicked Ok.
TEST_F(ControllerMarks, AnUnwritableNoteAtThirtySecondsOpensNoDialogAndIsToldOncePerFolderLoad)
{
    platform::ManualClock &clock = manualClock();
    clock.setDateTime(QDateTime(QDate(2026, 12, 7), QTime(21, 0)));
    folderWithSongs(songs, 4);
    // A link into a folder that is not there cannot be written, even by root.
    ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent-folder/s01.txt"),
                            QDir(songs.path()).filePath(QStringLiteral("s01.txt"))));
    const QByteArray big = QByteArray("Title=Huge\n") + QByteArray(notefile::kMaxNoteBytes, 'x');
    const QString folderNote = QDir(songs.path()).filePath(QStringLiteral("s02.txt"));
    ASSERT_TRUE(QDir().mkpath(folderNote));
    const QString fifoNote = QDir(songs.path()).filePath(QStringLiteral("s03.txt"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifoNote).constData(), 0600), 0);
    testsupport::writeFile(QDir(songs.path()).filePath(QStringLiteral("s04.txt")), big);
    storeSlot(0, songs.path());
    platform::UserDefaults::standard().setInteger(QStringLiteral("dirNo"), 0);
    platform::UserDefaults::standard().setInteger(QStringLiteral("NbrExec"), 3);
    start();
    controller->masquerToc();
    Data::setCurrentScreensetG(1);

    auto warnings = [this]() {
        written();
        QStringList out;
        for (const QString &m : window()->messages)
            if (m.contains(QStringLiteral("The note")))
                out << m;
        return out;
    };
    const struct {
        qint64 song;
        bool reload;     // the folder is loaded again first
        int messages;    // window messages about notes so far
    } rows[] = {
        {1, false, 1}, // the note cannot be created
        {2, false, 1}, // a folder where the note should be: told once per folder load
        {3, false, 1}, // a named pipe
        {4, true, 2},  // a note over 1 MB, after a reload
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.song);
        if (row.reload) {
            controller->refreshAfterRead(0, false);
            folderRead();
        }
        controller->gotoSongNo(row.song, false, true);
        clock.advance(30.0);
        EXPECT_TRUE(Data::getPiece(row.song)->pieceDet->played);
        EXPECT_TRUE(dialogs.records().isEmpty()) << qPrintable(dialogs.lastText());
        EXPECT_EQ(warnings().size(), row.messages) << qPrintable(window()->messages.join('\n'));
    }
    EXPECT_TRUE(warnings().value(0).startsWith(QStringLiteral("⚠️ The note could not be saved")));
    EXPECT_TRUE(warnings().value(1).contains(QStringLiteral("too large")));
    EXPECT_TRUE(QFileInfo(folderNote).isDir());
    EXPECT_EQ(QFileInfo(fifoNote).isFile(), false);
    QFile f(QDir(songs.path()).filePath(QStringLiteral("s04.txt")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), big);
}

// Before, a UTF-16 note was read as Windows-1252 (its keys unseen), and the
// played date then mixed UTF-8 bytes and an ASCII line into it; a CRLF note
// got a bare line feed on the line that changed.
TEST_F(ControllerMarks, APlayedDateKeepsEachNoteInItsOwnEncodingAndLineEnds)
{
    enum class Kind { Utf16LE, Utf16BE, Latin, Utf8, Utf8Mark, Binary };
    // Read back independently of the program's own decoder.
    auto encodeAs = [](Kind kind, const QString &text) -> QByteArray {
        switch (kind) {
        case Kind::Utf16LE: return QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(text);
        case Kind::Utf16BE: return QStringEncoder(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom)(text);
        case Kind::Latin: return text.toLatin1();
        case Kind::Utf8: return text.toUtf8();
        default: return "\xEF\xBB\xBF" + text.toUtf8();
        }
    };
    auto decodeAs = [](Kind kind, const QByteArray &bytes) -> QString {
        switch (kind) {
        case Kind::Utf16LE: return bytes.startsWith("\xFF\xFE") ? QStringDecoder(QStringConverter::Utf16LE)(bytes.mid(2)) : QString();
        case Kind::Utf16BE: return bytes.startsWith("\xFE\xFF") ? QStringDecoder(QStringConverter::Utf16BE)(bytes.mid(2)) : QString();
        case Kind::Latin: return QString::fromLatin1(bytes);
        case Kind::Utf8: return QString::fromUtf8(bytes);
        default: return bytes.startsWith("\xEF\xBB\xBF") ? QString::fromUtf8(bytes.mid(3)) : QString();
        }
    };
    const QString note = QString::fromUtf8("m\n\nTitle=Café\n");
    const QString noteCrlf = QString(note).replace("\n", "\r\n");
    const QByteArray binary("m\n\nTitle=Caf\0\xE9\n", 15);
    const struct {
        const char *what;
        Kind kind;
        bool crlf;
    } rows[] = {
        {"UTF-16 LE", Kind::Utf16LE, false},
        {"UTF-16 BE CRLF", Kind::Utf16BE, true},
        {"Windows-1252", Kind::Latin, false},
        {"UTF-8 CRLF", Kind::Utf8, true},
        {"UTF-8 with its mark", Kind::Utf8Mark, false},
        {"binary", Kind::Binary, false},
    };
    const int count = int(std::size(rows));
    folderWithSongs(songs, count);
    auto notePath = [this](int i) {
        return QDir(songs.path()).filePath(QStringLiteral("s%1.txt").arg(i + 1, 2, 10, QLatin1Char('0')));
    };
    for (int i = 0; i < count; ++i)
        testsupport::writeFile(notePath(i), rows[i].kind == Kind::Binary
                                                ? binary
                                                : encodeAs(rows[i].kind, rows[i].crlf ? noteCrlf : note));
    manualClock().setDateTime(QDateTime(QDate(2026, 12, 7), QTime(21, 0)));
    storeSlot(0, songs.path());
    platform::UserDefaults::standard().setInteger(QStringLiteral("dirNo"), 0);
    start();
    controller->masquerToc();
    Data::setCurrentScreensetG(1);
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(rows[i].what);
        const bool text = rows[i].kind != Kind::Binary;
        const QString song = QStringLiteral("s%1.chopro").arg(i + 1, 2, 10, QLatin1Char('0'));
        qint64 songNo = 0;
        for (qint64 k = 1; k <= Data::songNbrG() && songNo == 0; ++k)
            if (Data::getPiece(k)->pieceDet->fichier.endsWith(song))
                songNo = k;
        ASSERT_GT(songNo, 0);
        EXPECT_EQ(Data::getPiece(songNo)->pieceDet->titre == QString::fromUtf8("Café"), text);
        controller->gotoSongNo(songNo, false, true);
        controller->markAsalreadyPlayed(false);
        written();
        QFile f(notePath(i));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        if (!text) {
            EXPECT_EQ(bytes, binary);
            continue;
        }
        const QString back = decodeAs(rows[i].kind, bytes);
        EXPECT_EQ(encodeAs(rows[i].kind, back), bytes) << "one encoding throughout";
        EXPECT_TRUE(back.contains(QString::fromUtf8("Title=Café"))) << qPrintable(back);
        EXPECT_TRUE(back.contains(QStringLiteral("LastPlayedDate1=2026-12-07"))) << qPrintable(back);
        const qsizetype lineFeeds = back.count(QLatin1Char('\n'));
        EXPECT_EQ(back.count(QStringLiteral("\r\n")), rows[i].crlf ? lineFeeds : 0) << "the note's own line ends";
    }
    EXPECT_TRUE(dialogs.records().isEmpty());
}
