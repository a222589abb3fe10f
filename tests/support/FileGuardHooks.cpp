// The C library's file calls, defined in the test program itself so that Qt's
// calls reach them first: each made on the main thread, while armed, on a path
// under a watched folder is kept with its stack for the listener
// (FileGuard.cpp), which decides whose call it was.
//
// No header that declares these calls is included here (nor Qt's, which bring
// them): our definitions need not match their exception specifications or
// fortified forms. Each passes on to what the sanitizer's runtime put in its
// place, or else to the C library.
#include "support/FileGuardHooks.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <pthread.h>
#include <stdarg.h>
#include <stddef.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/types.h>

extern "C" long syscall(long number, ...);

struct stat;
struct stat64;
struct statx;
struct statvfs;
struct statfs;
struct statfs64;
struct timespec;
struct __dirstream;
struct _IO_FILE;

#define AT_FDCWD -100

// Every field is touched on the main thread only, but for `armed`, which a
// forked child clears: its main thread is another process's.
static int armed;
static char roots[FILEGUARD_ROOTS][FILEGUARD_PATH];
static int rootCount;
static struct FileGuardRecord records[FILEGUARD_RECORDS];
static int recordCount;
static int lostCount;
static FileGuardQuiet quiet;
static FileGuardOwn own;
static __thread int onMain; // set by the thread that arms
static __thread int inside; // this thread is in a hook's own work

static void disarmInChild() { __atomic_store_n(&armed, 0, __ATOMIC_RELAXED); }

void fileguard_arm(const char *const *watched, int count, FileGuardQuiet isQuiet, FileGuardOwn isOwn)
{
    static int atFork;
    if (!atFork++)
        pthread_atfork(nullptr, nullptr, disarmInChild);
    void *warm[2];
    backtrace(warm, 2); // loads the unwinder now, not inside a hook
    rootCount = 0;
    for (int i = 0; i < count && rootCount < FILEGUARD_ROOTS; ++i)
        if (strlen(watched[i]) + 1 < FILEGUARD_PATH)
            strcpy(roots[rootCount++], watched[i]);
    recordCount = lostCount = 0;
    quiet = isQuiet;
    own = isOwn;
    onMain = 1;
    __atomic_store_n(&armed, 1, __ATOMIC_RELAXED);
}

void fileguard_disarm() { __atomic_store_n(&armed, 0, __ATOMIC_RELAXED); }

const struct FileGuardRecord *fileguard_records(int *count, int *lost)
{
    *count = recordCount;
    *lost = lostCount;
    return records;
}

static int under(const char *path)
{
    for (int i = 0; i < rootCount; ++i) {
        const size_t n = strlen(roots[i]);
        if (strncmp(path, roots[i], n) == 0 && path[n] == '/') // in it: the temporary folder itself is no test's
            return 1;
    }
    return 0;
}

// The path as the kernel will take it: relative ones joined to the folder they are relative to.
static int absolute(int dirfd, const char *path, char *out)
{
    if (!path || !*path)
        return 0;
    if (path[0] == '/') {
        strncpy(out, path, FILEGUARD_PATH - 1);
        out[FILEGUARD_PATH - 1] = '\0';
        return 1;
    }
    long n;
    if (dirfd == AT_FDCWD) {
        n = syscall(SYS_getcwd, out, FILEGUARD_PATH);
        n = n > 0 ? (long)strlen(out) : -1;
    } else {
        char link[32] = "/proc/self/fd/", digits[12];
        int count = 0;
        for (unsigned fd = (unsigned)dirfd; count == 0 || fd; fd /= 10)
            digits[count++] = (char)('0' + fd % 10);
        for (size_t at = strlen(link); count;)
            link[at++] = digits[--count];
        n = syscall(SYS_readlink, link, out, FILEGUARD_PATH - 1);
    }
    if (n <= 0 || (size_t)n + strlen(path) + 2 > FILEGUARD_PATH)
        return 0;
    out[n] = '/';
    strcpy(out + n + 1, path);
    return 1;
}

static void look(const char *call, int dirfd, const char *path)
{
    if (!onMain || inside || !__atomic_load_n(&armed, __ATOMIC_RELAXED))
        return;
    inside = 1;
    char full[FILEGUARD_PATH];
    if (!quiet() && absolute(dirfd, path, full) && under(full) && syscall(SYS_gettid) == syscall(SYS_getpid)
        && !own(call, full)) {
        struct FileGuardRecord here;
        here.depth = backtrace(here.frames, FILEGUARD_FRAMES);
        int same = -1;
        for (int i = 0; i < recordCount && same < 0; ++i)
            if (records[i].call == call && records[i].depth == here.depth
                && memcmp(records[i].frames, here.frames, sizeof(void *) * (size_t)here.depth) == 0)
                same = i;
        if (same >= 0) {
            ++records[same].times;
        } else if (recordCount < FILEGUARD_RECORDS) {
            struct FileGuardRecord *r = &records[recordCount++];
            memcpy(r->frames, here.frames, sizeof here.frames);
            r->depth = here.depth;
            r->call = call;
            r->times = 1;
            strcpy(r->path, full);
        } else {
            ++lostCount;
        }
    }
    inside = 0;
}

extern "C" {

// What the sanitizer's runtime defines in the C library's place, where it does.
#define SANITIZED(ret, name, params) extern ret __interceptor_##name params __attribute__((weak));
SANITIZED(int, stat, (const char *, struct stat *))
SANITIZED(int, lstat, (const char *, struct stat *))
SANITIZED(int, __xstat, (int, const char *, struct stat *))
SANITIZED(int, __xstat64, (int, const char *, struct stat64 *))
SANITIZED(int, __lxstat, (int, const char *, struct stat *))
SANITIZED(int, __lxstat64, (int, const char *, struct stat64 *))
SANITIZED(struct __dirstream *, opendir, (const char *))
SANITIZED(long, readlink, (const char *, char *, size_t))
SANITIZED(long, readlinkat, (int, const char *, char *, size_t))
SANITIZED(char *, realpath, (const char *, char *))
SANITIZED(char *, canonicalize_file_name, (const char *))
SANITIZED(struct _IO_FILE *, fopen, (const char *, const char *))
SANITIZED(struct _IO_FILE *, fopen64, (const char *, const char *))
SANITIZED(struct _IO_FILE *, freopen, (const char *, const char *, struct _IO_FILE *))
SANITIZED(int, statfs, (const char *, struct statfs *))
SANITIZED(int, statfs64, (const char *, struct statfs64 *))

// Where a hook passes its call on, found at its first call (any thread may race to it, with one answer).
static void *next(void **real, const char *name, void *sanitized)
{
    void *found = __atomic_load_n(real, __ATOMIC_RELAXED);
    if (!found) {
        found = sanitized ? sanitized : dlsym(RTLD_NEXT, name);
        __atomic_store_n(real, found, __ATOMIC_RELAXED);
    }
    return found;
}

// One hook: looks at the path, then passes the call on. `at` is the folder a relative path is in.
#define HOOK(ret, name, params, at, path, args, sanitized)                                                   \
    ret name params                                                                                           \
    {                                                                                                         \
        static void *real;                                                                                    \
        ret(*call) params = (ret(*) params)next(&real, #name, (void *)(sanitized));                           \
        look(#name, at, path);                                                                                \
        return call args;                                                                                     \
    }
#define PLAIN(ret, name, params, at, path, args) HOOK(ret, name, params, at, path, args, nullptr)
#define CHAINED(ret, name, params, at, path, args) HOOK(ret, name, params, at, path, args, __interceptor_##name)

// open's mode is there only when the flags create a file; reading it anyway is what the C library does too.
#define OPEN(name, params, at, args)                                                                          \
    int name params                                                                                           \
    {                                                                                                         \
        static void *real;                                                                                    \
        int (*call)(OPEN_PARAMS_##at, ...) = (int (*)(OPEN_PARAMS_##at, ...))next(&real, #name, nullptr);        \
        va_list list;                                                                                         \
        va_start(list, flags);                                                                                \
        const unsigned mode = va_arg(list, unsigned);                                                         \
        va_end(list);                                                                                         \
        look(#name, OPEN_AT_##at, path);                                                                      \
        return call args;                                                                                     \
    }
#define OPEN_PARAMS_0 const char *, int
#define OPEN_PARAMS_1 int, const char *, int
#define OPEN_AT_0 AT_FDCWD
#define OPEN_AT_1 dirfd
OPEN(open, (const char *path, int flags, ...), 0, (path, flags, mode))
OPEN(open64, (const char *path, int flags, ...), 0, (path, flags, mode))
OPEN(openat, (int dirfd, const char *path, int flags, ...), 1, (dirfd, path, flags, mode))
OPEN(openat64, (int dirfd, const char *path, int flags, ...), 1, (dirfd, path, flags, mode))
PLAIN(int, __open_2, (const char *path, int flags), AT_FDCWD, path, (path, flags))
PLAIN(int, __open64_2, (const char *path, int flags), AT_FDCWD, path, (path, flags))
PLAIN(int, __openat_2, (int dirfd, const char *path, int flags), dirfd, path, (dirfd, path, flags))
PLAIN(int, __openat64_2, (int dirfd, const char *path, int flags), dirfd, path, (dirfd, path, flags))
PLAIN(int, creat, (const char *path, unsigned mode), AT_FDCWD, path, (path, mode))
PLAIN(int, creat64, (const char *path, unsigned mode), AT_FDCWD, path, (path, mode))

CHAINED(int, stat, (const char *path, struct stat *buf), AT_FDCWD, path, (path, buf))
PLAIN(int, stat64, (const char *path, struct stat64 *buf), AT_FDCWD, path, (path, buf))
CHAINED(int, lstat, (const char *path, struct stat *buf), AT_FDCWD, path, (path, buf))
PLAIN(int, lstat64, (const char *path, struct stat64 *buf), AT_FDCWD, path, (path, buf))
PLAIN(int, fstatat, (int dirfd, const char *path, struct stat *buf, int flags), dirfd, path, (dirfd, path, buf, flags))
PLAIN(int, fstatat64, (int dirfd, const char *path, struct stat64 *buf, int flags), dirfd, path,
      (dirfd, path, buf, flags))
PLAIN(int, statx, (int dirfd, const char *path, int flags, unsigned mask, struct statx *buf), dirfd, path,
      (dirfd, path, flags, mask, buf))
CHAINED(int, __xstat, (int version, const char *path, struct stat *buf), AT_FDCWD, path, (version, path, buf))
CHAINED(int, __xstat64, (int version, const char *path, struct stat64 *buf), AT_FDCWD, path, (version, path, buf))
CHAINED(int, __lxstat, (int version, const char *path, struct stat *buf), AT_FDCWD, path, (version, path, buf))
CHAINED(int, __lxstat64, (int version, const char *path, struct stat64 *buf), AT_FDCWD, path, (version, path, buf))
PLAIN(int, __fxstatat, (int version, int dirfd, const char *path, struct stat *buf, int flags), dirfd, path,
      (version, dirfd, path, buf, flags))
PLAIN(int, __fxstatat64, (int version, int dirfd, const char *path, struct stat64 *buf, int flags), dirfd, path,
      (version, dirfd, path, buf, flags))
PLAIN(int, statvfs, (const char *path, struct statvfs *buf), AT_FDCWD, path, (path, buf))
PLAIN(int, statvfs64, (const char *path, struct statvfs *buf), AT_FDCWD, path, (path, buf))

PLAIN(int, access, (const char *path, int mode), AT_FDCWD, path, (path, mode))
PLAIN(int, euidaccess, (const char *path, int mode), AT_FDCWD, path, (path, mode))
PLAIN(int, eaccess, (const char *path, int mode), AT_FDCWD, path, (path, mode))
PLAIN(int, faccessat, (int dirfd, const char *path, int mode, int flags), dirfd, path, (dirfd, path, mode, flags))
CHAINED(struct __dirstream *, opendir, (const char *path), AT_FDCWD, path, (path))
CHAINED(long, readlink, (const char *path, char *buf, size_t size), AT_FDCWD, path, (path, buf, size))
CHAINED(long, readlinkat, (int dirfd, const char *path, char *buf, size_t size), dirfd, path, (dirfd, path, buf, size))
CHAINED(char *, realpath, (const char *path, char *resolved), AT_FDCWD, path, (path, resolved))
CHAINED(char *, canonicalize_file_name, (const char *path), AT_FDCWD, path, (path))
CHAINED(struct _IO_FILE *, fopen, (const char *path, const char *mode), AT_FDCWD, path, (path, mode))
CHAINED(struct _IO_FILE *, fopen64, (const char *path, const char *mode), AT_FDCWD, path, (path, mode))
CHAINED(struct _IO_FILE *, freopen, (const char *path, const char *mode, struct _IO_FILE *file), AT_FDCWD, path,
        (path, mode, file))
PLAIN(struct _IO_FILE *, freopen64, (const char *path, const char *mode, struct _IO_FILE *file), AT_FDCWD, path,
      (path, mode, file))

PLAIN(int, mkdir, (const char *path, unsigned mode), AT_FDCWD, path, (path, mode))
PLAIN(int, rmdir, (const char *path), AT_FDCWD, path, (path))
PLAIN(int, unlink, (const char *path), AT_FDCWD, path, (path))
PLAIN(int, unlinkat, (int dirfd, const char *path, int flags), dirfd, path, (dirfd, path, flags))
PLAIN(int, mkdirat, (int dirfd, const char *path, unsigned mode), dirfd, path, (dirfd, path, mode))
PLAIN(int, chmod, (const char *path, unsigned mode), AT_FDCWD, path, (path, mode))
PLAIN(int, fchmodat, (int dirfd, const char *path, unsigned mode, int flags), dirfd, path, (dirfd, path, mode, flags))
PLAIN(int, utimensat, (int dirfd, const char *path, const struct timespec *times, int flags), dirfd, path,
      (dirfd, path, times, flags))
CHAINED(int, statfs, (const char *path, struct statfs *buf), AT_FDCWD, path, (path, buf))
CHAINED(int, statfs64, (const char *path, struct statfs64 *buf), AT_FDCWD, path, (path, buf))
PLAIN(int, inotify_add_watch, (int fd, const char *path, unsigned mask), AT_FDCWD, path, (fd, path, mask))

// The calls that name two paths: both are looked at.
#define TWO(ret, name, params, fromAt, from, toAt, to, args)                                                 \
    ret name params                                                                                           \
    {                                                                                                         \
        static void *real;                                                                                    \
        ret(*call) params = (ret(*) params)next(&real, #name, nullptr);                                       \
        look(#name, fromAt, from);                                                                            \
        look(#name, toAt, to);                                                                                \
        return call args;                                                                                     \
    }
TWO(int, rename, (const char *from, const char *to), AT_FDCWD, from, AT_FDCWD, to, (from, to))
TWO(int, renameat, (int fromDir, const char *from, int toDir, const char *to), fromDir, from, toDir, to,
    (fromDir, from, toDir, to))
TWO(int, renameat2, (int fromDir, const char *from, int toDir, const char *to, unsigned flags), fromDir, from, toDir,
    to, (fromDir, from, toDir, to, flags))
TWO(int, link, (const char *from, const char *to), AT_FDCWD, from, AT_FDCWD, to, (from, to))
TWO(int, linkat, (int fromDir, const char *from, int toDir, const char *to, int flags), fromDir, from, toDir, to,
    (fromDir, from, toDir, to, flags))
PLAIN(int, truncate, (const char *path, long length), AT_FDCWD, path, (path, length))

} // extern "C"
