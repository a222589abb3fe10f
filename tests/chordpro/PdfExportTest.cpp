// Mail, print, Preview and exports into folders, with recording desktop
// services and scripted dialogs.
#include "PdfExportFixture.h"

#include "platform/ThreadEnd.h"
#include "support/GatedScan.h"
#include "windows/PopupJauge.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QFile>
#include <QPdfDocument>
#include <QProgressBar>

#include "ChordProTestUtil.h"

using namespace pdfexporttest;

namespace {

QStringList revealed(const platform::RecordingDesktopServices &desktop)
{
    QStringList out;
    for (const auto &r : desktop.records())
        if (r.kind == QLatin1String("reveal"))
            out << QFileInfo(r.target).fileName();
    return out;
}

int pdfPages(const QString &path)
{
    QPdfDocument doc;
    doc.load(path);
    return doc.pageCount();
}

} // namespace

class PdfExport : public ExportFixture {
protected:
    QString temp() const { return songs.filePath(QStringLiteral("temp")); }
};

TEST_F(PdfExport, MailPreviewAndPrintGoThroughTemp)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    open(WinChordProToPDF::Mail).buttonIncludeHeader()->setChecked(true);
    proceed();
    const QString mailed = QDir(temp()).filePath(QStringLiteral("Song.pdf"));
    EXPECT_EQ(desktop.lines(), QStringList{QStringLiteral("mail ") + mailed});
    EXPECT_GE(pdfPages(mailed), 1);
    {
        // The header of a song without an artist read "Song ((nil))".
        QPdfDocument doc;
        doc.load(mailed);
        const QString text = doc.getAllText(0).text();
        EXPECT_TRUE(text.contains(QStringLiteral("Song"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("("))) << text.toStdString();
    }
    testsupport::writeFile(QDir(temp()).filePath(QStringLiteral("kept.pdf")), "mine");

    desktop.clear();
    open(WinChordProToPDF::Preview);
    proceed();
    EXPECT_EQ(desktop.lines(), QStringList{QStringLiteral("open ") + mailed});
    EXPECT_TRUE(win->isVisible()); // Preview leaves the window open

    // Printing once removed the whole "temp" folder, with the user's files in it.
    desktop.clear();
    QFile::rename(mailed, QDir(temp()).filePath(QStringLiteral("earlier.pdf")));
    open(WinChordProToPDF::Print);
    proceed();
    EXPECT_EQ(desktop.lines(), QStringList{QStringLiteral("print ") + mailed});
    EXPECT_EQ(filesIn(temp()), QStringList({QStringLiteral("earlier.pdf"), QStringLiteral("kept.pdf")}));

    // With nothing else in it, print leaves no "temp" behind.
    QDir(temp()).removeRecursively();
    open(WinChordProToPDF::Print);
    proceed();
    EXPECT_FALSE(QFileInfo::exists(temp()));
}

TEST_F(PdfExport, PdfSongsAndVersionsGoUnchanged)
{
    startWithFiles({QStringLiteral("Song.pdf"), QStringLiteral("Song---Lead.chopro")});
    addWinID(QStringLiteral("Lead"));
    open(WinChordProToPDF::Mail);
    proceed();
    EXPECT_EQ(desktop.lines(), QStringList{QStringLiteral("mail ") + songs.filePath(QStringLiteral("Song.pdf"))});

    desktop.clear();
    open(WinChordProToPDF::Preview);
    chooseVersion(QStringLiteral("Lead"));
    proceed();
    EXPECT_EQ(desktop.lines(), QStringList{QStringLiteral("open ") + QDir(temp()).filePath(QStringLiteral("Song---Lead.pdf"))});
}

TEST_F(PdfExport, UnreadableSongHandsNothingOver)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    QFile::remove(songs.filePath(QStringLiteral("Song.chopro")));
    for (qint64 oper : {WinChordProToPDF::Mail, WinChordProToPDF::Print, WinChordProToPDF::Preview}) {
        dialogs.clear();
        open(oper);
        proceed();
        EXPECT_TRUE(desktop.records().isEmpty()) << oper;
        ASSERT_EQ(dialogs.texts().size(), 1) << oper;
        EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("The PDF of \"Song\" could not be made"))) << oper;
        EXPECT_FALSE(QFileInfo::exists(temp())) << oper;
    }
}

TEST_F(PdfExport, TabWithAlternatesRunsTwoPassesWithNotes)
{
    startWithFiles({QStringLiteral("A.chopro"), QStringLiteral("B.chopro"), QStringLiteral("B.txt"),
                    QStringLiteral("C.pdf"), QStringLiteral("B---Lead.chopro"), QStringLiteral("C---Lead.pdf")});
    addWinID(QStringLiteral("Lead"));
    addWinID(QStringLiteral("Drum"));
    open(WinChordProToPDF::ExportTab);
    win->buttonIncludeNote()->setChecked(true);
    ASSERT_TRUE(win->buttonIncludeMaster()->isChecked());
    exportTo(out.path());

    EXPECT_EQ(alerts().value(0), QStringLiteral("Export 3 song(s) to %1").arg(out.path()));
    EXPECT_EQ(filesIn(out.path()), QStringList({"A.pdf", "B---Lead.pdf", "B.pdf", "B.txt", "C---Lead.pdf", "C.pdf"}));
    const PopupJauge *gauge = win->popupJaugeController();
    EXPECT_EQ(gauge->level1()->maximum(), 6);
    EXPECT_EQ(gauge->level1()->value(), 6);
    EXPECT_FALSE(gauge->enCours());
    EXPECT_EQ(revealed(desktop), QStringList{QStringLiteral("A.pdf")});
    EXPECT_EQ(alerts().size(), 1); // the question only
    EXPECT_EQ(pdfPages(QDir(out.path()).filePath(QStringLiteral("C---Lead.pdf"))), 2); // copied as it is
}

TEST_F(PdfExport, ChosenIdentifierRules)
{
    startWithFiles({QStringLiteral("A.chopro"), QStringLiteral("B.chopro"), QStringLiteral("B---Lead.pdf")});
    addWinID(QStringLiteral("Lead"));
    struct Row {
        bool includeMaster;
        QStringList files;
        const char *why;
    } rows[] = {
        {false, {"B---Lead.pdf"}, "a song without the alternate yields nothing"},
        {true, {"A.pdf", "B---Lead.pdf", "B.pdf"}, "with the masters, every song yields its master too"},
    };
    for (const Row &r : rows) {
        QTemporaryDir folder;
        open(WinChordProToPDF::ExportTab);
        chooseVersion(QStringLiteral("Lead"));
        win->buttonIncludeMaster()->setChecked(r.includeMaster);
        exportTo(folder.path());
        EXPECT_EQ(filesIn(folder.path()), r.files) << r.why;
        EXPECT_EQ(win->popupJaugeController()->level1()->maximum(), 2) << r.why;
    }
}

TEST_F(PdfExport, CurrentSongWithEveryAlternate)
{
    startWithFiles({QStringLiteral("A.chopro"), QStringLiteral("A---Lead.chopro"), QStringLiteral("A---Drum.pdf")});
    addWinID(QStringLiteral("Lead"));
    addWinID(QStringLiteral("Drum"));
    addWinID(QStringLiteral("Keys"));
    open(WinChordProToPDF::ExportSong);
    dialogs.answerPath(out.path());
    proceed();
    ASSERT_TRUE(settle());
    EXPECT_EQ(filesIn(out.path()), QStringList({"A---Drum.pdf", "A---Lead.pdf", "A.pdf"}));
    EXPECT_EQ(revealed(desktop), QStringList{QStringLiteral("A.pdf")});
    EXPECT_TRUE(win->buttonIncludeMaster()->isChecked());
    EXPECT_TRUE(alerts().isEmpty());
}

TEST_F(PdfExport, SiblingsOfOneNameBothArrive)
{
    startWithFiles({QStringLiteral("Song.chopro"), QStringLiteral("Song.pdf")});
    testsupport::writeFile(QDir(out.path()).filePath(QStringLiteral("Song.pdf")), "from an earlier run");
    open(WinChordProToPDF::ExportTab);
    exportTo(out.path());
    // The second sibling once replaced the first one's file.
    EXPECT_EQ(filesIn(out.path()), QStringList({"Song.pdf", "Song_1.pdf"}));
    EXPECT_EQ(pdfPages(QDir(out.path()).filePath(QStringLiteral("Song.pdf"))) >= 1, true);
    EXPECT_GE(pdfPages(QDir(out.path()).filePath(QStringLiteral("Song_1.pdf"))), 1);
}

TEST_F(PdfExport, CancelAndReloadBetweenTurns)
{
    startWithFiles({QStringLiteral("A.chopro"), QStringLiteral("B.chopro"), QStringLiteral("C.chopro")});
    open(WinChordProToPDF::ExportTab);
    win->buttonIncludeMaster()->setChecked(false);
    dialogs.answerPath(out.path());
    dialogs.answerButton(QStringLiteral("Yes"));
    proceed();
    // The batch once read the live list on every turn: a folder reload in
    // between exported other songs or read past the end of the list.
    QObject::connect(win->popupJaugeController()->level1(), &QProgressBar::valueChanged, [](int v) {
        if (v == 1)
            Data::initListePieces();
    });
    ASSERT_TRUE(settle());
    EXPECT_EQ(filesIn(out.path()), QStringList({"A.pdf", "B.pdf", "C.pdf"}));

    QTemporaryDir second;
    open(WinChordProToPDF::ExportTab);
    EXPECT_EQ(win->comboWinID()->currentIndex(), 0);
    exportTo(out.path()); // nothing in the tab now
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("No file exported!"));

    {
        const platform::MainThreadFileScope setUp("the test's library, read again before the export");
        Data::chargerFichiers(songs.path(), true);
    }
    desktop.clear();
    open(WinChordProToPDF::ExportTab);
    win->buttonIncludeMaster()->setChecked(false);
    dialogs.answerPath(second.path());
    dialogs.answerButton(QStringLiteral("Yes"));
    proceed();
    PopupJauge *gauge = win->popupJaugeController();
    QObject::connect(gauge->level1(), &QProgressBar::valueChanged, gauge, [gauge](int v) {
        if (v == 1)
            gauge->actionButtonCancel();
    });
    ASSERT_TRUE(settle());
    EXPECT_EQ(filesIn(second.path()), QStringList{QStringLiteral("A.pdf")});
    EXPECT_EQ(revealed(desktop), QStringList{QStringLiteral("A.pdf")});
    EXPECT_FALSE(gauge->enCours());
}

TEST_F(PdfExport, FailuresAreCountedAndOnlyRealFilesRevealed)
{
    startWithFiles({QStringLiteral("A.chopro"), QStringLiteral("B.chopro"), QStringLiteral("C.chopro")});
    QDir(out.path()).mkdir(QStringLiteral("A.pdf")); // a folder in the way: A cannot be written
    QFile::remove(songs.filePath(QStringLiteral("C.chopro")));
    open(WinChordProToPDF::ExportTab);
    win->buttonIncludeMaster()->setChecked(false);
    exportTo(out.path());
    EXPECT_EQ(filesIn(out.path()), QStringList{QStringLiteral("B.pdf")});
    EXPECT_EQ(revealed(desktop), QStringList{QStringLiteral("B.pdf")});
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("2 file(s) could not be exported:\nA.chopro (")))
        << dialogs.lastText().toStdString();
}

TEST_F(PdfExport, CopiesKeepFilesAlreadyInTheFolder)
{
    // Copies used to replace a file of the same name that an earlier export
    // left there, which the performer may have edited since.
    startWithFiles({QStringLiteral("Song.pdf"), QStringLiteral("Tune.chopro"), QStringLiteral("Tune---Lead.pdf")});
    addWinID(QStringLiteral("Lead"));
    struct Row {
        QString version, kept;
    } rows[] = {
        {QString(), QStringLiteral("Song.pdf")},
        {QStringLiteral("Lead"), QStringLiteral("Tune---Lead.pdf")},
    };
    for (const Row &r : rows) {
        QTemporaryDir folder;
        const QString kept = testsupport::writeFile(QDir(folder.path()).filePath(r.kept), "edited by hand");
        dialogs.clear();
        open(WinChordProToPDF::ExportTab);
        chooseVersion(r.version);
        win->buttonIncludeMaster()->setChecked(false);
        exportTo(folder.path());
        QFile file(kept);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("edited by hand")) << r.kept.toStdString();
        EXPECT_TRUE(dialogs.lastText().contains(QStringLiteral("1 file(s) could not be exported:\n%1 (").arg(r.kept)))
            << dialogs.lastText().toStdString();
    }
}

TEST_F(PdfExport, OutputFolderRefusals)
{
    startWithFiles({QStringLiteral("A.chopro")});
    QDir(songs.path()).mkdir(QStringLiteral("exports"));
    struct Row {
        QString folder, message;
    } rows[] = {
        {songs.path(), "Output folder must not be the source folder."},
        {songs.path() + QStringLiteral("/exports/.."), "Output folder must not be the source folder."},
        {songs.filePath(QStringLiteral("exports")), "Output folder must not be inside the source folder."},
    };
    for (const Row &r : rows) {
        dialogs.clear();
        open(WinChordProToPDF::ExportSong);
        dialogs.answerPath(r.folder);
        proceed();
        EXPECT_EQ(alerts(), QStringList{r.message});
    }
    EXPECT_TRUE(desktop.records().isEmpty());
    EXPECT_TRUE(filesIn(songs.filePath(QStringLiteral("exports"))).isEmpty());
}

TEST_F(PdfExport, SecondBatchWaitsForTheFirst)
{
    startWithFiles({QStringLiteral("A.chopro")});
    open(WinChordProToPDF::ExportTab);
    dialogs.answerPath(out.path());
    dialogs.answerButton(QStringLiteral("Yes"));
    proceed();
    ASSERT_TRUE(win->batchRunning());
    open(WinChordProToPDF::ExportTab);
    QTemporaryDir other;
    dialogs.answerPath(other.path());
    dialogs.answerButton(QStringLiteral("Yes"));
    win->actionProceed();
    EXPECT_TRUE(testsupport::waitFor(
        [&] { return dialogs.lastText() == QStringLiteral("Export of PDF files is currently in progress."); }));
    ASSERT_TRUE(settle());
    EXPECT_EQ(filesIn(out.path()), QStringList{QStringLiteral("A.pdf")});
    EXPECT_TRUE(filesIn(other.path()).isEmpty());
}

// Before, the export looked for each song's version, read it and wrote its PDF
// on the main thread: with the library on a share that did not answer, the
// whole program froze for as long.
TEST_F(PdfExport, ASilentShareHoldsTheExportAlone)
{
    testsupport::Ceiling ceiling(60);
    startWithFiles({QStringLiteral("A.chopro"), QStringLiteral("A---Lead.chopro"), QStringLiteral("B.chopro")});
    addWinID(QStringLiteral("Lead"));
    testsupport::Gate reached, answers;
    look = [reached, answers](const QString &path) mutable {
        reached.open();
        answers.wait();
        return QFileInfo::exists(path);
    };
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable { answers.open(); });
    auto start = [this](const QString &folder) {
        open(WinChordProToPDF::ExportTab);
        chooseVersion(QStringLiteral("Lead"));
        win->buttonIncludeMaster()->setChecked(false);
        dialogs.answerPath(folder);
        dialogs.answerButton(QStringLiteral("Yes"));
        proceed();
        manualClock().advance(0);
    };
    QTemporaryDir left;
    start(left.path());
    reached.wait();
    EXPECT_EQ(win->popupJaugeController()->txt1()->text(), QStringLiteral("1/2 A")) << "the song the share holds";
    // Closing the progress ends the export there, waiting for no share.
    QElapsedTimer took;
    took.start();
    win->popupJaugeController()->close();
    EXPECT_LT(took.elapsed(), platform::kThreadEndWaitMs);
    EXPECT_FALSE(win->batchRunning());

    start(out.path()); // not refused as one in progress
    EXPECT_TRUE(win->batchRunning());
    answers.open();
    ASSERT_TRUE(settle());
    EXPECT_EQ(filesIn(out.path()), QStringList{QStringLiteral("A---Lead.pdf")});
    EXPECT_TRUE(filesIn(left.path()).isEmpty()) << "the answer of the export closed is dropped";
    EXPECT_EQ(alerts().filter(QStringLiteral("progress")), QStringList());
}
