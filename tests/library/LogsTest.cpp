#include "LibraryTestSupport.h"

#include "platform/Clock.h"
#include "platform/UserDefaults.h"
#include "platform/dialogs/ScriptedDialogs.h"

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace librarytest;
using platform::UserDefaults;

namespace {

class Logs : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetLibrary();
        for (const char *name : {"b.pdf", "Sub/a.pdf", "c.pdf", "d.chopro"})
            song(dir, name);
        Data::chargerFichiers(dir.path(), true);
    }
    void TearDown() override { resetLibrary(); }
    QStringList names(const PiecesList &list)
    {
        QStringList out;
        for (const PiecesPtr &p : list)
            out << QFileInfo(p->pieceDet->fichier).fileName();
        return out;
    }

    testsupport::FreshDefaults defaults;
    platform::ManualClock clock;
    QTemporaryDir dir;
};

} // namespace

TEST_F(Logs, RecalledListFollowsTheSnapshotOrderAndSavesOnlyMarkedSongs)
{
    EXPECT_EQ(Data::recallPlayedStates("C.PDF\nb.pdf\n\nnothing.pdf\n"), 2);
    EXPECT_EQ(names(Data::listePiecesLog()), (QStringList{"c.pdf", "b.pdf"}));
    Data::listePiecesLog()[1]->pieceDet->played = false; // unmarked since
    Data::saveLogPlayed();
    auto &d = UserDefaults::standard();
    EXPECT_EQ(d.integerForKey("plogLast"), 1);
    EXPECT_EQ(d.stringForKey("plogTx1"), "c.pdf\n");
    EXPECT_EQ(d.dateForKey("plogDate1"), platform::currentDateTime());
}

TEST_F(Logs, SnapshotsAreReusedInTurn)
{
    Data::recallFlags("a.pdf\n");
    for (int i = 0; i < 10; ++i)
        Data::saveFlags();
    auto &d = UserDefaults::standard();
    EXPECT_EQ(d.integerForKey("pflagsLast"), 10);
    d.setString("pflagsTx1", "old");
    Data::saveFlags();
    EXPECT_EQ(d.integerForKey("pflagsLast"), 1);
    EXPECT_EQ(d.stringForKey("pflagsTx1"), "a.pdf\n");
}

TEST_F(Logs, ClearingAllMarksSavesAnEmptySnapshot)
{
    // Before: nothing was saved for an empty list, so the last snapshot brought the marks back at the next start.
    auto &d = UserDefaults::standard();
    Data::recallPlayedStates("b.pdf\n");
    Data::saveLogPlayed();
    Data::clearAllPlayedStates();
    EXPECT_TRUE(Data::listePiecesLog().isEmpty());
    EXPECT_FALSE(Data::getPiece(2)->pieceDet->played);
    EXPECT_EQ(d.integerForKey("plogLast"), 2);
    EXPECT_EQ(d.stringForKey("plogTx2"), "");
    EXPECT_EQ(Data::recallPlayedStates(d.stringForKey(QStringLiteral("plogTx%1").arg(d.integerForKey("plogLast")))), 0);

    Data::recallFlags("c.pdf\nd.chopro\n");
    Data::clearAllFlags();
    EXPECT_EQ(d.stringForKey("pflagsTx1"), "");
    for (const PiecesPtr &p : Data::listePiecesByTitle())
        EXPECT_FALSE(p->pieceDet->flagged);
}

TEST_F(Logs, FlagMarksAfterTitles)
{
    Data::recallFlags("c.pdf\nb.pdf\n");
    const PiecesPtr b = Data::getPiece(2), c = Data::getPiece(3), d = Data::getPiece(4);
    EXPECT_EQ(Data::obtenirTitre(c), QString::fromUtf8("c 🔶"));
    EXPECT_EQ(Data::obtenirTitre(b), QString::fromUtf8("b 🔹"));
    EXPECT_EQ(Data::obtenirTitre(d), "d");
    Data::listePiecesFlagged().clear();
    EXPECT_EQ(Data::obtenirTitreFlag(c), QString::fromUtf8(" 🔹"));
}

TEST_F(Logs, ListExportOfTheCurrentTab)
{
    platform::ScriptedDialogs dialogs;
    QGuiApplication::clipboard()->setText("before");
    dialogs.answerButton("List of Titles");
    Data::exporterListe();
    EXPECT_EQ(dialogs.records()[0].text, "Please, select the kind of list that you want to export to the pasteboard.");
    EXPECT_EQ(dialogs.records()[0].buttons, (QStringList{"Cancel", "List of Filenames", "List of Titles"}));
    EXPECT_EQ(dialogs.lastText(), "4 entry(ies) copied to the pasteboard.");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "a\nb\nc\nd\n");

    dialogs.answerButton("List of Filenames");
    Data::setFilterTypeG(1);
    Data::listePiecesTEMP2() = {Data::getPiece(4), Data::getPiece(1)};
    Data::exporterListe();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "d.chopro\na.pdf\n");

    Data::setFilterTypeG(0);
    Data::setOnglNoG(5); // an empty tab
    dialogs.answerButton("List of Titles");
    Data::exporterListe();
    EXPECT_EQ(dialogs.lastText(), "No selected entry for the current tab. 0 entry copied to the pasteboard.");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "d.chopro\na.pdf\n");

    const int asked = dialogs.records().size();
    Data::exporterListe(); // Cancel (the default)
    EXPECT_EQ(dialogs.records().size(), asked + 1);
}
