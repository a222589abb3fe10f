#include "chords/ChordLibraryLine.h"
#include "chords/ChordFileImport.h"
#include "chords/windows/ChordLibrary.h"
#include "library/Data.h"
#include "library/TextCodec.h"
#include "platform/Clock.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/TestSupport.h"
#include "windows/PopupJauge.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QString guitar(const QString &name, const QList<int> &values, int fret = 1)
{
    return chordlib::defineLine(name, values, fret);
}

const QString kLibrary = guitar("C", {-1, 3, 2, 0, 1, 0}) + guitar("G", {3, 2, 0, 0, 0, 3}) + guitar("Am", {-1, 0, 2, 2, 1, 0});

// A chord file of `lines` distinct guitar shapes.
QString manyChords(int lines)
{
    QString text;
    for (int i = 0; i < lines; ++i)
        text += guitar(QStringLiteral("C%1").arg(i % 97), {i % 10, (i / 10) % 10, (i / 100) % 10, -1, 0, 0}, 1 + i % 12);
    return text;
}

class ChordImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data::chargerAllChordsString(false, -1, false); // marks them loaded: the text below stays
        Data::allChordsString() = kLibrary;
        lib = std::make_unique<ChordLibrary>();
    }
    void TearDown() override
    {
        // A dropped import may still be on a worker: its result must find no window.
        QThreadPool::globalInstance()->waitForDone();
        lib.reset();
        testsupport::processEvents();
    }

    QString write(const QString &name, const QByteArray &bytes) { return testsupport::writeFile(dir.filePath(name), bytes); }
    bool waitForImport()
    {
        return testsupport::waitFor([this]() { return !lib->importRunning(); });
    }

    testsupport::FreshDefaults defaults;
    platform::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    std::unique_ptr<ChordLibrary> lib;
};

TEST_F(ChordImportTest, EveryFileIsAnsweredWithoutWaitingOnIt)
{
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = dir.filePath(QStringLiteral("zero.txt"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    QString windows = manyChords(3);
    windows.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    const QString utf16 = write(QStringLiteral("unicode.txt"), *textcodec::encode(windows, textcodec::Encoding::Utf16LE));
    const QString folder = dir.filePath(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkpath(folder));

    struct Row {
        QString path;
        QString said;
        const char *why;
        bool timed = true;
    };
    const Row rows[] = {
        // Before, reading a pipe blocked the window for ever.
        {fifo, QStringLiteral("not a regular file"), "named pipe"},
        // Before, a link to /dev/zero grew the process by gigabytes.
        {zero, QStringLiteral("not a regular file"), "link to a device"},
        // Not timed: the cap's worth of bytes is read first.
        {write(QStringLiteral("big.txt"), QByteArray(chordlibrary::kMaxChordFileBytes + 1, ' ')), QStringLiteral("too large"),
         "over the size cap", false},
        // Before, these three imported nothing and said nothing.
        {write(QStringLiteral("empty.txt"), QByteArray()), QStringLiteral("is empty"), "empty file"},
        {dir.filePath(QStringLiteral("gone.txt")), QStringLiteral("does not exist"), "missing file"},
        {folder, QStringLiteral("is a folder"), "folder"},
        // Before, a library saved as Windows "Unicode" was refused as not a chord file.
        {utf16, QStringLiteral("Please select..."), "UTF-16 with a byte-order mark"},
    };
    for (const Row &r : rows) {
        dialogs.clear();
        if (r.path == utf16)
            dialogs.answerButton(QStringLiteral("Replace entire chord library"));
        QElapsedTimer took;
        took.start();
        lib->importChordsfromFile(r.path);
        ASSERT_TRUE(testsupport::waitFor([this]() { return !dialogs.texts().isEmpty(); })) << r.why;
        // Generous for a loaded build machine: what it guards took seconds or for ever.
        if (r.timed) {
            EXPECT_LT(took.elapsed(), 2000) << r.why;
        }
        EXPECT_TRUE(dialogs.lastText().contains(r.said)) << r.why << ": " << dialogs.lastText().toStdString();
        ASSERT_TRUE(waitForImport()) << r.why;
        if (r.path != utf16) {
            EXPECT_TRUE(dialogs.lastText().contains(r.path)) << r.why;
        }
    }
    EXPECT_EQ(lib->chordSpecsArray().size(), 3); // the UTF-16 file's chords replaced the library
    EXPECT_EQ(lib->chordSpecsArray().first().chordName(), QStringLiteral("C0"));
}

TEST_F(ChordImportTest, ALargeImportKeepsTheEventLoopTurning)
{
    const QString path = write(QStringLiteral("large.txt"), manyChords(5000).toUtf8());
    int ticks = 0;
    int ticksDuringImport = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&]() {
        ++ticks;
        if (lib->importRunning())
            ticksDuringImport = ticks;
    });
    timer.start(0);
    dialogs.answerButton(QStringLiteral("Keep existing chords"));
    lib->importChordsfromFile(path);
    ASSERT_TRUE(waitForImport());
    EXPECT_GT(ticksDuringImport, 0);
    EXPECT_EQ(lib->chordSpecsArray().size(), 5003);
    EXPECT_TRUE(lib->pendingChanges());
}

TEST_F(ChordImportTest, ProgressShowsAfterHalfASecondAndCancelDropsTheImport)
{
    platform::ManualClock clock;
    const QString path = write(QStringLiteral("chords.txt"), manyChords(50).toUtf8());

    // No popup for an import that is over within half a second.
    dialogs.answerButton(QStringLiteral("Keep existing chords"));
    lib->importChordsfromFile(path);
    clock.advance(0.4);
    EXPECT_EQ(lib->importProgress(), nullptr);
    // The worker's result only arrives through the event loop: still running here.
    clock.advance(0.1);
    ASSERT_NE(lib->importProgress(), nullptr);
    EXPECT_TRUE(lib->importProgress()->isVisible());
    ASSERT_TRUE(waitForImport());
    EXPECT_FALSE(lib->importProgress()->isVisible());
    EXPECT_EQ(lib->chordSpecsArray().size(), 53);

    // Cancel: no question, the library as it was.
    dialogs.clear();
    lib->importChordsfromFile(write(QStringLiteral("more.txt"), manyChords(60).toUtf8()));
    clock.advance(0.5);
    ASSERT_TRUE(lib->importProgress()->isVisible());
    lib->importProgress()->buttonCancel()->click();
    clock.advance(0.1);
    EXPECT_FALSE(lib->importRunning());
    EXPECT_FALSE(lib->importProgress()->isVisible());
    QThreadPool::globalInstance()->waitForDone();
    testsupport::processEvents();
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(lib->chordSpecsArray().size(), 53);
}

} // namespace
