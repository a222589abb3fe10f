#pragma once

#include <QString>
#include <functional>

namespace platform {

// A file call on the main thread waits on whatever file system holds the
// path: a share that stopped answering freezes every key. The platform's file
// calls (readRegularFile and its kin, readSettledFile, writeFileAtomically,
// the looks and folder lists of RegularFile.h, the folder walk) open one of
// these first; made on
// the main thread on a path outside the program's own folders (ownFolders in
// DataFolder.h), the call is noted: the tests' handler fails the test, else a
// debug log line. Off the main thread it costs a thread-identity compare. Calls
// nested in one already looked at are not noted again.
class MainThreadFileCall {
public:
    MainThreadFileCall(const char *call, const QString &path);
    ~MainThreadFileCall();
    MainThreadFileCall(const MainThreadFileCall &) = delete;
    MainThreadFileCall &operator=(const MainThreadFileCall &) = delete;

private:
    bool counted_ = false;
};

// A file call meant for the main thread (a file the performer chose in a
// dialog) says so, and why, around the call.
class MainThreadFileScope {
public:
    explicit MainThreadFileScope(const char *why);
    ~MainThreadFileScope();
    MainThreadFileScope(const MainThreadFileScope &) = delete;
    MainThreadFileScope &operator=(const MainThreadFileScope &) = delete;

private:
    const char *outer_;
};

// Whether this thread is inside one of the calls above or a scope: what it
// then asks of the C library was judged already (the tests' guard below Qt).
bool insideFileCallOrScope();

struct NotedFileCall {
    QString call;  // "read", "write", "look", "folder list", "folder walk"
    QString path;
    QString stack; // one frame a line, the call's own first
};
using NotedFileCallHandler = std::function<void(const NotedFileCall &)>;
// Installed by the tests; empty: the debug log line. Answers the one it replaces.
NotedFileCallHandler setNotedFileCallHandler(NotedFileCallHandler handler);

} // namespace platform
