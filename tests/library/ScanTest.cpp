#include "LibraryTestSupport.h"

#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "platform/dialogs/ScriptedDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace librarytest;

namespace {

class Scan : public ::testing::Test {
protected:
    void SetUp() override { resetLibrary(); }
    void TearDown() override { resetLibrary(); }

    QStringList fileNames(const PiecesList &list, int tab = 0) const
    {
        QStringList out;
        for (const PiecesPtr &p : list) {
            if (p->ongNo == tab)
                out << QDir(dir.path()).relativeFilePath(p->pieceDet->fichier);
        }
        return out;
    }
    // The controller's load: tab starts cleared, then the scan.
    bool scan()
    {
        for (int n = 0; n < Data::kTabs; ++n) {
            Data::setIndexInTitleArrayG(n, -1);
            Data::setIndexInAuthorArrayG(n, -1);
        }
        return Data::chargerFichiers(dir.path(), true);
    }
    TabDetPtr tab(int n) { return Data::tabs()[n]; }

    testsupport::FreshDefaults defaults;
    QTemporaryDir dir;
};

} // namespace

TEST_F(Scan, TakesSongFilesOfAllSubfoldersAndSkipsTheRest)
{
    song(dir, "b.pdf");
    song(dir, "sub/deeper/a.chopro");
    song(dir, "x.pro");         // extensions are tested as substrings of the list
    song(dir, "y.t");
    song(dir, ".hidden.pdf");   // hidden files are visited
    song(dir, "notes.txt");
    song(dir, "noext");
    song(dir, "b---Lead.pdf");  // alternate version
    song(dir, "temp/export.pdf");
    song(dir, "sub/temp/export2.pdf");
    ASSERT_TRUE(scan());
    EXPECT_EQ(fileNames(Data::listePiecesTEMP1()),
              (QStringList{".hidden.pdf", "b.pdf", "sub/deeper/a.chopro", "x.pro", "y.t"}));
    EXPECT_EQ(Data::songNbrG(), 5);
    EXPECT_EQ(Data::dirX(), dir.path());
}

TEST_F(Scan, LinksToFoldersAreNotFollowed)
{
    song(dir, "sub/a.pdf");
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath("sub/loop")));
    ASSERT_TRUE(QFile::link(dir.filePath("sub/a.pdf"), dir.filePath("b.pdf")));
    ASSERT_TRUE(scan());
    EXPECT_EQ(fileNames(Data::listePiecesTEMP1()), (QStringList{"b.pdf", "sub/a.pdf"}));
}

TEST_F(Scan, LibraryBelowFoldersNamedTemplateOrTempoWorks)
{
    // Before: every path containing "/temp" was skipped, so a library in "template" was empty.
    QTemporaryDir base;
    const QString root = base.filePath("template/tempo");
    testsupport::writeFile(root + "/song.pdf", "x");
    testsupport::writeFile(root + "/tempest/storm.pdf", "x");
    testsupport::writeFile(root + "/temp/skip.pdf", "x");
    ASSERT_TRUE(Data::chargerFichiers(root, true));
    EXPECT_EQ(Data::listePiecesTEMP1().size(), 2);
}

TEST_F(Scan, TakesTheFirstFiftyFilesInPathOrder)
{
    for (int i = 0; i < 60; ++i)
        song(dir, QStringLiteral("f%1.pdf").arg(i, 2, 10, QLatin1Char('0')));
    song(dir, "A/first.pdf"); // "A/" sorts before "f.."
    ASSERT_TRUE(scan());
    const QStringList names = fileNames(Data::listePiecesTEMP1());
    ASSERT_EQ(names.size(), 50);
    EXPECT_TRUE(names.contains("A/first.pdf"));
    EXPECT_TRUE(names.contains("f48.pdf"));
    EXPECT_FALSE(names.contains("f49.pdf")); // the 51st accepted file
}

TEST_F(Scan, EmptyFolderKeepsThePreviousListsAndAlerts)
{
    song(dir, "a.pdf");
    ASSERT_TRUE(scan());
    QTemporaryDir empty;
    platform::ScriptedDialogs dialogs;
    EXPECT_FALSE(Data::chargerFichiers(empty.path(), false));
    EXPECT_EQ(dialogs.texts(), QStringList{"No PDF or ChordPro files found in the selected folder!"});
    EXPECT_EQ(Data::listePiecesByTitle().size(), 1);
    EXPECT_FALSE(Data::chargerFichiers(empty.filePath("missing"), true));
    EXPECT_EQ(dialogs.records().size(), 1);
}

TEST_F(Scan, CombinedListsHoldEachTabAsOneRunWithItsStarts)
{
    song(dir, "Zebra (Abba).pdf", "Tags=rock\n");
    song(dir, "apple (Zappa).pdf", "Tags=pop\n");
    song(dir, "Mango (Miles).chopro", "Tags=rock pop\n");
    song(dir, "1999 (Prince).pdf");
    Data::chargerTabsForDirNo(0, true);
    tab(1)->list = "rock\n";
    tab(1)->lookInto = TabDet::Tags;
    tab(3)->optSel = TabDet::Setlist;
    tab(3)->list = "zebra\nmango (miles).chopro\n\n";
    ASSERT_TRUE(scan());

    EXPECT_EQ(titles(Data::listePiecesByTitle()),
              (QStringList{"0:1999", "0:apple", "0:Mango", "0:Zebra", "1:Mango", "1:Zebra", "3:Zebra", "3:Mango"}));
    EXPECT_EQ(titles(Data::listePiecesByAuthor()),
              (QStringList{"0:Zebra", "0:Mango", "0:1999", "0:apple", "1:Mango", "1:Zebra", "3:Zebra", "3:Mango"}));
    const qint64 titleStarts[] = {0, 4, -1, 6, -1, -1, -1, -1, -1, -1};
    for (int n = 0; n < Data::kTabs; ++n) {
        EXPECT_EQ(Data::indexInTitleArrayG(n), titleStarts[n]) << n;
        EXPECT_EQ(Data::indexInAuthorArrayG(n), titleStarts[n]) << n;
    }
    EXPECT_EQ(Data::getNbrPiecesOng(0), 4);
    EXPECT_EQ(Data::getNbrPiecesOng(1), 2);
    EXPECT_EQ(Data::getNbrPiecesOng(2), 0);
    EXPECT_EQ(Data::getNbrPiecesOng(3), 2); // the last non-empty tab counts to the end

    // Positions in both lists, and each tab's entry found from the shared record.
    for (int k = 0; k < Data::listePiecesByTitle().size(); ++k)
        EXPECT_EQ(Data::listePiecesByTitle()[k]->indexInTitleArray, k);
    for (int k = 0; k < Data::listePiecesByAuthor().size(); ++k)
        EXPECT_EQ(Data::listePiecesByAuthor()[k]->indexInAuthorArray, k);
    const PiecesPtr mango = Data::listePiecesByTitle()[2];
    EXPECT_EQ(Data::getPieceTEMP(mango->pieceDet->indexInTEMP0)->ongNo, 0);
    EXPECT_EQ(Data::getPieceTEMP(mango->pieceDet->indexInTEMP1)->ongNo, 1);
    EXPECT_EQ(Data::getPieceTEMP(mango->pieceDet->indexInTEMP3)->ongNo, 3);
    EXPECT_EQ(mango->pieceDet->indexInTEMP2, -1);
    EXPECT_EQ(Data::getPieceTEMP(mango->pieceDet->indexInTEMP3)->pieceDet, mango->pieceDet);

    // Letter index: 1-based first position by title (main) and by artist (alternate).
    EXPECT_EQ(Data::debLettre(Data::keyn("a")), 2);
    EXPECT_EQ(Data::debLettre(Data::keyn("m")), 3);
    EXPECT_EQ(Data::debLettre(Data::keyn("1")), 1);
    EXPECT_EQ(Data::debLettre(Data::keyn("b")), 0);
    EXPECT_EQ(Data::debLettre2(Data::keyn("z")), 4);
    EXPECT_EQ(Data::debLettre2(Data::keyn("a")), 1);
}

TEST_F(Scan, GetPieceAnswersNothingOutsideTheList)
{
    song(dir, "a.pdf");
    song(dir, "b.pdf");
    ASSERT_TRUE(scan());
    // Before: position 0 or below read outside the list.
    EXPECT_EQ(Data::getPiece(0), nullptr);
    EXPECT_EQ(Data::getPiece(-3), nullptr);
    EXPECT_EQ(Data::getPiece(3), nullptr);
    EXPECT_EQ(Data::getPiece(1)->pieceDet->titre, "a");
    Data::setSongNbrG(10); // a stale count never reads past the list
    EXPECT_EQ(Data::getPiece(3), nullptr);
    Data::setCurrentSort(1);
    EXPECT_EQ(Data::getPiece(2)->pieceDet->titre, "b");
}

TEST_F(Scan, SameNameInTwoFoldersIsTwoSongsAndMarksFollowTheName)
{
    song(dir, "one/Song.pdf");
    song(dir, "two/Song.pdf");
    song(dir, "Other.pdf");
    ASSERT_TRUE(scan());
    ASSERT_EQ(Data::songNbrG(), 3);
    const QString snapshot = "song.pdf\n";
    EXPECT_EQ(Data::recallPlayedStates(snapshot), 2);
    EXPECT_EQ(Data::recallFlags("other.pdf\n"), 1);

    // A refresh re-applies the marks by file name.
    // Before: each remembered name marked both songs again, doubling the lists at every refresh.
    ASSERT_TRUE(scan());
    ASSERT_TRUE(scan());
    int played = 0, flagged = 0;
    for (const PiecesPtr &p : Data::listePiecesByTitle()) {
        played += p->pieceDet->played;
        flagged += p->pieceDet->flagged;
    }
    EXPECT_EQ(played, 2);
    EXPECT_EQ(flagged, 1);
    EXPECT_EQ(Data::listePiecesLog().size(), 2);
    EXPECT_EQ(Data::listePiecesFlagged().size(), 1);
    EXPECT_EQ(Data::listePiecesFlagged()[0]->pieceDet->titre, "Other");
}

TEST_F(Scan, RefreshThatAddsASongMakesItCurrent)
{
    song(dir, "a.pdf");
    song(dir, "c.pdf");
    song(dir, "e.pdf");
    ASSERT_TRUE(scan());
    Data::setSongNoG(3);
    song(dir, "b.pdf");
    ASSERT_TRUE(scan());
    EXPECT_EQ(Data::songNoG(), 2);
    EXPECT_EQ(Data::getPiece(2)->pieceDet->titre, "b");

    song(dir, "z.pdf"); // added at the end
    ASSERT_TRUE(scan());
    EXPECT_EQ(Data::songNoG(), 5);

    Data::setSongNoG(3); // nothing changed: the song stays
    ASSERT_TRUE(scan());
    EXPECT_EQ(Data::songNoG(), 3);
}

TEST_F(Scan, RefreshRestoresTheSongFromTheCurrentSortAndKeepsItInRange)
{
    song(dir, "a (Zed).pdf");
    song(dir, "b (Amy).pdf");
    song(dir, "c (Kim).pdf");
    ASSERT_TRUE(scan());
    Data::setCurrentSort(1); // Amy b, Kim c, Zed a
    Data::setSongNoG(3);
    ASSERT_EQ(Data::getPiece(3)->pieceDet->titre, "a");
    song(dir, "d (Bob).pdf"); // by artist: Amy, Bob, Kim, Zed
    ASSERT_TRUE(scan());
    // Before: the change was looked for in the title list, whatever the sort.
    EXPECT_EQ(Data::songNoG(), 2);
    EXPECT_EQ(Data::getPiece(2)->pieceDet->titre, "d");

    // Before: removing songs could leave the song number past the end.
    Data::setSongNoG(4);
    QFile::remove(dir.filePath("a (Zed).pdf"));
    QFile::remove(dir.filePath("c (Kim).pdf"));
    ASSERT_TRUE(scan());
    EXPECT_EQ(Data::songNbrG(), 2);
    EXPECT_LE(Data::songNoG(), 2);
    EXPECT_NE(Data::getPiece(Data::songNoG()), nullptr);
}

TEST_F(Scan, ScanLeavesTheFilteredListAlone)
{
    song(dir, "a.pdf");
    song(dir, "b.pdf");
    ASSERT_TRUE(scan());
    Data::listePiecesTEMP2() = {Data::listePiecesByTitle()[1]};
    ASSERT_TRUE(Data::recallPlayedStates("a.pdf\n") == 1);
    // Before: the scan and the recall used the filtered list as their scratch list.
    ASSERT_TRUE(scan());
    ASSERT_EQ(Data::listePiecesTEMP2().size(), 1);
    EXPECT_EQ(Data::listePiecesTEMP2()[0]->pieceDet->titre, "b");
}

TEST_F(Scan, AlternateVersionPaths)
{
    const QString pdf = song(dir, "Song.pdf");
    const QString cho = song(dir, "Tune.chopro");
    EXPECT_EQ(Data::obtenirPathPourAltDir(pdf, "Lead"), "");
    song(dir, "Song---Lead.chopro");
    EXPECT_EQ(Data::obtenirPathPourAltDir(pdf, "Lead"), dir.filePath("Song---Lead.chopro"));
    song(dir, "Song---Lead.pdf");
    EXPECT_EQ(Data::obtenirPathPourAltDir(pdf, "Lead"), dir.filePath("Song---Lead.pdf"));
    song(dir, "Tune---Drum.pdf");
    EXPECT_EQ(Data::obtenirPathPourAltDir(cho, "Drum"), dir.filePath("Tune---Drum.pdf"));
    EXPECT_EQ(Data::obtenirPathPourAltDir(cho, "Lead"), "");
}

TEST_F(Scan, CollectionInListOrderGroupsByTheWordThatMatched)
{
    song(dir, "Beta.pdf", "Tags=pop\n");
    song(dir, "Alpha.pdf", "Tags=pop\n");
    song(dir, "Delta.pdf", "Tags=rock pop\n");
    song(dir, "Gamma.pdf", "Tags=rock\n");
    song(dir, "Omega.pdf", "Tags=jazz\n");
    tab(2)->list = "rock\npop\n";
    tab(2)->tabSortAlt = TabDet::ByTitle;
    ASSERT_TRUE(scan());
    QStringList tab2, tab2Alt;
    for (const PiecesPtr &p : Data::listePiecesByTitle())
        if (p->ongNo == 2)
            tab2 << p->pieceDet->titre;
    for (const PiecesPtr &p : Data::listePiecesByAuthor())
        if (p->ongNo == 2)
            tab2Alt << p->pieceDet->titre;
    EXPECT_EQ(tab2, (QStringList{"Delta", "Gamma", "Alpha", "Beta"}));
    EXPECT_EQ(tab2Alt, (QStringList{"Alpha", "Beta", "Delta", "Gamma"}));
}

TEST_F(Scan, SetlistNamingOneSongTwiceListsItTwiceInLineOrder)
{
    song(dir, "Opener.pdf");
    song(dir, "Closer.pdf");
    tab(1)->optSel = TabDet::Setlist;
    tab(1)->list = "Opener.pdf\nCloser.pdf\nOpener.pdf\n";
    ASSERT_TRUE(scan());
    QStringList setlist;
    for (const PiecesPtr &p : Data::listePiecesByTitle())
        if (p->ongNo == 1)
            setlist << p->pieceDet->titre;
    EXPECT_EQ(setlist, (QStringList{"Opener", "Closer", "Opener"}));
    EXPECT_EQ(Data::getNbrPiecesOng(1), 3);
}

// Before, a ChordPro song's record read the song file for its header on the
// thread that built or changed it (the main thread): a silent share froze it.
TEST_F(Scan, AChordProHeaderComesWithTheScanAndTheRenderersReadAndIsNeverReadOnTheMainThread)
{
    const QString path = song(dir, "Tune.chopro", "Tags=live\n", "{title: Scanned }\n{st:Band}\n[C]la\n");
    const auto readOnMain = std::make_shared<std::atomic_bool>(false);
    PiecesDet::setHeaderFileCall([readOnMain](const QString &) {
        if (QThread::currentThread() == qApp->thread())
            *readOnMain = true;
    });
    FolderRead read;
    std::thread([&] { read = readFolder(dir.path()); }).join();
    ASSERT_TRUE(Data::chargerFichiers(dir.path(), read, true));
    const PiecesPtr tune = Data::getPiece(1);
    EXPECT_EQ(tune->pieceDet->titre, "Scanned");
    EXPECT_EQ(tune->pieceDet->auteur, "Band");
    EXPECT_FALSE(tune->majInfo()); // a save's look at the note
    PiecesDet::setHeaderFileCall({});
    EXPECT_FALSE(*readOnMain);

    // A header changed since, as the renderer read it for display: told once.
    QObject owner;
    QList<qint64> posted;
    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionKey, [&posted](const platform::Notification &n) { posted << n.intParam(); }, &owner);
    for (int twice = 0; twice < 2; ++twice)
        Data::tookSongHeader(path, PiecesDet::headerOf({platform::FileStatus::Ok, "{t:Renamed}\n", {}}));
    EXPECT_EQ(tune->pieceDet->titre, "Renamed");
    EXPECT_EQ(tune->pieceDet->auteur, "(nil)");
    EXPECT_EQ(posted, QList<qint64>{vocab::SongInfoChanged});
}
