#include "LibraryTestSupport.h"

#include "platform/UserDefaults.h"
#include "platform/dialogs/ScriptedDialogs.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QSoundEffect>
#include <gtest/gtest.h>

using namespace librarytest;
using platform::UserDefaults;

namespace {
UserDefaults &defaults() { return UserDefaults::standard(); }
} // namespace

// ---- Tabs ------------------------------------------------------------------------------

TEST(Tabs, DefaultsAndStoredValuesWithTheirReadRules)
{
    testsupport::FreshDefaults fresh;
    auto &d = defaults();
    d.setString("2TabName4", "Gig");
    d.setString("2list4", "a.pdf\nb.pdf\n");
    d.setInteger("2TabSort4", 7);      // out of range: 0
    d.setInteger("2TabSortAlt4", 3);
    d.setInteger("2OptSel4", 3);
    d.setInteger("2LookInto4", 2);     // a setlist searches nothing: 0
    d.setString("2TabPrefix4", "KEY"); // dropped: the main sort is not 3
    d.setString("2TabPrefixAlt4", "KEY");
    d.setString("2TabName0", "Never");
    d.setString("-1TabName4", "Never");

    Data::chargerTabsForDirNo(2, false);
    ASSERT_EQ(Data::tabs().size(), 10);
    const TabDet &all = *Data::tabs()[0];
    EXPECT_EQ(all.tabName, "All");
    EXPECT_EQ(all.tabSort, 1);
    EXPECT_EQ(all.tabSortAlt, 2);
    const TabDet &gig = *Data::tabs()[4];
    EXPECT_EQ(gig.tabName, "Gig");
    EXPECT_EQ(gig.list, "a.pdf\nb.pdf\n");
    EXPECT_EQ(gig.tabSort, 0);
    EXPECT_EQ(gig.tabSortAlt, 3);
    EXPECT_EQ(gig.optSel, 3);
    EXPECT_EQ(gig.lookInto, 0);
    EXPECT_EQ(gig.tabPrefix, "");
    EXPECT_EQ(gig.tabPrefixAlt, "KEY");
    EXPECT_EQ(Data::tabs()[5]->tabName, "");

    Data::chargerTabsForDirNo(-1, false); // the help folder reads nothing
    EXPECT_EQ(Data::tabs()[4]->tabName, "");
    Data::chargerTabsForDirNo(2, true);
    EXPECT_EQ(Data::tabs()[4]->tabName, "");
}

TEST(Tabs, SaveWritesAllFieldsOrOnlyTheNameAndNeverTabZeroOrTheHelpFolder)
{
    testsupport::FreshDefaults fresh;
    TabDet t(1, 2);
    t.tabName = "Set";
    t.list = "x\n";
    t.optSel = 3;
    t.save(true);
    EXPECT_EQ(defaults().stringForKey("1TabName2"), "Set");
    EXPECT_FALSE(defaults().contains("1list2"));
    t.save(false);
    EXPECT_EQ(defaults().stringForKey("1list2"), "x\n");
    EXPECT_EQ(defaults().integerForKey("1OptSel2"), 3);
    EXPECT_TRUE(defaults().contains("1TabPrefixAlt2"));

    const int before = defaults().allKeys().size();
    TabDet(1, 0).save(false);
    TabDet(-1, 3).save(false);
    EXPECT_EQ(defaults().allKeys().size(), before);
}

// ---- Tab membership and sort keys ---------------------------------------------------------------

TEST(TabMembership, SetlistLinesAndCollectionWords)
{
    QTemporaryDir dir;
    Data::setCurrentScreensetG(0);
    auto setlist = std::make_shared<TabDet>(0, 1);
    setlist->optSel = TabDet::Setlist;
    const PiecesPtr master = entryFor(song(dir, "Songbird.chopro", "Tags=rock\nLastPlayedDate2=2026-02-02\n"));
    auto build = [&](const TabDetPtr &tab, qint32 line, const QString &fn, const QStringList &kw) {
        return Pieces::initWithPDF(master->getPath(), "Songbird.chopro", -1, 1, tab, false, line, fn, kw, master);
    };
    EXPECT_TRUE(build(setlist, 1, "SONG", {}));
    EXPECT_FALSE(build(setlist, 1, "", {}));
    EXPECT_FALSE(build(setlist, 1, "BIRD", {}));
    EXPECT_EQ(build(setlist, 7, "SONG", {})->sortString1, "100000007Songbird");
    EXPECT_EQ(build(setlist, 7, "SONG", {})->pieceDet, master->pieceDet);

    struct Case {
        qint64 optSel;
        qint64 lookInto;
        QStringList words;
        bool member;
        const char *key; // list-order key when a member
    } cases[] = {
        {0, 0, {"JAZZ", "ROCK"}, true, "100000002Songbird"},
        {0, 0, {}, false, ""},
        {0, 3, {"ROC"}, false, ""},            // tags match whole words
        {0, 3, {"", "ROCK"}, true, "100000001Songbird"},
        {0, 1, {"BIRD"}, true, "100000001Songbird"},
        {0, 2, {"BIRD"}, false, ""},
        {0, 4, {".CHOPRO"}, true, "100000001Songbird"},
        {1, 0, {"SONG", "ROCK"}, true, "100000002Songbird"},
        {1, 0, {"SONG", "POP"}, false, ""},
        {1, 0, {""}, false, ""},               // nothing tested
        {2, 0, {}, true, "100000000Songbird"},
        {2, 0, {"POP", "ROCK"}, false, ""},
    };
    for (const Case &c : cases) {
        auto tab = std::make_shared<TabDet>(0, 1);
        tab->optSel = c.optSel;
        tab->lookInto = c.lookInto;
        const PiecesPtr e = build(tab, 0, QString(), c.words);
        EXPECT_EQ(bool(e), c.member) << c.optSel << " " << c.lookInto << " " << c.words.join(',').toStdString();
        if (e && c.member) {
            EXPECT_EQ(e->sortString1, QString::fromUtf8(c.key));
        }
    }

    auto sorts = std::make_shared<TabDet>(0, 1);
    sorts->optSel = TabDet::NoneOfTheWords;
    sorts->tabSort = TabDet::ByArtist;
    sorts->tabSortAlt = TabDet::LastPlayed;
    PiecesPtr e = build(sorts, 0, QString(), {});
    EXPECT_EQ(e->sortString1, "1(nil)Songbird");
    EXPECT_EQ(e->sortString2, "12026-02-02 Songbird");
    sorts->tabSort = TabDet::Random;
    sorts->tabSortAlt = TabDet::ByTagPrefix;
    sorts->tabPrefixAlt = "RO";
    e = build(sorts, 0, QString(), {});
    EXPECT_EQ(e->sortString1.size(), 9);
    EXPECT_EQ(e->sortString2, "1rock Songbird");
    sorts->tabSort = 9;
    EXPECT_EQ(build(sorts, 0, QString(), {})->sortString1, "");
}

// ---- Window identifiers -------------------------------------------------------------------------

TEST(WindowIdentifiers, FirstRunStoredTableAndStepping)
{
    testsupport::FreshDefaults fresh;
    Data::chargerWinIDs();
    ASSERT_EQ(Data::winIDs().size(), 2);
    EXPECT_EQ(Data::winIDs()[0]->idWin, "Lead");
    EXPECT_EQ(Data::winIDs()[1]->idWin, "Drum");
    EXPECT_TRUE(defaults().allKeys().filter("WinID").isEmpty()); // nothing stored until the editor saves

    EXPECT_EQ(Data::obtenirNextWinID(0, "")->idWin, "Lead");
    EXPECT_EQ(Data::obtenirNextWinID(1, "Lead")->idWin, "Drum");
    EXPECT_EQ(Data::obtenirNextWinID(1, "Drum"), nullptr);
    EXPECT_EQ(Data::obtenirNextWinID(1, "lead"), nullptr);
    EXPECT_TRUE(Data::isValidWinID("lead"));
    EXPECT_FALSE(Data::isValidWinID("Bass"));

    Data::creerWinIDs();
    EXPECT_EQ(Data::winIDs()[2]->idWin, "id2");
    EXPECT_EQ(Data::winIDs()[2]->index, 2);
    Data::winIDs()[2]->defPDF = 2;
    for (const WinIDPtr &w : Data::winIDs())
        w->save();
    Data::supprimerWinIDsForIndex(0);
    EXPECT_EQ(Data::winIDs()[0]->idWin, "Drum");

    defaults().setInteger("WinID_nbWinID", 4); // row 3 never written
    Data::chargerWinIDs();
    ASSERT_EQ(Data::winIDs().size(), 4);
    EXPECT_EQ(Data::nbWinID(), 4);
    EXPECT_EQ(Data::winIDs()[2]->idWin, "id2");
    EXPECT_EQ(Data::winIDs()[2]->defPDF, 2);
    EXPECT_EQ(Data::winIDs()[3]->idWin, "");
    EXPECT_EQ(Data::winIDs()[3]->defNote, 0);

    // Before: a damaged count made the start build that many identifiers.
    defaults().setInteger("WinID_nbWinID", qint64(1) << 40);
    Data::chargerWinIDs();
    EXPECT_EQ(Data::winIDs().size(), 256);
    EXPECT_EQ(Data::winIDs()[0]->idWin, "Lead");
}

// ---- Tags ----------------------------------------------------------------------------------------

TEST(TagList, BuiltInListIsStoredOnFirstRunAndAnEmptyStoreStaysEmpty)
{
    testsupport::FreshDefaults fresh;
    Data::chargerTags();
    EXPECT_EQ(Data::tags(), (QStringList{QString::fromUtf8("⭐️"), "Pop", "Rock", "Blues", "Funk", "Jazz"}));
    EXPECT_EQ(defaults().stringForKey("tagStr"), QString::fromUtf8("⭐️\nPop\nRock\nBlues\nFunk\nJazz\n"));
    defaults().setString("tagStr", "");
    Data::chargerTags();
    EXPECT_TRUE(Data::tags().isEmpty());
    Data::tags() = QStringList{"a", "", "b"};
    Data::sauvegarderTags();
    EXPECT_EQ(defaults().stringForKey("tagStr"), "a\nb\n");

    Data::filterString() = "live";
    Data::chargerTagsTemp(std::nullopt);
    EXPECT_EQ(Data::tagsTemp(), (QStringList{"live", "a", "", "b"}));
    Data::chargerTagsTemp(QStringLiteral("x  y"));
    EXPECT_EQ(Data::tagsTemp(), (QStringList{"x", "y"}));
    Data::chargerTagsTemp(QString());
    EXPECT_TRUE(Data::tagsTemp().isEmpty());
    Data::filterString().clear();
}

// ---- Start -------------------------------------------------------------------------------------

TEST(Start, InitDataSetsTheStartValues)
{
    testsupport::FreshDefaults fresh;
    defaults().setInteger("gautomation", 2);
    defaults().setString("optMidiText1b", "PC 5");
    Data::setGcount(7);
    Data::setMetroOn(true);
    Data::initData();
    EXPECT_EQ(Data::gtempo(), 100);
    EXPECT_EQ(Data::gautomation(), 2);
    EXPECT_EQ(Data::gcount(), -1);
    EXPECT_EQ(Data::gPlayAutoForGenre(), -1);
    EXPECT_FALSE(Data::metroOn());
    EXPECT_EQ(Data::optMidiText1(), "PC 5");
    EXPECT_EQ(Data::winIDs().size(), 2);
    EXPECT_EQ(Data::tags().size(), 6);
    ASSERT_NE(Data::audioPlayerObj(), nullptr);
    EXPECT_EQ(Data::audioPlayerObj()->source(), QUrl("qrc:/sounds/tick1.wav"));
    EXPECT_TRUE(QFile::exists(":/sounds/tick1.wav"));
    Data::setGautomation(3);
    EXPECT_EQ(defaults().integerForKey("gautomation"), 3);
    Data::setInitialGenre(4);
    EXPECT_EQ(Data::initialGenre(), 4);
    Data::saveData();
    EXPECT_EQ(defaults().stringForKey("optMidiText1b"), "PC 5");
}

TEST(Start, IndexedTablesIgnoreOutOfRangeSlots)
{
    Data::setDestForTick(20, 9);
    Data::setDestForTick(21, 9);
    EXPECT_EQ(Data::destForTick(20), 9);
    EXPECT_EQ(Data::destForTick(21), 0);
    Data::setIndexInTitleArrayG(10, 3);
    EXPECT_EQ(Data::indexInTitleArrayG(10), -1);
    EXPECT_EQ(Data::debLettre(-1), 0);
}

// ---- Dialogs --------------------------------------------------------------------------------------

TEST(Dialogs, ButtonsInOrderAndAnswers)
{
    platform::ScriptedDialogs dialogs;
    Data::msg("Hello %1");
    EXPECT_FALSE(Data::question("Q?")); // Return takes "No"
    EXPECT_EQ(Data::questionAvecCancel("Q3?"), -1);
    dialogs.answerButton("Yes");
    EXPECT_TRUE(Data::question("Q?"));
    dialogs.answerButton("No");
    EXPECT_EQ(Data::questionAvecCancel("Q3?"), 0);
    dialogs.answerButton("Titles");
    EXPECT_TRUE(Data::deuxChoix("Which?", "Titles", "Files"));
    EXPECT_FALSE(Data::deuxChoix("Which?", "Titles", "Files"));
    dialogs.answerButton("Files");
    EXPECT_EQ(Data::deuxChoixAvecCancel("Which?", "Titles", "Files"), 0);
    dialogs.answerText(std::nullopt);
    EXPECT_EQ(Data::getStr("Name?", "def"), "def");
    dialogs.answerText(QStringLiteral("typed"));
    EXPECT_EQ(Data::getStr("Name?", "def"), "typed");

    const auto &r = dialogs.records();
    EXPECT_EQ(r[0].title, "Tolvane");
    EXPECT_EQ(r[0].text, "Hello %1");
    EXPECT_EQ(r[0].buttons, QStringList{"Ok"});
    EXPECT_EQ(r[1].buttons, (QStringList{"No", "Yes"}));
    EXPECT_EQ(r[2].buttons, (QStringList{"Cancel", "No", "Yes"}));
    EXPECT_EQ(r[5].buttons, (QStringList{"Files", "Titles"}));
    EXPECT_EQ(r[7].buttons, (QStringList{"Cancel", "Files", "Titles"}));
}

TEST(Dialogs, FolderChooserStoresOnlyAReadableFolder)
{
    testsupport::FreshDefaults fresh;
    platform::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    EXPECT_EQ(Data::dirPopup(), ""); // cancelled
    EXPECT_EQ(dialogs.records()[0].title, "Tolvane");
    EXPECT_EQ(dialogs.records()[0].text, "Choose a folder");
    dialogs.answerPath(dir.path());
    EXPECT_EQ(Data::dirPopup(), dir.path());
    EXPECT_FALSE(defaults().contains("PathToFolder")) << "kept once the folder read answers";
    Data::keepChosenFolder(dir.filePath("gone"), false);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("The folder \"%1\" cannot be read.").arg(dir.filePath("gone")));
    EXPECT_FALSE(defaults().contains("PathToFolder"));
    Data::keepChosenFolder(dir.path(), true);
    EXPECT_EQ(defaults().stringForKey("PathToFolder"), dir.path());
    EXPECT_FALSE(Data::getDirOn());
}

// ---- Character tests ----------------------------------------------------------------------------

TEST(CharacterTests, KeysDigitsHexAndAccents)
{
    EXPECT_EQ(Data::keyn("apple"), 1);
    EXPECT_EQ(Data::keyn("Apple"), 1);
    EXPECT_EQ(Data::keyn("0 to 9"), 27);
    EXPECT_EQ(Data::keyn("9"), 36);
    EXPECT_EQ(Data::keyn("(Band)"), 0);
    EXPECT_EQ(Data::keyn(""), 0);
    EXPECT_TRUE(Data::isChiffre("7a"));
    EXPECT_FALSE(Data::isChiffre("a7"));
    EXPECT_TRUE(Data::isHexa("F0"));
    EXPECT_FALSE(Data::isHexa("f0"));
    EXPECT_FALSE(Data::isHexa(""));
    EXPECT_EQ(Data::stripAccents(QString::fromUtf8("Déjà vu Ça")), "Deja vu Ca");
}

TEST(Start, MidiStatusItemShowsSendingAndMetronomeSound)
{
    QAction item;
    Data::sendingMidi(true); // before the menu exists: nothing
    Data::initRefMenuMidi(&item);
    const struct {
        bool sending;
        qint64 sound;
        const char *title;
    } cases[] = {{true, 1, "🔴🔊MIDI"}, {true, 0, "🔴MIDI"}, {false, 1, "⚪️🔊MIDI"}, {false, 0, "⚪️MIDI"}};
    for (const auto &c : cases) {
        Data::setOptMetroSound(c.sound);
        Data::sendingMidi(c.sending);
        testsupport::processEvents();
        EXPECT_EQ(item.text(), QString::fromUtf8(c.title));
    }
    Data::setOptMetroSound(0);
    Data::initRefMenuMidi(nullptr);
}
