// The guard below Qt: FileGuardHooks.cpp keeps the main thread's calls of the C
// library on the temporary folders; this listener arms it for each test and
// fails the test with those the program made.
#include "support/FileGuard.h"

#include "platform/DataFolder.h"
#include "platform/MainThreadFiles.h"
#include "support/FileGuardHooks.h"
#include "support/TestSupport.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

// Present in a sanitizer build only: it names the source file of a frame, inlined ones first.
extern "C" void __sanitizer_symbolize_pc(void *pc, const char *format, char *out, size_t size) __attribute__((weak));

namespace testsupport {

namespace {

thread_local int testCallsCount = 0;

enum class Whose { Nobody, Program, Test };

int quiet() { return fixtureFilesUnderWay() || platform::insideFileCallOrScope(); }

QString &usersFolders()
{
    static QString root;
    return root;
}

// A string test alone, as the platform's guard makes it. The folders standing
// for the user's own (Qt's settings among them) count as the program's, as do
// the sources and the build, where Qt looks for its plug-ins beside the test
// program: a checkout may lie in the temporary folder.
int own(const char *call, const char *asked)
{
    static const QStringList installed{QDir::cleanPath(QStringLiteral(TOLVANE_SOURCE_ROOT)),
                                       QDir::cleanPath(QStringLiteral(TOLVANE_BUILD_ROOT))};
    const QString path = QDir::cleanPath(QString::fromLocal8Bit(asked));
    // A folder on the way to one of them is made with it (a kept copy's folder,
    // made at a quit); nothing else is the program's there.
    const bool making = std::strcmp(call, "mkdir") == 0 || std::strcmp(call, "mkdirat") == 0;
    for (const QString &folder : platform::ownFolders() + installed + QStringList{usersFolders()}) {
        const QString root = QDir::cleanPath(folder);
        if (!root.isEmpty()
            && (path == root || path.startsWith(root + QLatin1Char('/'))
                || (making && root.startsWith(path + QLatin1Char('/')))))
            return 1;
    }
    return 0;
}

// Each source file a frame stands for, inlined ones first.
QStringList sourcesOf(void *pc)
{
    char out[4096] = {};
    __sanitizer_symbolize_pc(pc, "%s", out, sizeof out - 1);
    QStringList files;
    for (const char *at = out; *at && at < out + sizeof out; at += std::strlen(at) + 1)
        files << QDir::cleanPath(QString::fromLocal8Bit(at));
    return files;
}

// Whose code made the frame: ours under src/ or tests/, the hooks themselves
// and everyone else's (Qt, the C library, a header of theirs inlined) nobody's.
Whose whoseFrame(void *pc)
{
    static QHash<void *, Whose> known;
    const auto found = known.constFind(pc);
    if (found != known.cend())
        return *found;
    static const QString root = QDir::cleanPath(QStringLiteral(TOLVANE_SOURCE_ROOT));
    Whose whose = Whose::Nobody;
    for (const QString &file : sourcesOf(pc)) {
        const QString relative = QDir(root).relativeFilePath(file);
        if (relative.endsWith(QLatin1String("FileGuardHooks.cpp")))
            continue;
        if (relative.startsWith(QLatin1String("src/")))
            whose = Whose::Program;
        else if (relative.startsWith(QLatin1String("tests/")))
            whose = Whose::Test;
        if (whose != Whose::Nobody)
            break;
    }
    known.insert(pc, whose);
    return whose;
}

// The innermost of our frames decides; one that none decides is counted.
bool theProgramsCall(const FileGuardRecord &record)
{
    for (int i = 0; i < record.depth; ++i)
        switch (whoseFrame(record.frames[i])) {
        case Whose::Program:
            return true;
        case Whose::Test:
            return false;
        case Whose::Nobody:
            break;
        }
    return true;
}

QString stackOf(const FileGuardRecord &record)
{
    QStringList lines;
    for (int i = 0; i < record.depth && lines.size() < 24; ++i) {
        char out[1024] = {};
        __sanitizer_symbolize_pc(record.frames[i], "%F %S", out, sizeof out - 1);
        const QString line = QString::fromLocal8Bit(out);
        if (line.contains(QLatin1String("FileGuardHooks.cpp")))
            lines.clear(); // the hook and the unwinder above it
        else if (line.contains(QLatin1String("testing::Test::Run()")))
            break;
        else
            lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

void arm()
{
    static const QByteArray temp = QFile::encodeName(QDir::tempPath());
    static const QByteArray real = QFile::encodeName(QDir(QDir::tempPath()).canonicalPath());
    const char *roots[] = {temp.constData(), real.constData()};
    fileguard_arm(roots, real.isEmpty() || real == temp ? 1 : 2, quiet, own);
}

void report()
{
    fileguard_disarm();
    int count = 0, lost = 0;
    const FileGuardRecord *records = fileguard_records(&count, &lost);
    for (int i = 0; i < count; ++i)
        if (testCallsCount || theProgramsCall(records[i]))
            ADD_FAILURE() << "A file call on the main thread, below Qt: " << records[i].call << " \"" << records[i].path
                          << "\" (" << records[i].times << " time(s))\nfrom\n"
                          << stackOf(records[i]).toStdString();
    if (lost)
        std::fprintf(stderr, "The guard below Qt had no room for %d more call site(s)\n", lost);
}

struct Listener : ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo &) override { arm(); }
    void OnTestEnd(const ::testing::TestInfo &) override { report(); }
};

} // namespace

void setUsersFolders(const QString &root) { usersFolders() = root; }

bool guardBelowQtCanRun() { return __sanitizer_symbolize_pc != nullptr; }

void failOnFileCallsBelowQt()
{
    if (!guardBelowQtCanRun())
        return;
    report();
    arm();
}

TestCallsCount::TestCallsCount() { ++testCallsCount; }
TestCallsCount::~TestCallsCount() { --testCallsCount; }

bool guardBelowQt()
{
    static const bool once = [] {
        // Hooks Qt does not reach (the test program linked without its dynamic
        // list) would pass every test: a look Qt makes must be seen first. The
        // look is counted, not judged: every build can prove it.
        struct Proof : ::testing::Environment {
            void SetUp() override
            {
                arm();
                {
                    const TestCallsCount program;
                    QFileInfo::exists(QDir::temp().filePath(QStringLiteral("tolvane-guard-proof")));
                }
                fileguard_disarm();
                int count = 0, lost = 0;
                fileguard_records(&count, &lost);
                if (count == 0)
                    ADD_FAILURE() << "The guard below Qt sees none of Qt's file calls: its hooks are not reached "
                                     "(the test program is linked without support/FileGuard.syms)";
            }
        };
        ::testing::AddGlobalTestEnvironment(new Proof);
        if (!guardBelowQtCanRun()) {
            // Without it no frame can be told the program's from the test's.
            std::fprintf(stderr,
                         "The guard below Qt needs a sanitizer build: it is off, but its hooks must still be seen reached\n");
            return false;
        }
        ::testing::UnitTest::GetInstance()->listeners().Append(new Listener);
        return true;
    }();
    return once;
}

} // namespace testsupport
