#include "settings/DataPref6.h"
#include "settings/SetlistRules.h"

#include "library/Data.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

using platform::UserDefaults;

// A library of five songs, one of them in a subfolder, and two tags; the
// editor opened on one of its tabs.
class SetlistEditor : public ::testing::Test {
protected:
    SetlistEditor()
    {
        Data::initListePieces();
        Data::chargerTabsForDirNo(0, true);
        Data::setCurrentScreensetG(1);
        song(QStringLiteral("Alpha.chopro"), QStringLiteral("Alpha"), QStringLiteral("rock"));
        song(QStringLiteral("sub/Bravo.chopro"), QStringLiteral("Bravo"), QStringLiteral("live"));
        song(QStringLiteral("Charlie.chopro"), QStringLiteral("Charlie"), QStringLiteral("rock live"));
        song(QStringLiteral("Delta.chopro"), QStringLiteral("Delta"), QString());
        song(QStringLiteral("Echo.chopro"), QStringLiteral("Echo"), QString());
        const platform::MainThreadFileScope setUp("the test's library, read before the windows");
        Data::chargerFichiers(dir.path(), true);
        Data::tags() = {QStringLiteral("rock"), QStringLiteral("live")};
        platform::NotificationCenter::defaultCenter().addObserver(
            vocab::ActionKey, [this](const platform::Notification &n) { posted << n.intParam(); }, &owner_);
    }
    ~SetlistEditor() override { Data::tags().clear(); }

    void song(const QString &rel, const QString &title, const QString &tags)
    {
        const QString path = testsupport::writeFile(dir.filePath(rel), QStringLiteral("{title:%1}\n").arg(title).toUtf8());
        if (!tags.isEmpty())
            testsupport::writeFile(notefile::notePathForSong(path), QStringLiteral("Tags=%1\n").arg(tags).toUtf8());
    }

    // Tab 3 as stored, then the editor on it.
    DataPref6 &editTab(const QString &name, const QString &list, qint64 optSel = 3)
    {
        TabDet &tab = *Data::tabs()[3];
        tab.tabName = name;
        tab.list = list;
        tab.optSel = optSel;
        editor.prepare(3);
        return editor;
    }

    QStringList titles() const
    {
        QStringList out;
        for (const PiecesPtr &p : editor.liste())
            out << p->pieceDet->titre;
        return out;
    }
    QStringList previewTitles() const
    {
        QStringList out;
        for (const PiecesPtr &p : editor.listeTemp())
            out << p->pieceDet->titre;
        return out;
    }

    static QString stored(const char *field) { return UserDefaults::standard().stringForKey(TabDet::key(field, 0, 3)); }
    static bool storedAny() { return UserDefaults::standard().contains(TabDet::key("TabName", 0, 3)); }

    void selectListRows(const QList<int> &rows)
    {
        editor.mList()->clearSelection();
        for (int r : rows)
            editor.mList()->selectionModel()->select(editor.mList()->model()->index(r, 1),
                                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
        editor.mList()->selectionModel()->setCurrentIndex(editor.mList()->model()->index(rows.last(), 1),
                                                          QItemSelectionModel::NoUpdate);
    }

    testsupport::FreshDefaults defaults;
    platform::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    QList<qint64> posted;
    QObject owner_;
    DataPref6 editor;
};

TEST_F(SetlistEditor, ANeverUsedTabOpensAsAnEmptySetlistAndWritesNothing)
{
    TabDet &tab = *Data::tabs()[3];
    tab.optSel = 1;
    tab.tabSort = 2;
    tab.lookInto = 3;
    editTab(QString(), QString(), 1);
    EXPECT_EQ(tab.optSel, 3);
    EXPECT_EQ(tab.tabSort, 0);
    EXPECT_EQ(tab.lookInto, 0);
    EXPECT_EQ(editor.comboTabType()->currentIndex(), 0);
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Tab"));
    EXPECT_EQ(posted, QList<qint64>({vocab::ToolWindowShown}));
    editor.actionCancel();
    EXPECT_FALSE(storedAny());
    EXPECT_TRUE(dialogs.records().isEmpty());
    EXPECT_EQ(posted.count(vocab::ToolWindowClosed), 1);
}

TEST_F(SetlistEditor, StoredLinesBecomeRowsWithTheirStatus)
{
    editTab(QStringLiteral("Gig"), QStringLiteral("Bravo.chopro\n\nALP\nGone.pdf\n"));
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Tab: Gig"));
    ASSERT_EQ(editor.liste().size(), 3); // no row for the empty line
    // A song in a subfolder and a line that begins a file name are found.
    EXPECT_EQ(editor.statusText(0), QStringLiteral(" "));
    EXPECT_EQ(editor.statusText(1), QStringLiteral(" "));
    EXPECT_EQ(editor.statusText(2), QStringLiteral("⚠️"));
    EXPECT_EQ(editor.statusToolTip(2),
              QStringLiteral("File %1 no longer exists or has been renamed").arg(dir.path() + QStringLiteral("/Gone.pdf")));
    // Each row keeps its line.
    editor.tabName()->setText(QStringLiteral("Gig 2"));
    editor.actionSave();
    EXPECT_EQ(stored("list"), QStringLiteral("Bravo.chopro\nALP\nGone.pdf\n"));
}

TEST_F(SetlistEditor, ACollectionSavesItsWordsAsTyped)
{
    editTab(QStringLiteral("Mood"), QString(), 0);
    QApplication::clipboard()->setText(QStringLiteral("rock\nLive\n\na b"));
    editor.actionImport();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("3 entries added from the pasteboard"));
    editor.comboSort1()->setCurrentIndex(3);
    editor.comboBoxSelectionDidChange(editor.comboSort1());
    EXPECT_TRUE(editor.prefix1()->isEnabled());
    editor.editField(editor.prefix1(), QStringLiteral("live"));
    editor.actionSave();
    EXPECT_EQ(stored("list"), QStringLiteral("rock\nLive\na b\n"));
    EXPECT_EQ(stored("TabPrefix"), QStringLiteral("LIVE"));
    EXPECT_EQ(UserDefaults::standard().integerForKey(TabDet::key("OptSel", 0, 3)), 0);
    EXPECT_EQ(posted.count(vocab::RefreshFolder), 1);
    EXPECT_EQ(posted.count(vocab::TabNamesChanged), 0);
}

TEST_F(SetlistEditor, RenamingOnlyWritesTheNameAlone)
{
    editTab(QStringLiteral("Gig"), QStringLiteral("Delta.chopro\n"));
    editor.editField(editor.tabName(), QStringLiteral("Friday"));
    EXPECT_TRUE(editor.buttonSave()->isEnabled());
    editor.actionSave();
    EXPECT_EQ(stored("TabName"), QStringLiteral("Friday"));
    EXPECT_FALSE(UserDefaults::standard().contains(TabDet::key("list", 0, 3)));
    EXPECT_EQ(posted.count(vocab::TabNamesChanged), 1);
    EXPECT_EQ(posted.count(vocab::RefreshFolder), 0);
}

TEST_F(SetlistEditor, ClosingWithChangesAsksAndNamesAnUnnamedList)
{
    editTab(QStringLiteral("Gig"), QStringLiteral("Delta.chopro\n"));
    editor.tabName()->clear();
    editor.actionSave();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Please, enter a Tab Name"));
    EXPECT_FALSE(storedAny());
    EXPECT_TRUE(editor.isVisible());

    editor.comboSort1()->setCurrentIndex(1);
    editor.comboBoxSelectionDidChange(editor.comboSort1());
    dialogs.answerButton(QStringLiteral("Yes"));
    editor.close();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Save changes?"));
    EXPECT_EQ(stored("TabName"), QStringLiteral("no name"));
    EXPECT_EQ(UserDefaults::standard().integerForKey(TabDet::key("TabSort", 0, 3)), 1);
}

TEST_F(SetlistEditor, DraggedRowsMoveAsOneBlock)
{
    editTab(QStringLiteral("Seven"), QStringLiteral("a0\na1\na2\na3\na4\na5\na6\n"), 0);
    std::unique_ptr<QMimeData> drag(static_cast<SetlistTable *>(editor.mList())->dragData({1, 2, 5}));
    EXPECT_TRUE(editor.acceptDrop(drag.get(), 4));
    EXPECT_EQ(titles(), QStringList({"a0", "a3", "a1", "a2", "a5", "a4", "a6"}));
    EXPECT_TRUE(editor.changeMade());

    // Rows the list does not have, or data that does not decode, are refused.
    std::unique_ptr<QMimeData> stale(static_cast<SetlistTable *>(editor.mList())->dragData({6, 7}));
    EXPECT_FALSE(editor.acceptDrop(stale.get(), 0));
    QMimeData garbage;
    garbage.setData(setlist::moveFormat(), QByteArrayLiteral("one,two"));
    EXPECT_FALSE(editor.acceptDrop(&garbage, 0));
    QMimeData badTag;
    badTag.setData(setlist::tagFormat(), setlist::encodeRows({2}));
    EXPECT_FALSE(editor.acceptDrop(&badTag, 0));
    EXPECT_EQ(titles(), QStringList({"a0", "a3", "a1", "a2", "a5", "a4", "a6"}));

    // Of several tags only the first comes; a dropped text comes whole.
    std::unique_ptr<QMimeData> tags(static_cast<SetlistTable *>(editor.mTag())->dragData({1, 0}));
    EXPECT_TRUE(editor.acceptDrop(tags.get(), 0));
    QMimeData text;
    text.setText(QStringLiteral("two\nlines"));
    EXPECT_TRUE(editor.acceptDrop(&text, 1));
    EXPECT_EQ(titles().mid(0, 3), QStringList({"rock", "two\nlines", "a0"}));
}

TEST_F(SetlistEditor, DeletingSelectsTheRowAfter)
{
    editTab(QStringLiteral("Six"), QStringLiteral("a0\na1\na2\na3\na4\na5\n"), 0);
    editor.actionDeleteRow(true);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("A row must be selected to perform this operation"));
    selectListRows({3, 4});
    editor.actionDeleteRow(true);
    EXPECT_EQ(titles(), QStringList({"a0", "a1", "a2", "a5"}));
    EXPECT_EQ(editor.mList()->selectionModel()->selectedRows().value(0).row(), 3);

    dialogs.answerButton(QStringLiteral("No"));
    editor.actionEmptyList();
    EXPECT_EQ(editor.liste().size(), 4);
    dialogs.answerButton(QStringLiteral("Yes"));
    editor.actionEmptyList();
    EXPECT_TRUE(editor.liste().isEmpty());
}

TEST_F(SetlistEditor, ChangingTheTypeAsksWhatBecomesOfTheRows)
{
    struct Case {
        const char *answer;
        int type;
        qsizetype rows;
    };
    const Case cases[] = {{"Cancel", 0, 2}, {"No", 1, 0}, {"Yes", 1, 2}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answer);
        editor.actionCancel();
        editTab(QStringLiteral("Gig"), QStringLiteral("Alpha.chopro\nDelta.chopro\n"));
        dialogs.answerButton(QString::fromLatin1(c.answer));
        editor.comboTabType()->setCurrentIndex(1);
        editor.comboBoxSelectionDidChange(editor.comboTabType());
        EXPECT_EQ(dialogs.lastText(), QStringLiteral("Convert Setlist to Collection using existing entries?"));
        EXPECT_EQ(editor.comboTabType()->currentIndex(), c.type);
        EXPECT_EQ(editor.liste().size(), c.rows);
        if (c.type == 1)
            dialogs.answerButton(QStringLiteral("No")); // to "Save changes?" on the next opening
    }
    // Yes kept the rows, which now count by their titles.
    EXPECT_EQ(previewTitles(), QStringList({"Alpha", "Delta"}));
}

TEST_F(SetlistEditor, ClipboardImportAndExport)
{
    editTab(QStringLiteral("Gig"), QString());
    editor.actionExport();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Current list is empty. 0 entry copied to the pasteboard."));
    QApplication::clipboard()->setText(QStringLiteral("zzz\nCHAR\nbra\n"));
    editor.actionImport();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("2 valid entries added from the pasteboard"));
    // In the order of the lines they matched.
    EXPECT_EQ(titles(), QStringList({"Charlie", "Bravo"}));
    editor.actionExport();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("2 filename(s) copied to the pasteboard."));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Charlie.chopro\nBravo.chopro\n"));
    QApplication::clipboard()->setText(QStringLiteral("nothing here"));
    editor.actionImport();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("0 valid entries added from the pasteboard"));

    // A collection exports the songs it selects, not its words.
    dialogs.answerButton(QStringLiteral("No"));
    editor.actionCancel();
    editTab(QStringLiteral("Rock"), QStringLiteral("rock\n"), 0);
    editor.comboLookInto()->setCurrentIndex(3);
    editor.comboBoxSelectionDidChange(editor.comboLookInto());
    editor.actionExport();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Alpha.chopro\nCharlie.chopro\n"));
}

// Before, a word dropped into a setlist was stored as "word.dummy", which no
// file name begins with.
TEST_F(SetlistEditor, AWordInASetlistIsStoredAsTheWord)
{
    editTab(QStringLiteral("Gig"), QStringLiteral("Delta.chopro\n"));
    QMimeData text;
    text.setText(QStringLiteral("Ech"));
    ASSERT_TRUE(editor.acceptDrop(&text, 1));
    EXPECT_EQ(editor.statusText(1), QStringLiteral(" "));
    editor.actionSave();
    EXPECT_EQ(stored("list"), QStringLiteral("Delta.chopro\nEch\n"));
}

// Before, songs added from the preview with Return left the preview as it
// was, still listing what the new row excludes.
TEST_F(SetlistEditor, AddingFromThePreviewRebuildsIt)
{
    editTab(QStringLiteral("Quiet"), QStringLiteral("rock\n"), 2); // songs without "rock"
    EXPECT_EQ(previewTitles(), QStringList({"Bravo", "Delta", "Echo"}));
    QApplication::setActiveWindow(&editor);
    editor.mTable()->setFocus();
    editor.mTable()->selectRow(1);
    editor.actionEnterOnList();
    EXPECT_EQ(titles(), QStringList({"rock", "Delta"}));
    EXPECT_EQ(previewTitles(), QStringList({"Bravo", "Echo"}));
}

} // namespace

namespace {

TEST_F(SetlistEditor, ReturnAddsAndDeleteRemoves)
{
    editTab(QStringLiteral("Gig"), QString());
    QApplication::setActiveWindow(&editor);
    auto press = [](QWidget *target, int key) {
        target->setFocus();
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    editor.mTable()->selectRow(0);
    press(editor.mTable(), Qt::Key_Return);
    EXPECT_EQ(titles(), QStringList({"Alpha"}));
    EXPECT_TRUE(editor.isVisible()); // no button took the Return
    editor.mList()->selectRow(0);
    press(editor.mList(), Qt::Key_Delete);
    EXPECT_TRUE(editor.liste().isEmpty());
    EXPECT_TRUE(dialogs.records().isEmpty());
}

} // namespace

TEST_F(SetlistEditor, TheStatusHeadingFitsItsColumn)
{
    // The status column was 30 pixels wide, so its heading showed as "tatu".
    editTab(QStringLiteral("Set"), QString());
    const QHeaderView *header = editor.mList()->horizontalHeader();
    EXPECT_GE(header->sectionSize(0), header->sectionSizeHint(0));
    editor.actionCancel();
}
