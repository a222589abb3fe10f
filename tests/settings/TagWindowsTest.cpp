#include "settings/DataPref4.h"
#include "settings/DataPref7.h"
#include "settings/DataPref8.h"
#include "settings/DataPref9.h"

#include "library/Data.h"
#include "library/NoteWriter.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/GatedScan.h"
#include "support/TestSupport.h"
#include "windows/DragTypes.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

using platform::UserDefaults;

// A library folder named after a tag, with songs whose notes carry tags; the
// notification bus recorded.
class TagWindows : public ::testing::Test {
protected:
    TagWindows()
    {
        library = dir.filePath(QStringLiteral("Rock Library"));
        Data::initListePieces();
        Data::chargerTabsForDirNo(0, true);
        Data::setCurrentScreensetG(1);
        platform::NotificationCenter::defaultCenter().addObserver(
            QString(), [this](const platform::Notification &n) {
                if (n.name == vocab::ActionKey)
                    posted << n.intParam();
                else
                    texts << n.name + QLatin1Char(' ') + n.stringParam();
            },
            &owner_);
    }
    ~TagWindows() override
    {
        Data::tags().clear();
        Data::filterString().clear();
    }

    QString song(const QString &rel, const QString &note)
    {
        const QString path = testsupport::writeFile(QDir(library).filePath(rel), QByteArrayLiteral("{title:x}\n"));
        if (!note.isNull())
            testsupport::writeFile(notefile::notePathForSong(path), note.toUtf8());
        return path;
    }
    void load()
    {
        const platform::MainThreadFileScope setUp("the test's library, read before the windows");
        Data::chargerFichiers(library, true);
    }
    static QString noteOf(const QString &songPath)
    {
        QFile f(notefile::notePathForSong(songPath));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    PiecesPtr entry(const QString &title) const
    {
        for (const PiecesPtr &p : Data::listePiecesByTitle())
            if (p->ongNo == 0 && p->pieceDet->titre == title)
                return p;
        return nullptr;
    }

    testsupport::FreshDefaults defaults;
    platform::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    QString library;
    QList<qint64> posted;
    QStringList texts;
    QObject owner_;
    NoteWriter writer;
};

TEST_F(TagWindows, DeletingATagRemovesTheWholeWordInAnyCaseFromEverySong)
{
    const QString a = song(QStringLiteral("A(one).chopro"), QStringLiteral("Master\nTags=ROCK live\nfree\n"));
    const QString b = song(QStringLiteral("B(two).chopro"), QStringLiteral("Tags=rockabilly\n"));
    const QString c = song(QStringLiteral("C(three).chopro"), QStringLiteral("Tags=Rock\n"));
    const QString d = song(QStringLiteral("D(four).chopro"), QString());
    // A note that cannot be read as a file.
    QDir().mkpath(notefile::notePathForSong(d));
    testsupport::writeFile(notefile::notePathForSong(d) + QStringLiteral("/inside"), "x");
    load();
    Data::tags() = {QStringLiteral("Pop"), QStringLiteral("rock")};
    DataPref7 list;
    list.setNoteWriter(&writer);
    list.showDataPref7(true);
    list.table()->selectRow(1);
    dialogs.answerButton(QStringLiteral("Yes"));
    list.actionDeleteRow();
    writer.waitForIdle();

    // Before, only the spelling of the tag list was removed: "ROCK" and "Rock" stayed.
    EXPECT_EQ(noteOf(a), QStringLiteral("Master\nTags=live\nfree\n"));
    EXPECT_EQ(noteOf(b), QStringLiteral("Tags=rockabilly\n"));
    EXPECT_EQ(noteOf(c), QString());
    EXPECT_FALSE(QFileInfo::exists(notefile::notePathForSong(c)));
    EXPECT_TRUE(QFileInfo(notefile::notePathForSong(d)).isDir());
    EXPECT_EQ(entry(QStringLiteral("A"))->pieceDet->infoF, QStringLiteral(" live "));
    EXPECT_EQ(Data::tags(), QStringList({QStringLiteral("Pop")}));
    EXPECT_EQ(posted.count(vocab::RefreshFolder), 1);
    EXPECT_EQ(list.table()->currentRow(), 0); // the new last row
}

TEST_F(TagWindows, AFailureIsReportedOnceAtTheEndAndCancelKeepsTheTag)
{
    song(QStringLiteral("A(one).chopro"), QStringLiteral("Tags=jazz\n"));
    const QString b = song(QStringLiteral("B(two).chopro"), QStringLiteral("Tags=jazz\n"));
    song(QStringLiteral("C(three).chopro"), QStringLiteral("Tags=jazz\n"));
    load();
    // Each song's note is read again just before its edit: "two" is now a folder.
    QFile::remove(notefile::notePathForSong(b));
    QDir().mkpath(notefile::notePathForSong(b));
    Data::tags() = {QStringLiteral("jazz")};
    DataPref7 list;
    list.setNoteWriter(&writer);
    list.showDataPref7(true);
    // Before, each song that failed raised an alert of its own.
    dialogs.answerButton(QStringLiteral("Yes"));
    bool whole = false;
    list.removeTagFromAllSong(QStringLiteral("jazz"), [&whole](bool w) { whole = w; });
    writer.waitForIdle();
    EXPECT_TRUE(whole);
    ASSERT_EQ(dialogs.records().size(), 2);
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("These notes were left unchanged:\n")));
    EXPECT_TRUE(dialogs.lastText().contains(notefile::notePathForSong(b)));
    EXPECT_EQ(entry(QStringLiteral("C"))->pieceDet->infoF.trimmed(), QString());

    // Cancel after the first song: the tag stays listed, later songs keep it.
    song(QStringLiteral("A(one).chopro"), QStringLiteral("Tags=jazz\n"));
    song(QStringLiteral("C(three).chopro"), QStringLiteral("Tags=jazz\n"));
    load();
    list.progress = [](int done, int) { return done < 1; };
    list.table()->selectRow(0);
    dialogs.answerButton(QStringLiteral("Yes"));
    list.actionDeleteRow();
    writer.waitForIdle();
    EXPECT_EQ(Data::tags(), QStringList({QStringLiteral("jazz")}));
    EXPECT_EQ(entry(QStringLiteral("C"))->pieceDet->infoF, QStringLiteral(" jazz "));
}

TEST_F(TagWindows, TheListIsEditedInPlaceAndStoredOnClose)
{
    Data::tags() = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    DataPref7 list;
    list.showDataPref7(true);
    list.actionInsertRow();
    list.actionInsertRow();
    EXPECT_EQ(Data::tags().mid(3), QStringList({QStringLiteral("Tag1"), QStringLiteral("Tag1")}));
    list.updateTagAtIndex(1, QString());
    // A row that no longer exists, or data that does not decode, is refused.
    EXPECT_FALSE(list.acceptDrop(dragtypes::rowsMimeData(dragtypes::TagsDataType, {9}), 0));
    QMimeData junk;
    junk.setData(dragtypes::TagsDataType, "x");
    EXPECT_FALSE(list.acceptDrop(&junk, 0));
    std::unique_ptr<QMimeData> drag(dragtypes::rowsMimeData(dragtypes::TagsDataType, {2}));
    EXPECT_TRUE(list.acceptDrop(drag.get(), 0));
    list.close();
    // The cleared tag is dropped from what is stored.
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("tagStr")), QStringLiteral("c\na\nTag1\nTag1\n"));
    EXPECT_EQ(posted.count(vocab::ToolWindowShown), 1);
    EXPECT_EQ(posted.count(vocab::ToolWindowClosed), 1);

    list.showDataPref7(true);
    list.table()->clearSelection();
    list.table()->setCurrentItem(nullptr);
    list.actionDeleteRow();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("A row must be selected to perform this operation"));
}

TEST_F(TagWindows, AssignmentsPageTheTagColumns)
{
    song(QStringLiteral("A(one).chopro"), QStringLiteral("Tags=t2\n"));
    load();
    for (int n : {5, 20}) {
        Data::tags().clear();
        for (int i = 1; i <= n; ++i)
            Data::tags() << QStringLiteral("t%1").arg(i);
        DataPref8 w;
        w.prepare();
        QHeaderView *header = w.table()->horizontalHeader();
        auto headerText = [&](int c) { return w.table()->horizontalHeaderItem(c)->text(); };
        if (n == 5) {
            EXPECT_FALSE(w.table()->isColumnHidden(DataPref8::ColTag1 + 4));
            EXPECT_TRUE(w.table()->isColumnHidden(DataPref8::ColTag1 + 5));
            EXPECT_EQ(headerText(DataPref8::ColBack), QString());
            EXPECT_EQ(headerText(DataPref8::ColClear), QString());
            w.didClickTableColumn(DataPref8::ColClear);
            EXPECT_EQ(w.depart(), 0);
            EXPECT_EQ(w.table()->item(0, DataPref8::ColTag1 + 1)->checkState(), Qt::Checked);
        } else {
            EXPECT_EQ(headerText(DataPref8::ColClear), QStringLiteral("▶︎"));
            w.didClickTableColumn(DataPref8::ColClear);
            EXPECT_EQ(headerText(DataPref8::ColTag1), QStringLiteral("t9"));
            w.didClickTableColumn(DataPref8::ColClear);
            EXPECT_EQ(headerText(DataPref8::ColTag1), QStringLiteral("t13"));
            EXPECT_EQ(headerText(DataPref8::ColTag1 + 7), QStringLiteral("t20"));
            EXPECT_EQ(headerText(DataPref8::ColBack), QStringLiteral("◀︎"));
            w.didClickTableColumn(DataPref8::ColBack);
            w.didClickTableColumn(DataPref8::ColBack);
            EXPECT_EQ(w.depart(), 0);
        }
        Q_UNUSED(header);
        w.actionButtonEscape();
        // Browsing changes nothing.
        EXPECT_FALSE(posted.contains(vocab::RefreshFolder));
    }
}

TEST_F(TagWindows, AssignmentsBulkOperationsCountTheNotesWritten)
{
    const QString a = song(QStringLiteral("Jazz/A(one).chopro"), QStringLiteral("Tags=ROCK\n"));
    const QString b = song(QStringLiteral("B(two) Live.chopro"), QString());
    song(QStringLiteral("C(three).chopro"), QString());
    load();
    Data::tags() = {QStringLiteral("rock"), QStringLiteral("Jazz"), QStringLiteral("Live")};
    DataPref8 w;
    w.setNoteWriter(&writer);
    w.prepare();
    ASSERT_EQ(w.rowCount(), 3);
    w.selectRows({});
    w.actionProceed();
    writer.waitForIdle();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("One or many rows must be selected to perform this operation"));

    // Adding "rock": the song carrying "ROCK" already has it.
    w.selectRows({0, 1});
    w.actionProceed();
    writer.waitForIdle();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("1 entries updated"));
    EXPECT_EQ(noteOf(b), QStringLiteral("\nTags=rock\n"));
    // The check box shows only the spelling of the list.
    EXPECT_EQ(w.table()->item(0, DataPref8::ColTag1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(w.table()->item(1, DataPref8::ColTag1)->checkState(), Qt::Checked);

    // Removing it takes "ROCK" too.
    w.comboOperation()->setCurrentIndex(1);
    w.selectRows({0, 1});
    w.actionProceed();
    writer.waitForIdle();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("2 entries updated"));
    EXPECT_FALSE(QFileInfo::exists(notefile::notePathForSong(a)));

    // Extraction: "Jazz" from the folder inside the library, "Live" from the
    // name; the library's own name ("Rock Library") tags nothing.
    w.selectRows({0, 1, 2});
    w.actionExtractFromFilename();
    writer.waitForIdle();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("2 entries updated"));
    EXPECT_EQ(noteOf(a), QStringLiteral("\nTags=Jazz\n"));
    EXPECT_EQ(noteOf(b), QStringLiteral("\nTags=Live\n")); // one line added, no blank line before it

    // One row's box and its clear button.
    w.actionButtonTag(2, 2, true);
    writer.waitForIdle();
    EXPECT_EQ(w.rowSong(2)->pieceDet->infoF, QStringLiteral(" Live "));
    w.actionButtonClear(2);
    writer.waitForIdle();
    EXPECT_EQ(w.rowSong(2)->pieceDet->infoF.trimmed(), QString());

    // Clearing two songs asks first.
    w.selectRows({0, 1});
    w.actionClear();
    writer.waitForIdle();
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("Are you sure you want to remove tags from 2 entries?")));
    EXPECT_EQ(noteOf(a), QStringLiteral("\nTags=Jazz\n"));
    w.actionButtonEscape();
    EXPECT_EQ(posted.count(vocab::RefreshFolder), 1);
}

// Before, a box or a bulk operation read and wrote the notes on the main
// thread: with their share silent the window froze until it answered.
TEST_F(TagWindows, AssignmentsGoOnWhileTheNotesDoNotAnswer)
{
    const QString a = song(QStringLiteral("A(one).chopro"), QStringLiteral("Tags=pop\n"));
    const QString b = song(QStringLiteral("B(two).chopro"), QString());
    const QString c = song(QStringLiteral("C(three).chopro"), QString());
    load();
    Data::tags() = {QStringLiteral("rock")};
    testsupport::Gate answers;
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable { answers.open(); });
    const NoteWriter::ScopedFileCall share{[answers](const QString &) mutable { answers.wait(); }};
    NoteWriter held;
    DataPref8 w;
    w.setNoteWriter(&held);
    w.prepare();
    QList<int> asked;
    w.progress = [&asked](int done, int) {
        asked << done;
        return true;
    };
    w.actionButtonTag(0, 0, true);
    EXPECT_EQ(w.table()->item(0, DataPref8::ColTags)->text(), QStringLiteral(" pop rock ")) << "the record holds it";
    // A already carries it; B is queued behind A, C once B has answered.
    w.selectRows({0, 1, 2});
    w.actionProceed();
    EXPECT_EQ(asked, QList<int>({0, 1}));
    EXPECT_EQ(noteOf(a), QStringLiteral("Tags=pop\n"));
    EXPECT_TRUE(dialogs.records().isEmpty());

    answers.open();
    held.waitForIdle();
    EXPECT_EQ(asked, QList<int>({0, 1, 2}));
    EXPECT_EQ(noteOf(a), QStringLiteral("Tags=pop rock\n"));
    EXPECT_EQ(noteOf(b), QStringLiteral("\nTags=rock\n"));
    EXPECT_EQ(noteOf(c), QStringLiteral("\nTags=rock\n"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("2 entries updated"));

    // A tag taken off a note that never answers outlives the quit: before, the
    // quit only logged it.
    QTemporaryDir data;
    qputenv("TOLVANE_DATA_DIR", data.path().toUtf8());
    testsupport::Gate silent;
    const std::shared_ptr<void> letGo(nullptr, [silent](void *) mutable { silent.open(); });
    {
        const NoteWriter::ScopedFileCall still{[silent](const QString &) mutable { silent.wait(); }};
        NoteWriter quitting;
        w.setNoteWriter(&quitting);
        w.actionButtonTag(0, 0, false);
        quitting.finish(0);
    }
    qunsetenv("TOLVANE_DATA_DIR");
    const QFileInfoList kept = QDir(data.filePath(QStringLiteral("Kept notes"))).entryInfoList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    QFile copy(kept.first().filePath());
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll().trimmed(), QByteArray("Tags=pop"));
}

TEST_F(TagWindows, AssignmentsFilterByTitleAndTagText)
{
    song(QStringLiteral("A(one).chopro"), QStringLiteral("Tags=rockabilly\n"));
    song(QStringLiteral("B(two).chopro"), QStringLiteral("Tags=pop\n"));
    song(QStringLiteral("Midnight Bus.chopro"), QString());
    load();
    Data::tags() = {QStringLiteral("rock")};
    DataPref8 w;
    w.prepare();
    w.comboFiltreTags()->setEditText(QStringLiteral("ROCK"));
    w.refreshSelonFiltres();
    ASSERT_EQ(w.rowCount(), 1);
    EXPECT_EQ(w.rowSong(0)->pieceDet->titre, QStringLiteral("A"));
    w.actionReset();
    ASSERT_EQ(w.rowCount(), 3);
    // A song without an artist showed the stored "(nil)" as its artist.
    QStringList artists;
    for (int r = 0; r < w.rowCount(); ++r)
        artists << w.table()->item(r, DataPref8::ColArtist)->text();
    EXPECT_EQ(artists, QStringList({QStringLiteral("one"), QStringLiteral("two"), QString()}));
}

TEST_F(TagWindows, TheTagFilterSetsTheFilterText)
{
    Data::tags() = {QStringLiteral("rock"), QStringLiteral("pop")};
    Data::filterString() = QStringLiteral("old");
    DataPref9 w;
    w.showDataPref9();
    EXPECT_EQ(w.combo()->currentText(), QStringLiteral("old"));
    w.combo()->setEditText(QString());
    w.refreshSelonFiltres();
    EXPECT_EQ(Data::filterString(), QString());
    EXPECT_EQ(posted, QList<qint64>({vocab::ApplyFilterText}));
    w.showDataPref9();
    w.combo()->setEditText(QStringLiteral("pop"));
    w.actionButtonEscape();
    EXPECT_EQ(Data::filterString(), QString());

    // Tab and the field losing the focus end the edit as Return does. Before,
    // only keys sent straight to the combo's line edit were watched, which no
    // key press reaches: Tab and a change of window applied nothing.
    QWidget other;
    other.resize(100, 40);
    const struct {
        const char *ends;
        std::function<void()> end;
        bool applies, staysOpen;
    } cases[] = {
        {"Return", [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }, true, false},
        {"Tab", [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }, true, false},
        {"Shift+Tab", [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier); },
         true, false},
        {"another window",
         [&other] {
             other.show();
             other.activateWindow();
             QApplication::setActiveWindow(&other);
         },
         true, false},
        // The combo's own list taking the focus is no end of the edit.
        {"its list", [&w] { w.combo()->showPopup(); }, false, true},
        {"Escape", [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); }, false, false},
    };
    for (const auto &c : cases) {
        Data::filterString() = QStringLiteral("old");
        posted.clear();
        w.showDataPref9();
        QApplication::setActiveWindow(&w);
        ASSERT_EQ(QApplication::focusWidget(), w.combo()) << c.ends;
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("pop"));
        c.end();
        EXPECT_EQ(Data::filterString(), c.applies ? QStringLiteral("pop") : QStringLiteral("old")) << c.ends;
        EXPECT_EQ(posted.count(vocab::ApplyFilterText), c.applies ? 1 : 0) << c.ends;
        EXPECT_EQ(w.isVisible(), c.staysOpen) << c.ends;
        w.combo()->hidePopup();
        other.hide();
        w.actionButtonEscape();
    }
    Data::filterString() = QStringLiteral("pop");
    posted.clear();

    // The window going away with the focus in its field once ran the field's
    // handler on the half-destroyed window.
    auto shown = std::make_unique<DataPref9>();
    shown->showDataPref9();
    QApplication::setActiveWindow(shown.get());
    shown->combo()->setFocus();
    shown->combo()->setEditText(QStringLiteral("rock"));
    shown.reset();
    EXPECT_EQ(Data::filterString(), QStringLiteral("pop"));
    EXPECT_TRUE(posted.isEmpty());
}

TEST_F(TagWindows, TheTagDropFieldPostsTheTag)
{
    Data::tags() = {QStringLiteral("rock"), QStringLiteral("pop")};
    std::unique_ptr<QMimeData> drag(dragtypes::rowsMimeData(dragtypes::TagsDataType, {1}));
    EXPECT_TRUE(TagTextField::insertDroppedTag(drag.get()));
    EXPECT_EQ(texts, QStringList({vocab::ActionInsererTag + QStringLiteral(" pop")}));
    std::unique_ptr<QMimeData> stale(dragtypes::rowsMimeData(dragtypes::TagsDataType, {2}));
    EXPECT_FALSE(TagTextField::insertDroppedTag(stale.get()));
}

TEST_F(TagWindows, IdentifiersAreEditedAndStoredOnClose)
{
    Data::chargerWinIDs();
    DataPref4 w;
    w.showDataPref4(true);
    ASSERT_EQ(w.table()->rowCount(), 2);
    EXPECT_EQ(w.table()->item(0, 0)->text(), QStringLiteral("Lead"));
    EXPECT_EQ(w.policyCombo(1, DataPref4::ColDefPDF)->currentText(), QStringLiteral("Use Master PDF as default"));
    w.actionInsertRow();
    EXPECT_EQ(Data::winIDs().last()->idWin, QStringLiteral("id2"));
    w.policyCombo(2, DataPref4::ColDefCHO)->setCurrentIndex(2);
    w.updateWinIDAtIndex(2);
    EXPECT_EQ(Data::winIDs().at(2)->defCHO, 2);
    std::unique_ptr<QMimeData> drag(dragtypes::rowsMimeData(dragtypes::privateTableType(QStringLiteral("4")), {2}));
    EXPECT_TRUE(w.acceptDrop(drag.get(), 0));
    w.close();
    auto &d = UserDefaults::standard();
    EXPECT_EQ(d.integerForKey(QStringLiteral("WinID_nbWinID")), 3);
    EXPECT_EQ(d.stringForKey(QStringLiteral("WinID_idWin_0")), QStringLiteral("id2"));
    EXPECT_EQ(d.integerForKey(QStringLiteral("WinID_defCHO_0")), 2);

    // Deleting every identifier writes a count of 0; the next start has the two again.
    w.showDataPref4(true);
    for (int i = 0; i < 3; ++i) {
        w.table()->selectRow(0);
        w.actionDeleteRow();
    }
    w.close();
    EXPECT_EQ(d.integerForKey(QStringLiteral("WinID_nbWinID")), 0);
    Data::chargerWinIDs();
    EXPECT_EQ(Data::winIDs().size(), 2);
}

} // namespace
