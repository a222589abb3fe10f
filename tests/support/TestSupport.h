#pragma once

#include "platform/MainThreadFiles.h"

#include <QByteArray>
#include <QImage>
#include <QList>

class QAction;
class QMenu;
#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace testsupport {

// Empties the standard user defaults (in memory) for one test and again after it.
class FreshDefaults {
public:
    FreshDefaults();
    ~FreshDefaults();
};

// Writes a file (creating its folders); answers its absolute path.
QString writeFile(const QString &path, const QByteArray &bytes);
// Writes a script and makes it executable; answers its absolute path.
QString writeProgram(const QString &path, const QByteArray &script);
// Writes a PDF of n pages, each page showing its number in large type.
QString writePdf(const QString &path, int pages);
// A PDF of these objects (1 the catalogue) with a true cross-reference table.
QByteArray rawPdf(const QList<QByteArray> &objects, const QByteArray &trailer = {});
// A page tree whose kids are itself: the PDF reader never finishes loading it.
QByteArray loopingPdf();
// One page of `rects` small filled squares: 600000 take a second or so to draw.
QByteArray heavyPdf(int rects);
// The golden/ folder beside a test source file (pass __FILE__).
QString goldenDirBeside(const char *sourceFile);
// Compares an image with golden/<name>.png: channels may differ a little
// (antialiasing), few pixels more. With TOLVANE_UPDATE_GOLDEN set, writes the
// reference anew instead (look at it before committing).
void compareWithGolden(const QImage &image, const QString &goldenDir, const QString &name);
// Runs the event loop until nothing is left to do right now.
void processEvents();
// A left click at `at` in the widget (its middle by default), the way a
// pointer's click comes: to its window, which hands it to the widget there.
void clickThroughWindow(QWidget *widget, std::optional<QPoint> at = std::nullopt);
// The item a performer reaches through menu and its submenus by their titles; nullptr when none.
QAction *menuItem(QMenu *menu, const QStringList &path);
// Waits on the event loop (not a sleep), at most 10 s, until done answers true.
bool waitFor(const std::function<bool()> &done);
// The PDF readers among the children of the test's threads (those a program
// under test left are among them while the test is their subreaper).
QList<int> readerChildren();
// Sends a signal to one process of the test's; a pid of 0 or below (the test's
// group, or every process the user may signal) is a failure, and sent nothing.
bool signalChild(qint64 pid, int signal);

// What `write` did in a child process whose files may not grow past `limit`
// bytes (ulimit -f), started the way a shell starts the program.
struct LimitedWrite {
    bool ok = false;
    bool killed = false; // by a signal, as SIGXFSZ does
    QString error;
};
LimitedWrite writeUnderFileSizeLimit(unsigned long limit, const std::function<bool(QString *error)> &write);
// What `write` did in a child process killed (SIGKILL) at its first call of
// any of these system calls, as a program stopped at that step; with
// errorCode, each of them fails with it instead (an unlink refused even to root).
LimitedWrite writeKilledAtCall(const std::vector<long> &calls, const std::function<bool(QString *error)> &write,
                               int errorCode = 0);

// Runs the current test again in a child process of this executable with
// `environment`; the child's failure fails the test.
void runThisTestInChild(const QProcessEnvironment &environment);

// Ends the test program with a failure when the test still runs after
// `seconds`: a fault that hangs for good fails the run instead of stalling it.
class Ceiling {
public:
    explicit Ceiling(double seconds);
    ~Ceiling();

private:
    struct Watch;
    std::shared_ptr<Watch> watch_;
};

// Fails the test, with the path and the stack, at each file call the
// platform notes on the main thread while this lives.
class MainThreadFilesFail {
public:
    MainThreadFilesFail();
    ~MainThreadFilesFail();

private:
    platform::NotedFileCallHandler outer_;
};
// The same for every test of the executable: a suite guarded whole says so
// at load (tests/windows/GuardedSuite.cpp), and
// TOLVANE_TEST_GUARD_ALL=1 lists what any other suite would find.
bool guardEveryTest();
// Below Qt too, for every suite (tests/support/main.cpp): the C library's guarded
// calls (tests/support/FileGuard.cpp) fail each test in which the program asked the
// C library, on the main thread, for a path in the temporary folders that is
// not one of its own, outside the platform's file calls and scopes. The test's
// own calls (the innermost of our frames is in tests/) are its business.
bool guardBelowQt();
// The throw-away folders that stand for the user's own (data, config, cache,
// runtime): local, never a share, so the guard below Qt lets them be.
void setUsersFolders(const QString &root);

// The test's own file work on the main thread, which the guard below Qt passes
// over at once: work done through the program's code (a worker's function
// tried directly), which it would count, or a helper's writes, whose stacks it
// need not take.
class FixtureFiles {
public:
    FixtureFiles();
    ~FixtureFiles();
    FixtureFiles(const FixtureFiles &) = delete;
    FixtureFiles &operator=(const FixtureFiles &) = delete;
};

// Ends the test program with a failure naming the test then running once
// `seconds` have gone by (none when 0): a suite that hangs ends within the
// limit it was given, whatever its children hold, rather than past ctest's.
void limitTheRun(int seconds);

// A temporary folder that may hold names that are not valid UTF-8 (a FAT
// stick's Latin-1 names): QDir cannot name those, so this one goes by bytes.
class RawNamesDir : public QTemporaryDir {
public:
    ~RawNamesDir();
    // Creates an empty file named by these bytes; answers whether it could.
    bool addFile(const QByteArray &name) const;
};

// A private message bus for one test or one run; its address is empty when no
// dbus-daemon can run.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    QString address() const { return address_; }

private:
    QTemporaryDir dir_;
    QProcess process_;
    QString address_;
};

} // namespace testsupport
