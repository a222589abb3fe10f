#include "settings/DataHelp.h"
#include "settings/HelpPages.h"
#include "settings/WinVersions.h"

#include "controller/SampleSong.h"
#include "library/Data.h"
#include "platform/MainThreadFiles.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/Vocabulary.h"
#include "platform/desktop/RecordingDesktopServices.h"
#include "platform/dialogs/FileChooser.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/GatedScan.h"
#include "support/TestSupport.h"
#include "windows/WindowPDFx.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPdfDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A PDF song and two window identifiers; the bus and the desktop recorded.
class VersionsAndHelp : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("HOME", dir.path().toUtf8());
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
        QDir::setCurrent(dir.path());
        songs = dir.filePath(QStringLiteral("songs"));
        misty = testsupport::writePdf(QDir(songs).filePath(QStringLiteral("Misty.pdf")), 1);
        Data::initListePieces();
        Data::chargerTabsForDirNo(0, true);
        const platform::MainThreadFileScope setUp("the test's library, read before the windows");
        Data::chargerFichiers(songs, true);
        Data::setSongNoG(1);
        Data::chargerWinIDs();
        platform::NotificationCenter::defaultCenter().addObserver(
            QString(), [this](const platform::Notification &n) {
                if (n.name != vocab::ActionKey)
                    posted << n.name + QLatin1Char(' ') + n.stringParam();
            },
            &owner_);
    }
    void TearDown() override
    {
        qputenv("HOME", savedHome);
        qputenv("XDG_DATA_HOME", savedDataHome);
        QDir::setCurrent(savedCwd);
    }
    QString alternate(const char *name) const { return QDir(songs).filePath(QString::fromUtf8(name)); }

    QByteArray savedHome = qgetenv("HOME");
    QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    QString savedCwd = QDir::currentPath();
    testsupport::FreshDefaults defaults;
    platform::ScriptedDialogs dialogs;
    platform::RecordingDesktopServices desktop;
    testsupport::RawNamesDir dir; // a version named by bytes QTemporaryDir cannot remove
    QString songs, misty;
    QStringList posted;
    QObject owner_;
};

TEST_F(VersionsAndHelp, CreateOpenAndDeleteAlternateVersions)
{
    WinVersions w;
    w.showWin(Data::getPiece(1), false);
    ASSERT_TRUE(testsupport::waitFor([&] { return w.looked(); }));
    EXPECT_EQ(w.cellText(0, WinVersions::ColWinID), QStringLiteral("(Master)"));
    EXPECT_EQ(w.cellText(0, WinVersions::ColFilename), QStringLiteral("Misty.pdf"));
    EXPECT_EQ(w.cellText(0, WinVersions::ColOpen), QStringLiteral("Open in Viewer"));
    EXPECT_EQ(w.cellText(1, WinVersions::ColCreate), QStringLiteral("Create..."));
    EXPECT_EQ(w.cellText(1, WinVersions::ColDelete), QString());

    // A ChordPro version of the PDF: empty, and opened for editing.
    dialogs.answerButton(QStringLiteral("Create New ChordPro file"));
    w.actionButtonCreate(1);
    ASSERT_TRUE(testsupport::waitFor([&] { return w.looked(); }));
    const QString lead = alternate("Misty---Lead.chopro");
    ASSERT_TRUE(QFileInfo::exists(lead));
    EXPECT_EQ(QFileInfo(lead).size(), 0);
    EXPECT_EQ(posted, QStringList({vocab::ActionOpenNew + QLatin1Char(' ') + lead}));
    EXPECT_EQ(w.cellText(1, WinVersions::ColFilename), QStringLiteral("Misty---Lead.chopro"));
    EXPECT_EQ(w.cellText(1, WinVersions::ColOpen), QStringLiteral("Open in Editor"));
    EXPECT_EQ(w.cellText(1, WinVersions::ColDelete), QStringLiteral("Delete"));

    // A file made since the table was filled is never replaced.
    const QString drum = testsupport::writeFile(alternate("Misty---Drum.pdf"), "mine");
    dialogs.answerButton(QStringLiteral("Duplicate Master PDF"));
    w.actionButtonCreate(2);
    ASSERT_TRUE(testsupport::waitFor([&] { return w.looked(); }));
    EXPECT_EQ(bytesOf(drum), QByteArray("mine"));
    EXPECT_TRUE(dialogs.lastText().contains(QStringLiteral("already exists")));

    posted.clear();
    w.actionButtonOpen(2);
    EXPECT_EQ(posted, QStringList({vocab::ActionOpen + QLatin1Char(' ') + drum}));

    // Deleting goes to the trash.
    dialogs.answerButton(QStringLiteral("Yes"));
    w.actionButtonDelete(1);
    ASSERT_TRUE(testsupport::waitFor([&] { return w.looked(); }));
    EXPECT_FALSE(QFileInfo::exists(lead));
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("data/Trash/files"))).entryList(QDir::Files),
              QStringList({QStringLiteral("Misty---Lead.chopro")}));
    EXPECT_EQ(w.cellText(1, WinVersions::ColCreate), QStringLiteral("Create..."));

    // Before, a song whose name is not valid UTF-8 got no version, nor could a
    // version so named go to the trash: QFile's names lose the stray byte.
    const QByteArray pdf = bytesOf(misty);
    const QString odd = alternate("Misty ") + QChar(0xdce9), copy = odd + QStringLiteral("---Lead.pdf");
    ASSERT_EQ(::rename(QFile::encodeName(misty).constData(), platform::nativePath(odd + ".pdf").constData()), 0);
    Data::getPiece(1)->pieceDet->fichier = odd + ".pdf";
    dialogs.answerButton(QStringLiteral("Duplicate Master PDF"));
    w.actionButtonCreate(1);
    ASSERT_TRUE(testsupport::waitFor([&] { return w.looked(); }));
    dialogs.answerButton(QStringLiteral("Yes"));
    w.actionButtonDelete(1);
    ASSERT_TRUE(testsupport::waitFor([&] { return w.looked(); }));
    const platform::MainThreadFileScope look("the test's look at the trash");
    const QString trash = dir.filePath(QStringLiteral("data/Trash/"));
    EXPECT_EQ(platform::readRegularFile(trash + "files/" + platform::fileName(copy), 1 << 20).bytes, pdf);
    EXPECT_TRUE(platform::readRegularFile(trash + "info/" + platform::fileName(copy) + ".trashinfo", 4096)
                    .bytes.contains("\nPath=" + platform::nativePath(copy).toPercentEncoding("/") + '\n'));
}

TEST_F(VersionsAndHelp, AnIdentifierUnfitForAFileNameIsRefused)
{
    Data::winIDs().first()->idWin = QStringLiteral("a/b");
    WinVersions w;
    w.showWin(Data::getPiece(1), false);
    w.actionButtonCreate(1);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("The WID \"a/b\" cannot be part of a file name."));
    EXPECT_EQ(QDir(songs).entryList(QDir::Files), QStringList({QStringLiteral("Misty.pdf")}));
    EXPECT_TRUE(posted.isEmpty());
}

// Before, the chooser looked for the versions on the main thread: with the
// library folder on a silent share, showing it or pressing Return froze the keys.
TEST_F(VersionsAndHelp, TheChooserAnswersAtOnceAndTakesTheVersionsAsTheShareAnswers)
{
    const QString lead = testsupport::writeFile(alternate("Misty---Lead.pdf"), "x");
    testsupport::Gate windowLooks, chooserLooks;
    const auto held = [](testsupport::Gate gate) -> PageRenderer::FileLook {
        return [gate](const QString &path) {
            gate.wait();
            return platform::regularFileStamp(path);
        };
    };
    // A window bound to Lead that showed Misty's version; its renderer has forgotten it.
    WindowPDFx window(nullptr, held(windowLooks));
    window.iniMode(1, QStringLiteral("Lead"));
    window.setAltModeOk(true);
    Data::nsMutaryOfWindows() = {&window};
    DataPrefA chooser(nullptr, held(chooserLooks));
    const std::shared_ptr<void> atTheEnd(nullptr, [windowLooks, chooserLooks](void *) mutable {
        windowLooks.open();
        chooserLooks.open();
        Data::nsMutaryOfWindows().clear();
    });

    chooser.showDataPrefA();
    EXPECT_EQ(chooser.combo()->count(), 2) << "(Master) and (cancel) until the window's renderer answers";
    EXPECT_EQ(chooser.combo()->currentText(), QStringLiteral("(Master)"));
    windowLooks.open();
    ASSERT_TRUE(testsupport::waitFor([&] { return chooser.looked(); }));
    EXPECT_EQ(chooser.combo()->findText(QStringLiteral("Lead")), 1);
    EXPECT_EQ(chooser.combo()->currentText(), QStringLiteral("Lead")) << "no window shows the master";

    chooser.combo()->setEditText(QStringLiteral("nobody"));
    chooser.refreshSelonFiltres();
    EXPECT_EQ(dialogs.texts(), QStringList({"Invalid WID!"}));
    chooser.combo()->setEditText(QStringLiteral("drum"));
    chooser.refreshSelonFiltres();
    EXPECT_EQ(dialogs.texts(), QStringList({"Invalid WID!"})) << "the answer waits for the share";
    chooserLooks.open();
    ASSERT_TRUE(testsupport::waitFor([&] { return chooser.looked(); }));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("There is no alternate version for this WID!"));
    EXPECT_TRUE(posted.isEmpty());
    chooser.combo()->setEditText(QStringLiteral("lead"));
    chooser.refreshSelonFiltres();
    ASSERT_TRUE(testsupport::waitFor([&] { return chooser.looked(); }));
    EXPECT_EQ(posted, QStringList({vocab::ActionOpen + QLatin1Char(' ') + lead}));
}

TEST_F(VersionsAndHelp, EveryHelpDocumentOpensWithItsHeading)
{
    const platform::MainThreadFileScope direct("the help folder made in the test's folder");
    const QString folder = controller::ensureHelpDocuments(dir.filePath(QStringLiteral("help")));
    DataHelp help;
    help.setDocumentFolder(folder);
    for (int n : helppages::allPages()) {
        help.showDataHelp(n, false);
        EXPECT_EQ(help.windowTitle(), helppages::title(n)) << n;
        ASSERT_EQ(help.document()->status(), QPdfDocument::Status::Ready) << n;
        const QString heading = n == 0 ? QStringLiteral("Tolvane Help") : helppages::title(n).section(QStringLiteral(" - "), 1);
        EXPECT_TRUE(help.document()->getAllText(0).text().contains(heading)) << n;
        // The pages name this system's keys and this program, the MIDI ports aside.
        for (int p = 0; p < help.document()->pageCount(); ++p) {
            QString text = help.document()->getAllText(p).text();
            EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("\\bCmd\\b")))) << n;
            text.remove(QRegularExpression(QStringLiteral("Quillory\\s+(MIDI|IN|OUT)\\b")));
            EXPECT_FALSE(text.contains(QStringLiteral("Quillory"))) << n << " " << text.toStdString();
        }
    }
    help.showDataHelp(19, false);
    EXPECT_EQ(help.windowTitle(), QStringLiteral("Tolvane Help"));
    EXPECT_EQ(help.document()->pageCount(), [&] {
        help.showDataHelp(0, false);
        return help.document()->pageCount();
    }());
    EXPECT_GE(help.document()->pageCount(), helppages::kPageCount);
}

TEST_F(VersionsAndHelp, SavingACopyOfAHelpPage)
{
    // The program's own help folder, which the main thread may read.
    const QString folder = controller::ensureHelpDocuments(controller::helpFolderPath());
    DataHelp help;
    help.setDocumentFolder(folder);
    help.showDataHelp(9, false);
    const QByteArray page = bytesOf(QDir(folder).filePath(helppages::fileName(9)));
    ASSERT_FALSE(page.isEmpty());

    // Over an existing PDF (the chooser asked): replaced, then opened.
    const QString old = testsupport::writeFile(dir.filePath(QStringLiteral("out/old.pdf")), "old");
    dialogs.answerPath(old);
    help.actionPreview();
    ASSERT_TRUE(testsupport::waitFor([&] { return !desktop.lines().isEmpty(); }));
    EXPECT_EQ(bytesOf(old), page);
    EXPECT_EQ(desktop.lines(), QStringList({QStringLiteral("open ") + old}));

    // A name without ".pdf" gets it, and replacing that file is asked first.
    // Before, that name was looked at on the main thread: a share that did not answer froze the program.
    const QString other = testsupport::writeFile(dir.filePath(QStringLiteral("out/other.pdf")), "other");
    testsupport::Gate share;
    dialogs.answerPath(dir.filePath(QStringLiteral("out/other")));
    dialogs.answerButton(QStringLiteral("No"));
    const QString asked = QStringLiteral("%1 already exists. Replace it?").arg(other);
    {
        const platform::FileChooser::ScopedFileCall held([share](const QString &) { share.wait(); });
        help.actionPreview();
    }
    EXPECT_FALSE(dialogs.texts().contains(asked));
    share.open();
    ASSERT_TRUE(testsupport::waitFor([&] { return dialogs.texts().contains(asked); }));
    EXPECT_EQ(bytesOf(other), QByteArray("other"));

    // Before, the destination was deleted first and a failed copy lost it.
    QDir().mkpath(dir.filePath(QStringLiteral("out/busy.pdf")));
    dialogs.answerPath(dir.filePath(QStringLiteral("out/busy.pdf")));
    help.actionPreview();
    ASSERT_TRUE(testsupport::waitFor([&] { return dialogs.lastText().startsWith(QStringLiteral("The help page could not be saved to ")); }));
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("out/busy.pdf"))).isDir());
    EXPECT_EQ(desktop.records().size(), 1);
}

TEST_F(VersionsAndHelp, TheHelpFolderListsFifteenDocumentsAndTheSample)
{
    const platform::MainThreadFileScope direct("the help folder made in the test's folder");
    const QString folder = dir.filePath(QStringLiteral("Help Tolvane"));
    // A manual copied there under the program's former name is replaced, not kept beside the new one.
    for (const QString &former : helppages::formerFileNames())
        testsupport::writeFile(QDir(folder).filePath(former), "old manual");
    controller::ensureHelpDocuments(folder);
    controller::writeSampleSong(folder);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 20);
    // A changed copy is brought back; an unchanged one is left alone.
    const QString manual = QDir(folder).filePath(helppages::fileName(0));
    testsupport::writeFile(manual, "changed");
    controller::ensureHelpDocuments(folder);
    EXPECT_NE(bytesOf(manual), QByteArray("changed"));

    Data::initListePieces();
    Data::chargerTabsForDirNo(0, true);
    Data::chargerFichiers(folder, true);
    EXPECT_EQ(Data::getNbrPiecesOng(0), 16);
}

} // namespace
