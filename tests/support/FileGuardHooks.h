// The hooks of the guard below Qt (FileGuardHooks.cpp), for FileGuard.cpp.
#pragma once

enum { FILEGUARD_ROOTS = 8, FILEGUARD_PATH = 1024, FILEGUARD_FRAMES = 48, FILEGUARD_RECORDS = 256 };

// One call site: the first path it asked for and how often it was met.
struct FileGuardRecord {
    const char *call;
    char path[FILEGUARD_PATH];
    void *frames[FILEGUARD_FRAMES];
    int depth;
    int times;
};

// Answers nonzero while the calls of the main thread are judged elsewhere (the
// platform's file calls and scopes, a fixture's work).
typedef int (*FileGuardQuiet)();
// Answers nonzero for a path in the program's own folders, for that call.
typedef int (*FileGuardOwn)(const char *call, const char *path);

// On the main thread: from now on, its calls on paths under `watched` are kept.
void fileguard_arm(const char *const *watched, int count, FileGuardQuiet quiet, FileGuardOwn own);
void fileguard_disarm();
// What was kept since the arming; `lost` call sites found no room.
const struct FileGuardRecord *fileguard_records(int *count, int *lost);
