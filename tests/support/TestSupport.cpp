#include "support/TestSupport.h"

#include "platform/AtomicFile.h"
#include "platform/UserDefaults.h"
#include "support/FileGuard.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QPdfWriter>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <condition_variable>
#include <cstdio>
#include <cstddef>
#include <cstdlib>
#include <fcntl.h>
#include <ftw.h>
#include <mutex>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

FreshDefaults::FreshDefaults() { platform::UserDefaults::openStandard(QString()); }
FreshDefaults::~FreshDefaults() { platform::UserDefaults::openStandard(QString()); }

namespace {
thread_local int fixtureFiles = 0;
} // namespace

FixtureFiles::FixtureFiles() { ++fixtureFiles; }
FixtureFiles::~FixtureFiles() { --fixtureFiles; }
bool fixtureFilesUnderWay() { return fixtureFiles > 0; }

struct Ceiling::Watch {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
};

MainThreadFilesFail::MainThreadFilesFail()
    : outer_(platform::setNotedFileCallHandler([](const platform::NotedFileCall &noted) {
          ADD_FAILURE() << "A file " << noted.call.toStdString() << " on the main thread, outside the program's own folders: \""
                        << noted.path.toStdString() << "\"\nfrom\n" << noted.stack.toStdString();
      }))
{
}

MainThreadFilesFail::~MainThreadFilesFail()
{
    platform::setNotedFileCallHandler(std::move(outer_));
}

bool guardEveryTest()
{
    struct Guard : ::testing::Environment {
        void SetUp() override { fail = std::make_unique<MainThreadFilesFail>(); }
        void TearDown() override { fail.reset(); }
        std::unique_ptr<MainThreadFilesFail> fail;
    };
    static const bool once = (::testing::AddGlobalTestEnvironment(new Guard), true);
    return once;
}

void limitTheRun(int seconds)
{
    if (seconds <= 0)
        return;
    struct Running {
        std::mutex mutex;
        std::string test = "the start";
    };
    struct Listener : ::testing::EmptyTestEventListener {
        explicit Listener(std::shared_ptr<Running> r) : running(std::move(r)) {}
        void OnTestStart(const ::testing::TestInfo &test) override
        {
            std::lock_guard lock(running->mutex);
            running->test = std::string(test.test_suite_name()) + "." + test.name();
        }
        std::shared_ptr<Running> running;
    };
    auto running = std::make_shared<Running>();
    ::testing::UnitTest::GetInstance()->listeners().Append(new Listener(running));
    std::thread([running, seconds]() {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        std::lock_guard lock(running->mutex);
        std::fprintf(stderr, "[  FAILED  ] %s still runs when the suite's %d s are up: it hangs\n", running->test.c_str(),
                     seconds);
        std::fflush(stderr);
        std::_Exit(1);
    }).detach();
}

Ceiling::Ceiling(double seconds) : watch_(std::make_shared<Watch>())
{
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : std::string("a test");
    std::thread([watch = watch_, seconds, name]() {
        std::unique_lock lock(watch->mutex);
        if (watch->ended.wait_for(lock, std::chrono::duration<double>(seconds), [&watch]() { return watch->done; }))
            return;
        std::fprintf(stderr, "[  FAILED  ] %s still runs after %g s: it hangs\n", name.c_str(), seconds);
        std::fflush(stderr);
        std::_Exit(1);
    }).detach();
}

Ceiling::~Ceiling()
{
    {
        std::lock_guard lock(watch_->mutex);
        watch_->done = true;
    }
    watch_->ended.notify_all();
}

QString goldenDirBeside(const char *sourceFile)
{
    QFileInfo source(QString::fromUtf8(sourceFile));
    if (source.isRelative()) // relative to the build folder, one above the test program
        source = QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/../") + QString::fromUtf8(sourceFile));
    return source.absolutePath() + QStringLiteral("/golden");
}

void compareWithGolden(const QImage &picture, const QString &goldenDir, const QString &name)
{
    const QString path = goldenDir + QLatin1Char('/') + name + QStringLiteral(".png");
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    if (qEnvironmentVariableIsSet("TOLVANE_UPDATE_GOLDEN")) {
        QDir().mkpath(goldenDir);
        ASSERT_TRUE(image.save(path)) << qPrintable(path);
        return;
    }
    const QImage golden = QImage(path).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(golden.isNull()) << "missing " << qPrintable(path);
    ASSERT_EQ(golden.size(), image.size());
    int off = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb a = image.pixel(x, y), b = golden.pixel(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                    std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
            off += d > 40;
        }
    EXPECT_LE(off, image.width() * image.height() / 200) << qPrintable(name) << ": " << off << " pixels differ";
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    const FixtureFiles fixture;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return QFileInfo(path).absoluteFilePath();
}

QString writeProgram(const QString &path, const QByteArray &script)
{
    const QString written = writeFile(path, script);
    QFile::setPermissions(written, QFile::permissions(written) | QFileDevice::ExeOwner);
    return written;
}

QString writePdf(const QString &path, int pages)
{
    const FixtureFiles fixture;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    QPainter painter(&writer);
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        QFont font = painter.font();
        font.setPointSize(72);
        painter.setFont(font);
        painter.drawText(QRect(0, 0, 500, 700), Qt::AlignCenter, QString::number(page));
    }
    painter.end();
    return QFileInfo(path).absoluteFilePath();
}

QByteArray rawPdf(const QList<QByteArray> &objects, const QByteArray &trailer)
{
    QByteArray out = "%PDF-1.4\n", xref;
    for (int i = 0; i < objects.size(); ++i) {
        xref += QByteArray::number(out.size()).rightJustified(10, '0') + " 00000 n \n";
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const QByteArray size = QByteArray::number(objects.size() + 1);
    return out + "xref\n0 " + size + "\n0000000000 65535 f \n" + xref + "trailer\n<< /Size " + size + " /Root 1 0 R "
         + trailer + ">>\nstartxref\n" + QByteArray::number(out.size()) + "\n%%EOF\n";
}

QByteArray loopingPdf()
{
    return rawPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [2 0 R 2 0 R] /Count 2 >>"});
}

QByteArray heavyPdf(int rects)
{
    QByteArray content;
    content.reserve(rects * 16);
    for (int i = 0; i < rects; ++i)
        content += QByteArray::number(i % 500) + ' ' + QByteArray::number(i / 500 % 700) + " 1 1 re f\n";
    const QByteArray packed = qCompress(content).mid(4); // a zlib stream, without Qt's length
    return rawPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                   "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 500 700] /Contents 4 0 R >>",
                   "<< /Length " + QByteArray::number(packed.size()) + " /Filter /FlateDecode >>\nstream\n" + packed
                       + "\nendstream"});
}

QList<int> readerChildren()
{
    const auto text = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QList<int> found;
    for (const QString &task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QByteArray &pid : text(QStringLiteral("/proc/self/task/%1/children").arg(task)).split(' '))
            if (pid.toInt() > 0 && text(QStringLiteral("/proc/%1/comm").arg(pid.toInt())).startsWith("tolvane-render"))
                found.append(pid.toInt());
    return found;
}

bool signalChild(qint64 pid, int signal)
{
    if (pid <= 0) {
        ADD_FAILURE() << "signal " << signal << " to pid " << pid << ": no process of the test's";
        return false;
    }
    return ::kill(pid_t(pid), signal) == 0;
}

void processEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QAction *menuItem(QMenu *menu, const QStringList &path)
{
    for (QAction *a : menu ? menu->actions() : QList<QAction *>()) {
        if (a->text() != path.first())
            continue;
        return path.size() == 1 ? a : a->menu() ? menuItem(a->menu(), path.mid(1)) : nullptr;
    }
    return nullptr;
}

void clickThroughWindow(QWidget *widget, std::optional<QPoint> at)
{
    QWidget *window = widget->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                      widget->mapTo(window, at.value_or(widget->rect().center())));
}

bool waitFor(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    return done();
}

void runThisTestInChild(const QProcessEnvironment &environment)
{
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=%1.%2").arg(QString::fromLatin1(info->test_suite_name()),
                                                            QString::fromLatin1(info->name()))});
    const bool finished = child.waitForFinished(120000);
    if (!finished) {
        child.kill();
        child.waitForFinished();
    }
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_TRUE(finished) << "the child did not finish";
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

PrivateBus::PrivateBus()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        return;
    // A configuration of our own: the session one is not installed everywhere. The socket goes in
    // our folder, so that the one a killed daemon leaves behind goes with it.
    const QString config = writeFile(
        dir_.filePath(QStringLiteral("bus.conf")),
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>session</type><listen>unix:dir=" + dir_.path().toHtmlEscaped().toUtf8() +
            "</listen><auth>EXTERNAL</auth>\n"
        "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
        "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    // It goes with the tests, also when they crash.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                            QStringLiteral("--print-address")});
    if (process_.waitForReadyRead(10000))
        address_ = QString::fromUtf8(process_.readLine()).trimmed();
}

PrivateBus::~PrivateBus()
{
    process_.kill();
    process_.waitForFinished();
}

RawNamesDir::~RawNamesDir()
{
    if (!isValid() || !autoRemove())
        return;
    // Depth first and without following links; what cannot go is left to QTemporaryDir's warning.
    nftw(QFile::encodeName(path()).constData(),
         [](const char *name, const struct stat *, int, FTW *) {
             ::remove(name);
             return 0;
         },
         16, FTW_DEPTH | FTW_PHYS);
}

bool RawNamesDir::addFile(const QByteArray &name) const
{
    const int fd = ::open((QFile::encodeName(path()) + '/' + name).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    return fd >= 0 && ::close(fd) == 0;
}

namespace {

// Runs `write` in a child process made ready by `prepare`.
LimitedWrite writeInChild(const std::function<void()> &prepare, const std::function<bool(QString *error)> &write)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {false, false, QStringLiteral("pipe")};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        prepare();
        QString error;
        const bool ok = write(&error);
        const QByteArray reason = error.toUtf8();
        [[maybe_unused]] auto n = ::write(fds[1], reason.constData(), size_t(reason.size()));
        _exit(ok ? 0 : 1);
    }
    close(fds[1]);
    QByteArray reason;
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        reason.append(buf, n);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, WIFSIGNALED(status), QString::fromUtf8(reason)};
}

} // namespace

LimitedWrite writeUnderFileSizeLimit(unsigned long limit, const std::function<bool(QString *error)> &write)
{
    return writeInChild(
        [limit]() {
            signal(SIGXFSZ, SIG_DFL);
            platform::reportFileSizeLimitAsWriteError();
            const rlimit rl{limit, limit};
            setrlimit(RLIMIT_FSIZE, &rl);
        },
        write);
}

LimitedWrite writeKilledAtCall(const std::vector<long> &calls, const std::function<bool(QString *error)> &write,
                               int errorCode)
{
    const __u32 verdict = errorCode ? SECCOMP_RET_ERRNO | (__u32(errorCode) & SECCOMP_RET_DATA) : SECCOMP_RET_KILL_PROCESS;
    return writeInChild(
        [&calls, verdict]() {
            // A seccomp filter: any of the calls kills the process before it runs.
            std::vector<sock_filter> filter{BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
            for (const long call : calls) {
                filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __u32(call), 0, 1));
                filter.push_back(BPF_STMT(BPF_RET | BPF_K, verdict));
            }
            filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
            const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
            if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0
                || syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) != 0)
                _exit(2);
        },
        write);
}

} // namespace testsupport
