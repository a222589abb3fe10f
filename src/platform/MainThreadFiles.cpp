#include "platform/MainThreadFiles.h"

#include "platform/DataFolder.h"
#include "platform/Log.h"

#include <QDir>
#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <execinfo.h>
#include <thread>
#include <utility>

// Present in a sanitizer build only: it names the function and the source line.
extern "C" void __sanitizer_symbolize_pc(void *pc, const char *format, char *out, size_t size) __attribute__((weak));

namespace platform {

namespace {

// Made as the program loads, before main: on the main thread.
const std::thread::id kMainThread = std::this_thread::get_id();

// The file calls under way on this thread, and why one is meant here (a MainThreadFileScope).
thread_local int nesting = 0;
thread_local const char *allowed = nullptr;

// Never destroyed: a file call may come after the static destructors have run.
NotedFileCallHandler &handler()
{
    static auto *h = new NotedFileCallHandler;
    return *h;
}

QString absolute(const QString &path)
{
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path);
}

// A string test alone: looking at the file system here would be the very wait it guards against.
bool inside(const QString &path, const QString &folder)
{
    if (folder.isEmpty())
        return false;
    const QString root = absolute(folder);
    return path == root || path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

QString frameName(void *pc, char *symbol)
{
    if (__sanitizer_symbolize_pc) {
        char out[1024] = {};
        // The return address is past the call: one byte back names the caller's line.
        __sanitizer_symbolize_pc(static_cast<char *>(pc) - 1, "%F %S", out, sizeof out);
        return QString::fromLocal8Bit(out);
    }
    QString line = QString::fromLocal8Bit(symbol);
    const QByteArray raw(symbol);
    const qsizetype open = raw.indexOf('('), plus = raw.indexOf('+', open);
    if (open >= 0 && plus > open + 1) {
        int status = -1;
        char *name = abi::__cxa_demangle(raw.mid(open + 1, plus - open - 1).constData(), nullptr, nullptr, &status);
        if (status == 0 && name)
            line = QString::fromLocal8Bit(name);
        std::free(name);
    }
    return line;
}

// From the platform's file call on: the frames of the guard itself are left out.
QString stackHere()
{
    void *frames[40];
    const int count = backtrace(frames, 40);
    char **symbols = backtrace_symbols(frames, count);
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << frameName(frames[i], symbols ? symbols[i] : nullptr);
    std::free(symbols);
    for (int i = std::min<int>(6, lines.size()) - 1; i >= 0; --i)
        if (lines[i].contains(QLatin1String("MainThreadFileCall::MainThreadFileCall"))) {
            lines = lines.mid(i + 1);
            break;
        }
    return lines.join(QLatin1Char('\n'));
}

void note(const char *call, const QString &asked)
{
    const bool logged = lcTolvane().isDebugEnabled();
    if (!handler() && !logged)
        return;
    const QString path = absolute(asked);
    for (const QString &own : ownFolders())
        if (inside(path, own))
            return;
    const NotedFileCall noted{QString::fromLatin1(call), path, stackHere()};
    if (handler())
        handler()(noted);
    else
        TLOG(QStringLiteral("MainThreadFileCall %1 \"%2\" on the main thread, from %3")
                 .arg(noted.call, noted.path, noted.stack.split(QLatin1Char('\n')).mid(0, 8).join(QStringLiteral(" < "))));
}

} // namespace

MainThreadFileCall::MainThreadFileCall(const char *call, const QString &path)
{
    if (std::this_thread::get_id() != kMainThread)
        return;
    counted_ = true;
    if (nesting++ == 0 && !allowed)
        note(call, path);
}

MainThreadFileCall::~MainThreadFileCall()
{
    if (counted_)
        --nesting;
}

MainThreadFileScope::MainThreadFileScope(const char *why)
    : outer_(std::exchange(allowed, why))
{
}

MainThreadFileScope::~MainThreadFileScope()
{
    allowed = outer_;
}

bool insideFileCallOrScope() { return nesting > 0 || allowed; }

NotedFileCallHandler setNotedFileCallHandler(NotedFileCallHandler h)
{
    return std::exchange(handler(), std::move(h));
}

} // namespace platform
