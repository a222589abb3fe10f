#include "library/FolderWalk.h"

#include "library/TextCodec.h"
#include "platform/MainThreadFiles.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace folderwalk {

namespace {

// An extension is a song's when the list holds it (as a part of the list, as the scan always took it).
constexpr char kSongExtensions[] = "PDF,CHO,CRD,CHORDPRO,CHOPRO,CPM,TAB";

bool isSongName(const char *name, size_t len)
{
    if (memmem(name, len, "---", 3))
        return false; // an alternate version, never a song of its own
    const char *dot = static_cast<const char *>(memrchr(name, '.', len));
    if (!dot)
        return false;
    const size_t extLen = size_t(name + len - dot - 1);
    if (extLen == 0 || extLen >= sizeof kSongExtensions)
        return false;
    char ext[sizeof kSongExtensions];
    for (size_t i = 0; i < extLen; ++i)
        ext[i] = char(toupper(static_cast<unsigned char>(dot[1 + i])));
    ext[extLen] = 0;
    return strstr(kSongExtensions, ext) != nullptr;
}

struct Entry {
    QByteArray key; // the name, and "/" after a folder's, as inside a full path
    bool dir = false;
};

// Sorts nothing: the walk pops entries in order from a heap, so a folder of
// thousands costs one pass once the cap is reached early.
struct Walker {
    int cap;
    Result result;

    // The song files and folders of dir, by name bytes; false when it cannot be listed.
    bool list(const QByteArray &dir, std::vector<Entry> &out)
    {
        DIR *d = opendir(dir.constData());
        if (!d)
            return false;
        while (const dirent *e = readdir(d)) {
            const char *name = e->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            const size_t len = strlen(name);
            const bool song = isSongName(name, len);
            unsigned char type = e->d_type;
            if (type == DT_UNKNOWN || (type == DT_LNK && song)) {
                struct stat st {};
                const QByteArray path = dir + '/' + QByteArray(name, qsizetype(len));
                if (lstat(path.constData(), &st) != 0)
                    continue;
                if (S_ISLNK(st.st_mode)) {
                    // A link counts as what it points to, a folder link not at all.
                    if (stat(path.constData(), &st) != 0 || S_ISDIR(st.st_mode))
                        continue;
                    type = S_ISREG(st.st_mode) ? DT_REG : DT_FIFO;
                } else {
                    type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_FIFO;
                }
            }
            if (type == DT_DIR) {
                if (strcmp(name, "temp") != 0)
                    out.push_back({QByteArray(name, qsizetype(len)) + '/', true});
            } else if (song) {
                if (type == DT_REG)
                    out.push_back({QByteArray(name, qsizetype(len)), false});
                else
                    ++result.special; // reading a pipe would block the start
            }
        }
        closedir(d);
        return true;
    }

    bool full() const { return result.taken.size() >= cap; }

    void visit(const QByteArray &dir, Entry &e, bool nameOk)
    {
        const bool ok = nameOk && textcodec::isValidUtf8(e.key);
        if (e.dir) {
            e.key.chop(1);
            walk(dir + '/' + e.key, ok);
        } else if (!ok) {
            ++result.badNames;
        } else if (!full()) {
            result.taken.append(platform::fromNativePath(dir + '/' + e.key));
        } else {
            ++result.leftOut;
        }
    }

    void walk(const QByteArray &dir, bool nameOk)
    {
        std::vector<Entry> entries;
        if (!list(dir, entries))
            return;
        auto later = [](const Entry &a, const Entry &b) { return a.key > b.key; };
        std::make_heap(entries.begin(), entries.end(), later);
        while (!entries.empty() && !full()) {
            std::pop_heap(entries.begin(), entries.end(), later);
            visit(dir, entries.back(), nameOk);
            entries.pop_back();
        }
        // Past the cap the order no longer matters: the rest is only counted.
        for (Entry &e : entries)
            visit(dir, e, nameOk);
    }
};

} // namespace

QString message(const Result &scan)
{
    QStringList parts;
    if (scan.leftOut > 0)
        parts << (scan.leftOut == 1 ? QStringLiteral("%1 songs loaded, 1 file left out").arg(scan.taken.size())
                                    : QStringLiteral("%1 songs loaded, %2 files left out")
                                          .arg(QString::number(scan.taken.size()), QString::number(scan.leftOut)));
    if (scan.badNames > 0)
        parts << (scan.badNames == 1 ? QStringLiteral("1 file skipped: its name is not valid UTF-8")
                                     : QStringLiteral("%1 files skipped: their names are not valid UTF-8")
                                           .arg(scan.badNames));
    return parts.join(QStringLiteral(" · "));
}

Result walk(const QString &folder, int cap)
{
    const platform::MainThreadFileCall noted("folder walk", folder);
    Walker w{cap, {}};
    QByteArray root = platform::nativePath(folder);
    while (root.size() > 1 && root.endsWith('/'))
        root.chop(1);
    struct stat st {};
    w.result.folderFound = !root.isEmpty() && stat(root.constData(), &st) == 0 && S_ISDIR(st.st_mode);
    if (w.result.folderFound)
        w.walk(root, true);
    return w.result;
}

bool usable(const QString &folder)
{
    return platform::isReadableFolder(folder);
}

} // namespace folderwalk
