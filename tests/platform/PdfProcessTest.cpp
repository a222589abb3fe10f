#include "platform/PdfProcess.h"

#include "platform/Clock.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using platform::PdfBytes;
using platform::PdfProcess;
using Outcome = PdfProcess::Outcome;

namespace {

// What a process's descriptors (from 3 on) point at.
QHash<int, QString> descriptorsOf(const QString &pid)
{
    QHash<int, QString> found;
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    // Every entry: QDir passes over a link to a memory file, as one to nothing.
    QStringList entries;
    if (DIR *dir = ::opendir(QFile::encodeName(fds).constData())) {
        while (const dirent *entry = ::readdir(dir))
            entries.append(QString::fromLocal8Bit(entry->d_name));
        ::closedir(dir);
    }
    for (const QString &fd : std::as_const(entries)) {
        char target[512];
        const ssize_t n = ::readlink(QFile::encodeName(fds + QLatin1Char('/') + fd).constData(), target, sizeof target);
        if (fd.toInt() > 2 && n > 0)
            found.insert(fd.toInt(), QString::fromLocal8Bit(target, n));
    }
    return found;
}

// A file of a process's in procfs; pid 0 for the test's own.
QByteArray procText(int pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid ? QString::number(pid) : QStringLiteral("self"), QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The readers among the children of the test's threads.
int readerChildren() { return int(testsupport::readerChildren().size()); }

// What the program has mapped at an address ("" for anonymous memory).
QString mappedAt(const void *at)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    const auto address = quintptr(at);
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        const QList<QByteArray> range = fields.value(0).split('-');
        if (range.size() == 2 && address >= range[0].toULongLong(nullptr, 16) && address < range[1].toULongLong(nullptr, 16))
            return QString::fromLocal8Bit(fields.value(5));
    }
    return QStringLiteral("?");
}

// The process's state letter ('Z' a zombie), 0 once it is gone.
char stateOf(int pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
    const qsizetype end = line.lastIndexOf(") ");
    return end < 0 ? 0 : line.at(end + 2);
}

PdfBytes pdfOf(const QByteArray &bytes)
{
    return PdfBytes::fromBytes(bytes);
}

QByteArray pagesPdf(int pages)
{
    QTemporaryDir dir;
    QFile file(testsupport::writePdf(dir.filePath(QStringLiteral("pages.pdf")), pages));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A page whose content stream inflates to `megabytes` of spaces.
QByteArray deflateBomb(int megabytes)
{
    // Past qCompress's length head, a zlib stream as a PDF's filter takes it.
    const QByteArray stream = qCompress(QByteArray(megabytes << 20, ' '), 9).mid(4);
    return testsupport::rawPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>",
                                "<< /Length " + QByteArray::number(stream.size()) + " /Filter /FlateDecode >>\nstream\n"
                                    + stream + "\nendstream"});
}

} // namespace

// The sizes of a long songbook came all at once with its load, and a page
// travelled whole through the socket, copied on both sides.
TEST(PdfProcess, AnswersTheSizesAskedAndRendersIntoMemoryItShares)
{
    // A page drawn into the memory it is shown from, by a reader and again by the next.
    QImage drawn;
    for (const bool again : {false, true}) {
        PdfProcess reader([] { return false; });
        const PdfProcess::Loaded loaded = reader.load(1, pdfOf(pagesPdf(5)), 5000, 2);
        ASSERT_EQ(loaded.outcome, Outcome::Done);
        EXPECT_EQ(loaded.pageCount, 5);
        EXPECT_EQ(loaded.pageSizes.size(), 2);
        const PdfProcess::Sizes rest = reader.pageSizes(1, 2, 10, 5000);
        EXPECT_EQ(rest.outcome, Outcome::Done);
        EXPECT_EQ(rest.sizes.size(), 3);
        EXPECT_EQ(rest.sizes.value(0), loaded.pageSizes.value(0));

        const PdfProcess::Rendered page = reader.render(1, 4, QSize(60, 85), 5000);
        ASSERT_EQ(page.outcome, Outcome::Done);
        EXPECT_EQ(page.image.size(), QSize(60, 85));
        EXPECT_EQ(page.image.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(page.image.bytesPerLine(), 60 * 4);
        QImage blank(page.image.size(), page.image.format());
        blank.fill(Qt::transparent);
        EXPECT_NE(page.image, blank) << "its number is drawn " << again;
        if (!again)
            drawn = page.image.copy();
        EXPECT_EQ(page.image, drawn);
        // The page was copied out of the child, then the memory file it filled,
        // which a child that kept it mapped could draw over while the page was
        // on screen: it is shown from that memory, which the child writes and never maps.
        EXPECT_TRUE(mappedAt(page.image.constBits()).startsWith(QStringLiteral("/memfd:tolvane-page")));
        EXPECT_FALSE(procText(reader.pid(), "maps").contains("tolvane-page"));
        const QImage shown = page.image.copy();
        ASSERT_FALSE(reader.render(1, 0, QSize(60, 85), 5000).image.isNull()); // drawn where the last page was
        EXPECT_EQ(page.image, shown);
        // Past the last page nothing is drawn, and the same child goes on.
        const int pid = reader.pid();
        EXPECT_TRUE(reader.render(1, 5, QSize(60, 85), 5000).image.isNull());
        EXPECT_EQ(reader.load(2, pdfOf("%PDF-1.4 not a pdf"), 5000).outcome, Outcome::Damaged);
        EXPECT_EQ(reader.pid(), pid);
        reader.end();
        EXPECT_EQ(page.image, drawn) << "shown from memory its ended child no longer holds";
    }
    // A page asked with its load is answered with it, but a slow one held the
    // load's answer past the load's time: its child was ended, the document blamed.
    PdfProcess slow([] { return false; });
    EXPECT_EQ(slow.load(1, pdfOf(deflateBomb(96)), 300, 1, {0, QSize(50, 50), false, 60000}).outcome, Outcome::Done);

    // A page fitted into a pane, asked with its load, is drawn at the size both
    // sides work out from the size answered, and taken by its render; one whose
    // size the load does not answer is not asked, and is drawn when rendered.
    const struct {
        int page;
        QSizeF pane;
        qreal ratio;
        bool withLoad;
    } fitted[] = {{1, QSizeF(61, 59), 1.0, true}, {0, QSizeF(333.3, 97.7), 1.25, true}, {3, QSizeF(60, 60), 1.0, false}};
    for (const auto &row : fitted) {
        PdfProcess reader([] { return false; });
        const PdfProcess::Loaded loaded = reader.load(1, pdfOf(pagesPdf(5)), 5000, 2, {row.page, QSize(), false, 5000, row.pane, row.ratio});
        ASSERT_EQ(loaded.outcome, Outcome::Done);
        const QSize size = PdfProcess::fitSize(loaded.pageSizes.value(row.page, loaded.pageSizes.value(0)), row.pane, row.ratio);
        EXPECT_EQ(reader.runs(PdfProcess::Call::Render, 1, row.page, size), row.withLoad) << row.page;
        const int pid = reader.pid();
        const PdfProcess::Rendered page = reader.render(1, row.page, size, 5000);
        ASSERT_EQ(page.outcome, Outcome::Done) << row.page;
        EXPECT_EQ(page.image.size(), size);
        const QImage first = page.image.copy();
        EXPECT_EQ(reader.render(1, row.page, size, 5000).image, first) << "the page asked, drawn again alike";
        EXPECT_EQ(reader.pid(), pid) << "the child is not ended for an answer it was asked for";
    }
}

// Each new reader, a fresh window's, started a cold child: the library's
// fonts and caches were set up again before its first page.
TEST(PdfProcess, AReaderThroughWithItsChildGivesItToTheNextUnlessItDied)
{
    PdfProcess::prepare();
    EXPECT_TRUE(testsupport::waitFor([] { return readerChildren() > 0; })) << "a spare is started";
    {
        // The next spare waits for the first page of the reader that took the last, not to compete for it.
        // Before, that was looked at only when the load came within half a second.
        PdfProcess::setSpareAfterMs(600000);
        const auto ownDelay = qScopeGuard([] { PdfProcess::setSpareAfterMs(0); });
        PdfProcess first([] { return false; });
        ASSERT_EQ(first.load(1, pdfOf(pagesPdf(1)), 5000).outcome, Outcome::Done);
        EXPECT_EQ(readerChildren(), 1);
        ASSERT_FALSE(first.render(1, 0, QSize(30, 40), 5000).image.isNull());
        EXPECT_TRUE(testsupport::waitFor([] { return readerChildren() == 2; }));
    }
    int pid = -1;
    for (int reader = 0; reader < 2; ++reader) {
        bool closed = false;
        PdfProcess next([&closed] { return closed; });
        ASSERT_EQ(next.load(1, pdfOf(pagesPdf(1)), 5000).outcome, Outcome::Done);
        if (reader > 0) {
            EXPECT_EQ(next.pid(), pid);
        }
        pid = next.pid();
        EXPECT_TRUE(procText(pid, "maps").contains("tolvane-pdf"));
        // Its window closed: the reader is stopped before it goes, which ended an idle child.
        closed = true;
    }
    // Given back, it holds no document of the last reader's.
    EXPECT_TRUE(testsupport::waitFor([pid] { return !procText(pid, "maps").contains("tolvane-pdf"); }));
    testsupport::signalChild(pid, SIGKILL); // while it waits as the spare
    ASSERT_TRUE(testsupport::waitFor([pid] { return stateOf(pid) == 0; })) << "reaped by the launcher";
    PdfProcess after([] { return false; });
    ASSERT_EQ(after.load(1, pdfOf(pagesPdf(1)), 5000).outcome, Outcome::Done);
    EXPECT_NE(after.pid(), pid);
}

// The child held whatever the program had opened without close-on-exec, and
// a child that died while idle stayed a zombie until its reader's next call.
TEST(PdfProcess, TheChildHoldsNothingOfTheProgramsAndIsReapedWhenItDies)
{
    int leaked[2];
    ASSERT_EQ(::pipe(leaked), 0);
    struct stat leakedPipe {};
    ASSERT_EQ(::fstat(leaked[0], &leakedPipe), 0);
    PdfProcess::setMemoryCeiling(PdfProcess::kMemoryCeiling - 1); // a fresh child, started after the pipe
    PdfProcess reader([] { return false; });
    const PdfBytes document = pdfOf(pagesPdf(1));
    ASSERT_EQ(reader.load(1, document, 5000).outcome, Outcome::Done);
    ASSERT_FALSE(reader.render(1, 0, QSize(30, 40), 5000).image.isNull());
    PdfProcess::setMemoryCeiling(0);
    ::close(leaked[0]);
    ::close(leaked[1]);

    // Its socket is fd 3; the rest it opened itself (anonymous inodes look alike in every process).
    QSet<QString> programs;
    for (const QString &target : descriptorsOf(QStringLiteral("self")))
        programs.insert(target);
    const QHash<int, QString> childs = descriptorsOf(QString::number(reader.pid()));
    EXPECT_TRUE(childs.value(3).startsWith(QStringLiteral("socket:")));
    for (auto it = childs.begin(); it != childs.end(); ++it) {
        if (it.key() == 3 || it.value().startsWith(QStringLiteral("anon_inode:")))
            continue;
        EXPECT_FALSE(programs.contains(it.value())) << it.key() << " " << it.value().toStdString();
        EXPECT_NE(it.value(), QStringLiteral("pipe:[%1]").arg(leakedPipe.st_ino)) << it.key();
        // The document and the page came as memory files, closed once mapped.
        EXPECT_FALSE(it.value().startsWith(QStringLiteral("/memfd:"))) << it.value().toStdString();
    }

    const int pid = reader.pid();
    // The kernel's first choice when memory runs short, with no signal of the program's blocked or ignored.
    EXPECT_EQ(procText(pid, "oom_score_adj").trimmed(), "1000");
    const QByteArray status = procText(pid, "status");
    // Past the C library's own two signals, which no program can block or ignore for a child.
    for (const char *mask : {"SigBlk:\t", "SigIgn:\t"})
        EXPECT_EQ(status.mid(status.indexOf(mask) + 8, 16).toULongLong(nullptr, 16) & ~(3ull << (SIGRTMIN - 3)), 0u) << mask;
    EXPECT_EQ(::fcntl(document.descriptor(), F_GET_SEALS), F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    // Nor can it shrink the page buffer under the program's mapping.
    const int buffer = descriptorsOf(QStringLiteral("self")).keys(QStringLiteral("/memfd:tolvane-page (deleted)")).value(0, -1);
    EXPECT_GE(buffer, 3);
    EXPECT_EQ(::fcntl(buffer, F_GET_SEALS) & (F_SEAL_SHRINK | F_SEAL_GROW), F_SEAL_SHRINK | F_SEAL_GROW);
    testsupport::signalChild(pid, SIGKILL);
    EXPECT_TRUE(testsupport::waitFor([pid] { return stateOf(pid) == 0; })) << "state " << stateOf(pid);
    EXPECT_FALSE(reader.loaded(1));
    ASSERT_EQ(reader.load(1, pdfOf(pagesPdf(1)), 5000).outcome, Outcome::Done);
    EXPECT_NE(reader.pid(), pid);
}

// A page that inflated past all memory was one more give-up: nothing told it
// from a reader that stalled or died for its own reasons.
TEST(PdfProcess, ADocumentPastTheCeilingRunsOutOfMemoryAndAnInterruptBlamesNothing)
{
    PdfProcess::setMemoryCeiling(48ll << 20);
    PdfProcess reader([] { return false; });
    // Beside another document, the ceiling was shared: blamed once a fresh child holding it alone runs out too.
    for (const bool beside : {true, false}) {
        if (beside) {
            ASSERT_EQ(reader.load(2, pdfOf(pagesPdf(1)), 5000).outcome, Outcome::Done);
        }
        ASSERT_EQ(reader.load(1, pdfOf(deflateBomb(160)), 5000).outcome, Outcome::Done);
        EXPECT_EQ(reader.render(1, 0, QSize(50, 50), 20000).outcome, beside ? Outcome::GivenUp : Outcome::OutOfMemory);
    }
    PdfProcess::setMemoryCeiling(0);

    bool interrupt = false;
    reader.setInterrupt([&interrupt] { return interrupt; });
    ASSERT_EQ(reader.load(1, pdfOf(pagesPdf(1)), 5000).outcome, Outcome::Done);
    interrupt = true;
    const int pid = reader.pid();
    EXPECT_EQ(reader.load(2, pdfOf(testsupport::loopingPdf()), 60000).outcome, Outcome::Interrupted);
    // Nor does it end the child: the call goes on there, beside what it holds,
    // and a call given way is taken up, not asked again. (Before, the child was ended.)
    EXPECT_TRUE(reader.loaded(1));
    EXPECT_EQ(reader.pid(), pid);
    EXPECT_TRUE(reader.runs(PdfProcess::Call::Load, 2));
    reader.end();
    interrupt = false;
    ASSERT_EQ(reader.load(1, pdfOf(pagesPdf(1)), 5000).outcome, Outcome::Done);
    interrupt = true;
    testsupport::signalChild(reader.pid(), SIGSTOP); // no answer can come before the interrupt
    EXPECT_EQ(reader.render(1, 0, QSize(30, 40), 5000).outcome, Outcome::Interrupted);
    // A print of the same page at that size takes no answer drawn without its annotations.
    EXPECT_FALSE(reader.runs(PdfProcess::Call::Render, 1, 0, QSize(30, 40), true));
    testsupport::signalChild(reader.pid(), SIGCONT);
    interrupt = false;
    // Taken up, within its first deadline: not drawn again from nothing.
    EXPECT_EQ(reader.render(1, 0, QSize(30, 40), 0).image.size(), QSize(30, 40));

    // Where a child's CPU time cannot be read, the same unknown twice was taken
    // for no progress: every call watched over 3 s was ended as stalled. Nor is
    // a child still for less than kStallS of the clock stalled (three reads are not).
    QTemporaryDir nothing;
    const testsupport::FixtureFiles worker; // the renderer thread's look at a child, tried here directly
    platform::ManualClock clock;
    const struct { QString proc; double step; } watches[] = {{nothing.path(), 0.05}, {QString(), 0.0}};
    for (const auto &watch : watches) {
        PdfProcess::setProcFolder(watch.proc);
        reader.setProgressWatch([&clock, &watch] { return clock.advance(watch.step), true; });
        if (!reader.loaded(1)) {
            ASSERT_EQ(reader.load(1, pdfOf(pagesPdf(1)), 5000).outcome, Outcome::Done);
        }
        testsupport::signalChild(reader.pid(), SIGSTOP);
        EXPECT_EQ(reader.render(1, 0, QSize(31, 40), 600).outcome, Outcome::GivenUp) << watch.step;
    }
    PdfProcess::setProcFolder(QString());
}

// The freed images' memory was kept four blocks of any size: after a print
// it held some 140 MB for the evening and served no screen page. Then it kept
// eight screen pages after a walk through songs, where three serve the next.
TEST(PdfProcess, ThePageMemoryKeptIsBoundedByItsBytesAndServesTheScreensPages)
{
    namespace memory = platform::pdfmemory;
    memory::letGoSpare();
    const QSize screen(958, 1055), print(2480, 3508); // a pane of a 1920x1080 window, A4 at 300 dpi
    QList<QImage> walk(8);
    for (QImage &page : walk)
        page = memory::pageImage(screen.width(), screen.height());
    walk.clear();
    EXPECT_LE(memory::imagePoolBytes(), memory::kPagesKept * (4 << 20));
    // One window's idle emptied the memory the other windows' pages come in;
    // what a thread ended left is anyone's.
    const qint64 kept = memory::imagePoolBytes();
    std::thread([] { memory::letGoSpare(); }).join();
    EXPECT_EQ(memory::imagePoolBytes(), kept);
    std::thread([&screen] { memory::pageImage(screen.width(), screen.height()); }).join();
    memory::letGoSpare();
    EXPECT_EQ(memory::imagePoolBytes(), 0);
    memory::pageImage(screen.width(), screen.height());
    QList<QImage> prints(4);
    for (QImage &page : prints)
        page = memory::pageImage(print.width(), print.height());
    prints.clear();
    EXPECT_LE(memory::imagePoolBytes(), memory::kImagePoolBytes);
    const QImage page = memory::pageImage(screen.width(), screen.height());
    EXPECT_EQ(memory::imagePoolBytes(), 0) << "a screen page is served from what is kept";
    memory::pageImage(400, 500); // and a thumbnail from a small page's memory
    const QImage thumbnail = memory::pageImage(100, 140);
    EXPECT_EQ(memory::imagePoolBytes(), 0);
}

// A child's page count was believed whatever it was: one that answered two
// billion pages had the program ask their sizes until it ran out of memory.
// Then a sound document whose pages take ten bytes each (in object streams)
// was refused as damaged, though only the child was broken.
TEST(PdfProcess, AnAnswerPastWhatAnyDocumentHoldsEndsTheChildAndBlamesNothing)
{
    // The pages the child answers, the frame's length it says (when it lies about that), its other lie, and the
    // outcomes of a load, of the second page's size, and of a page (drawn into a buffer: the fake child fills none,
    // and places none).
    const struct { const char *pages, *length, *lie; Outcome load, sizes, render; } rows[] = {
        {"100000", "0", "", Outcome::Done, Outcome::Done, Outcome::Done},
        {"2147483647", "0", "", Outcome::GivenUp, Outcome::GivenUp, Outcome::GivenUp},
        // Longer than asked: refused before it is read, not waited for.
        {"1", "268435456", "", Outcome::GivenUp, Outcome::GivenUp, Outcome::GivenUp},
        // A page of no finite size was taken, and left white.
        {"1", "0", "nan", Outcome::GivenUp, Outcome::GivenUp, Outcome::GivenUp},
        // The answer of another document's call.
        {"1", "0", "id1", Outcome::GivenUp, Outcome::GivenUp, Outcome::GivenUp},
        {"2", "0", "id2", Outcome::Done, Outcome::GivenUp, Outcome::GivenUp},
        {"2", "0", "id3", Outcome::Done, Outcome::Done, Outcome::GivenUp},
        // A page said to lie in the child's memory.
        {"1", "0", "address", Outcome::Done, Outcome::Done, Outcome::GivenUp},
        // An allocation refused outside any catch ended the child through terminate, unanswered.
        {"1", "0", "bad_alloc", Outcome::Done, Outcome::Done, Outcome::OutOfMemory},
    };
    PdfProcess::setProgram(QStringLiteral(TOLVANE_RENDER_FAKE));
    for (const auto &row : rows) {
        qputenv("TOLVANE_FAKE_PAGES", row.pages);
        qputenv("TOLVANE_FAKE_LENGTH", row.length);
        qputenv("TOLVANE_FAKE_LIE", row.lie);
        PdfProcess reader([] { return false; });
        QElapsedTimer took;
        took.start();
        const PdfProcess::Loaded loaded = reader.load(1, pdfOf(QByteArray(1 << 20, ' ')), 30000, 2);
        EXPECT_EQ(loaded.outcome, row.load) << row.pages << row.lie;
        EXPECT_EQ(loaded.pageCount, row.load == Outcome::Done ? std::atoi(row.pages) : 0);
        EXPECT_LT(took.elapsed(), 15000) << row.length;
        EXPECT_EQ(reader.pageSizes(1, 1, 1, 5000).outcome, row.sizes) << row.pages << row.lie;
        EXPECT_EQ(reader.render(1, 0, QSize(30, 40), 5000).outcome, row.render) << row.pages << row.lie;
        EXPECT_EQ(reader.pid() > 0, row.render != Outcome::GivenUp) << row.pages << row.lie;
    }
    for (const char *name : {"TOLVANE_FAKE_PAGES", "TOLVANE_FAKE_LENGTH", "TOLVANE_FAKE_LIE"})
        qunsetenv(name);
    PdfProcess::setMemoryCeiling(0);

    // A close while a page drawn waited to be collected had the child let it
    // go: the page was then copied from memory freed.
    qputenv("TOLVANE_FAKE_LIE", "drawn");
    qputenv("TOLVANE_FAKE_PAGES", "1");
    bool interrupt = false;
    PdfProcess reader([] { return false; });
    reader.setInterrupt([&interrupt] { return interrupt; });
    ASSERT_EQ(reader.load(1, pdfOf(QByteArray(1024, ' ')), 5000, 1).outcome, Outcome::Done);
    testsupport::signalChild(reader.pid(), SIGSTOP);
    interrupt = true;
    EXPECT_EQ(reader.render(1, 0, QSize(30, 40), 5000).outcome, Outcome::Interrupted);
    reader.close(1);
    testsupport::signalChild(reader.pid(), SIGCONT);
    interrupt = false;
    QImage drawn(30, 40, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(0x7f7f7f7f);
    EXPECT_EQ(reader.render(1, 0, QSize(30, 40), 5000).image, drawn);

    // The first page cost a round trip of its own after the load's: the page a
    // load asks is drawn in the same go (collected with the child stopped); one
    // answered for another page is refused.
    for (const char *lie : {"drawn", "page"}) {
        qputenv("TOLVANE_FAKE_LIE", lie);
        PdfProcess first([] { return false; });
        ASSERT_EQ(first.load(1, pdfOf(QByteArray(1024, ' ')), 5000, 1, {0, QSize(30, 40), false, 5000}).outcome, Outcome::Done);
        const int pid = first.pid();
        testsupport::signalChild(pid, SIGSTOP);
        const PdfProcess::Rendered page = first.render(1, 0, QSize(30, 40), 1000);
        EXPECT_EQ(page.outcome, lie == QByteArray("drawn") ? Outcome::Done : Outcome::GivenUp) << lie;
        EXPECT_EQ(page.image, lie == QByteArray("drawn") ? drawn : QImage()) << lie;
        if (first.pid() == pid)
            testsupport::signalChild(pid, SIGCONT);
    }
    for (const char *name : {"TOLVANE_FAKE_PAGES", "TOLVANE_FAKE_LIE"})
        qunsetenv(name);
    PdfProcess::setProgram(QString());
}
