#include "audio/library/MusicFolderIndex.h"

#include "audio/TrackLookup.h"
#include "audio/library/CheckedStream.h"

#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/ThreadEnd.h"

#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QScopeGuard>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

namespace audio {

namespace {

// After this long, asking for the tracks looks for changes in the folder again.
constexpr double kRescanAfter = 30.0;
constexpr quint32 kCacheMagic = 0x544d4931; // "TMI1"

// The kept index is a few megabytes for a large collection.
constexpr qint64 kCacheMaxBytes = 512ll * 1024 * 1024;

// A stopped scan ends between two file-system calls; one not ended by then
// waits on the file system and is left behind.
constexpr auto kStopWait = std::chrono::milliseconds(250);

// The index's tracks in the order of their paths.
QList<Track> tracksOf(const QHash<QString, MusicFolderIndex::Entry> &entries)
{
    QList<Track> tracks;
    tracks.reserve(entries.size());
    for (const MusicFolderIndex::Entry &e : entries)
        tracks.append(e.track);
    std::sort(tracks.begin(), tracks.end(), [](const Track &a, const Track &b) { return a.location < b.location; });
    return tracks;
}

QString fromTag(const TagLib::String &s)
{
    return QString::fromUtf8(s.toCString(true)).trimmed();
}

// Files and folders a scan left out, by cause.
struct Skipped {
    int notRegular = 0;
    int tooLarge = 0;
    int unreadable = 0;
    int notAudio = 0;
    int folders = 0; // folders that could not be opened: what they hold is not known
    int files() const { return notRegular + tooLarge + unreadable + notAudio; }
    int total() const { return files() + folders; }
    bool operator==(const Skipped &) const = default;
};

QString countOf(int n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(QString::number(n), QLatin1String(n == 1 ? one : many));
}

QString skippedText(const Skipped &s)
{
    QStringList what;
    if (s.files() > 0)
        what << countOf(s.files(), "file", "files");
    if (s.folders > 0)
        what << countOf(s.folders, "folder", "folders");
    QStringList causes;
    if (s.notRegular > 0)
        causes << QStringLiteral("%1 not a regular file").arg(s.notRegular);
    if (s.tooLarge > 0)
        causes << QStringLiteral("%1 over the size cap of %2 GB").arg(s.tooLarge).arg(kMaxTrackBytes >> 30);
    if (s.unreadable > 0)
        causes << QStringLiteral("%1 unreadable").arg(s.unreadable);
    if (s.notAudio > 0)
        causes << QStringLiteral("%1 not understood as audio").arg(s.notAudio);
    if (s.folders > 0)
        causes << countOf(s.folders, "folder", "folders") + QStringLiteral(" that could not be opened");
    return QStringLiteral("Music index: %1 skipped: %2")
        .arg(what.join(QStringLiteral(" and ")), causes.join(QStringLiteral(", ")));
}

// Whether a folder the walk meets can be listed; one that cannot is passed
// over by the walk without a word.
bool canOpenFolder(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// The index kept from the last run when it is this folder's.
std::optional<QHash<QString, MusicFolderIndex::Entry>> loadCache(const QString &cacheFile, const QString &folder)
{
    if (cacheFile.isEmpty())
        return std::nullopt;
    const platform::FileBytes bytes = platform::readRegularFile(cacheFile, kCacheMaxBytes);
    if (!bytes.ok())
        return std::nullopt;
    QDataStream in(bytes.bytes);
    quint32 magic = 0;
    QString kept;
    qint32 count = 0;
    in >> magic >> kept >> count;
    if (magic != kCacheMagic || kept != folder || count < 0)
        return std::nullopt;
    QHash<QString, MusicFolderIndex::Entry> entries;
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        MusicFolderIndex::Entry e;
        in >> e.size >> e.modified >> e.track.title >> e.track.artist >> e.track.comment >> e.track.genre
            >> e.track.location >> e.track.length >> e.track.persistentID;
        if (in.status() == QDataStream::Ok)
            entries.insert(e.track.location, e);
    }
    // A damaged cache only costs a full read.
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    return entries;
}

// The folder whose index was kept, empty when none was. Its name comes
// first: the start of the file is enough.
QString keptFolder(const QString &cacheFile)
{
    if (cacheFile.isEmpty())
        return {};
    const platform::FileBytes bytes = platform::readRegularFile(cacheFile, 64 * 1024);
    if (!bytes.ok() && bytes.status != platform::FileStatus::TooLarge)
        return {};
    QDataStream in(bytes.bytes);
    quint32 magic = 0;
    QString kept;
    in >> magic >> kept;
    return magic == kCacheMagic && in.status() == QDataStream::Ok ? kept : QString();
}

QByteArray cacheBytes(const QString &folder, const QHash<QString, MusicFolderIndex::Entry> &entries)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kCacheMagic << folder << qint32(entries.size());
    for (const MusicFolderIndex::Entry &e : entries)
        out << e.size << e.modified << e.track.title << e.track.artist << e.track.comment << e.track.genre
            << e.track.location << e.track.length << e.track.persistentID;
    return bytes;
}

} // namespace

quint64 persistentIdForPath(const QString &path)
{
    // FNV-1a over the UTF-8 path: the same on every run and every machine.
    quint64 h = 14695981039346656037ull;
    for (const char c : path.toUtf8()) {
        h ^= quint8(c);
        h *= 1099511628211ull;
    }
    return h;
}

struct MusicFolderIndex::Scan {
    std::atomic<bool> stop = false;
    std::atomic<int> filesSoFar = 0;
    bool ended = false; // under Shared::mutex
};

struct MusicFolderIndex::Shared {
    std::mutex mutex;
    std::condition_variable scanEnded;
    // Held by a scan from its last look at stop until its kept index is
    // written, so that one stopped meanwhile never writes over the next folder's.
    std::mutex keeping;
    enum class Folder { NotLooked, There, Missing } folder = Folder::NotLooked;
    QHash<QString, Entry> entries;
    QList<Track> tracks;
    // The tracks are known: from the kept index or a finished scan.
    bool known = false;
    double lastScanEnd = -1e9;
    int filesRead = 0;
    Skipped skipped;
    // The scan running, or the last one.
    std::shared_ptr<Scan> scan;
    // Scans not ended yet, those stopped too.
    int unfinished = 0;

    bool scanRunning() const { return scan && !scan->ended && !scan->stop; }
};

struct MusicFolderIndex::Job {
    QString folder;
    QString cacheFile;
    TrackReader reader;
    FolderCheck isFolder;
    bool loadKept = false;
    std::shared_ptr<Shared> shared;
    std::shared_ptr<Scan> scan;
    // Tells the main thread that tracks came in.
    std::function<void()> announce;
};

MusicFolderIndex::MusicFolderIndex(const QString &folder, const QString &cacheFile, TrackReader reader,
                                   FolderCheck isFolder)
    : folder_(folder.isEmpty() ? QString() : QDir(folder).absolutePath()), cacheFile_(cacheFile),
      reader_(std::move(reader)), isFolder_(std::move(isFolder)), shared_(std::make_shared<Shared>())
{
    startScan(true);
}

MusicFolderIndex::~MusicFolderIndex()
{
    stopScan();
    std::unique_lock lock(shared_->mutex);
    // Those stopped by a folder change count too: any of them may answer after the end.
    const bool ended = shared_->scanEnded.wait_for(lock, std::chrono::milliseconds(platform::quitWaitLeftMs(int(kStopWait.count()))),
                                                   [this]() { return shared_->unfinished == 0; });
    lock.unlock();
    if (!ended)
        platform::leftBehind(QStringLiteral("MusicFolderIndex: the scan of %1").arg(folder_));
}

bool MusicFolderIndex::isAvailable() const
{
    if (folder_.isEmpty())
        return false;
    std::lock_guard lock(shared_->mutex);
    return shared_->folder != Shared::Folder::Missing;
}

void MusicFolderIndex::lookAgain()
{
    if (!folder_.isEmpty() && !isAvailable())
        startScan(false);
}

QList<Track> MusicFolderIndex::allMediaItems()
{
    if (!isAvailable()) {
        lookAgain();
        return {};
    }
    bool old = false;
    QList<Track> tracks;
    {
        std::lock_guard lock(shared_->mutex);
        old = platform::now() - shared_->lastScanEnd > kRescanAfter;
        tracks = shared_->tracks;
    }
    if (old)
        startScan(false);
    return tracks;
}

bool MusicFolderIndex::isIndexing() const
{
    if (folder_.isEmpty())
        return false;
    std::lock_guard lock(shared_->mutex);
    return shared_->folder != Shared::Folder::Missing && !shared_->known && shared_->scanRunning();
}

int MusicFolderIndex::filesSoFar() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->scan ? shared_->scan->filesSoFar.load() : 0;
}

void MusicFolderIndex::changeFolder(const QString &folder)
{
    // The same folder again (the settings read late name the one kept): its
    // tracks stay, and a play request meanwhile finds them.
    const QString next = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
    if (next == folder_ && !next.isEmpty())
        return;
    stopScan();
    folder_ = next;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->entries.clear();
        shared_->tracks.clear();
        shared_->known = false;
        shared_->folder = Shared::Folder::NotLooked;
        shared_->filesRead = 0;
        shared_->lastScanEnd = -1e9;
        shared_->skipped = {};
    }
    startScan(true);
}

void MusicFolderIndex::followKeptFolder()
{
    changeFolder(keptFolder(cacheFile_));
}

void MusicFolderIndex::rescan()
{
    startScan(false);
}

void MusicFolderIndex::startScan(bool loadKept)
{
    if (folder_.isEmpty())
        return;
    Job job;
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->scanRunning())
            return;
        shared_->scan = std::make_shared<Scan>();
        ++shared_->unfinished;
        job.scan = shared_->scan;
    }
    job.folder = folder_;
    job.cacheFile = cacheFile_;
    job.reader = reader_;
    job.isFolder = isFolder_;
    job.loadKept = loadKept;
    job.shared = shared_;
    job.announce = [this, alive = std::weak_ptr<int>(alive_)]() {
        platform::runOnMain([this, alive]() {
            if (!alive.expired())
                indexed();
        });
    };
    // Not a pooled thread: the pool is waited for when the program ends, and
    // a scan may wait on the file system for good.
    std::thread([job = std::move(job)]() { scan(job); }).detach();
}

std::shared_ptr<MusicFolderIndex::Scan> MusicFolderIndex::stopScan()
{
    std::lock_guard lock(shared_->mutex);
    // Set under the lock, so that a scan told to stop never delivers.
    if (shared_->scan)
        shared_->scan->stop = true;
    return shared_->scan;
}

void MusicFolderIndex::waitForScan()
{
    std::unique_lock lock(shared_->mutex);
    shared_->scanEnded.wait(lock, [this]() { return shared_->unfinished == 0; });
}

bool MusicFolderIndex::scanRunning() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->scanRunning();
}

int MusicFolderIndex::filesRead() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->filesRead;
}

bool MusicFolderIndex::isAudioFileName(const QString &name)
{
    static const QStringList kinds = {QStringLiteral("mp3"), QStringLiteral("m4a"), QStringLiteral("aac"),
                                      QStringLiteral("flac"), QStringLiteral("wav"), QStringLiteral("ogg"),
                                      QStringLiteral("oga"), QStringLiteral("opus"), QStringLiteral("aif"),
                                      QStringLiteral("aiff"), QStringLiteral("wma"), QStringLiteral("mp4")};
    return kinds.contains(platform::suffix(name).toLower());
}

std::optional<Track> MusicFolderIndex::readTrack(const QString &path, int descriptor, const std::atomic<bool> &stop)
{
    if (stop)
        return std::nullopt;
    // The stream closes its own copy of the descriptor.
    const int own = ::dup(descriptor);
    if (own < 0)
        return std::nullopt;
    CheckedStream stream(own, path, stop);
    if (!stream.isOpen()) {
        ::close(own);
        return std::nullopt;
    }
    TagLib::FileRef ref(&stream, true, TagLib::AudioProperties::Fast);
    // TagLib takes the empty reads after a stop for a short file and still makes a track of it.
    if (ref.isNull() || stop)
        return std::nullopt;
    Track t;
    if (const TagLib::Tag *tag = ref.tag()) {
        t.title = fromTag(tag->title());
        t.artist = fromTag(tag->artist());
        t.comment = fromTag(tag->comment());
        t.genre = fromTag(tag->genre());
    }
    if (t.title.isEmpty())
        t.title = platform::completeBaseName(path);
    if (const TagLib::AudioProperties *props = ref.audioProperties())
        t.length = props->lengthInMilliseconds() / 1000.0;
    t.location = path;
    t.persistentID = persistentIdForPath(path);
    return t;
}

bool MusicFolderIndex::isFolderOnDisk(const QString &folder)
{
    return platform::isFolder(folder);
}

void MusicFolderIndex::scan(const Job &job)
{
    Shared &shared = *job.shared;
    Scan &self = *job.scan;
    // A scan stopped while the file system held it may be left behind and
    // answered after the program has ended: from there on it touches nothing
    // outside this, declared first so that it goes last.
    std::optional<platform::BeforeTheEnd> going;
    const auto stopped = [&self, &going]() {
        if (!self.stop)
            return false;
        going.emplace();
        return true;
    };
    const auto end = qScopeGuard([&shared, &self]() {
        {
            std::lock_guard lock(shared.mutex);
            self.ended = true;
            --shared.unfinished;
        }
        shared.scanEnded.notify_all();
    });
    // The kept index answers while the folder is looked at: on a sleeping
    // share that look alone may take seconds.
    if (job.loadKept && !self.stop) {
        std::optional<QHash<QString, Entry>> kept = loadCache(job.cacheFile, job.folder);
        if (stopped())
            return;
        if (kept) {
            QList<Track> tracks = tracksOf(*kept);
            std::unique_lock lock(shared.mutex);
            if (!self.stop) {
                std::swap(shared.entries, *kept);
                std::swap(shared.tracks, tracks);
                shared.known = true;
                lock.unlock();
                job.announce();
            }
        }
    }
    if (stopped())
        return;
    const bool there = job.isFolder(job.folder);
    if (stopped())
        return;
    bool missing = false;
    {
        std::lock_guard lock(shared.mutex);
        if (!self.stop) {
            shared.folder = there ? Shared::Folder::There : Shared::Folder::Missing;
            missing = !there;
        }
    }
    if (!there) {
        // What waited for the first scan learns that there is no folder.
        if (missing)
            job.announce();
        return;
    }
    QHash<QString, Entry> before;
    {
        std::lock_guard lock(shared.mutex);
        before = shared.entries;
    }
    QHash<QString, Entry> after;
    int read = 0;
    Skipped skipped;
    const bool folderOpens = canOpenFolder(job.folder);
    if (stopped())
        return;
    if (!folderOpens)
        ++skipped.folders;
    // Symbolic links to folders are not followed, so a link back up the tree
    // cannot loop.
    QDirIterator it(job.folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    if (stopped())
        return;
    while (it.hasNext()) {
        const QString path = it.next();
        if (stopped())
            return;
        // Told from the link's target, before anything is opened.
        const QFileInfo info = it.fileInfo();
        const bool isDir = info.isDir();
        if (stopped())
            return;
        if (isDir) {
            const bool opens = info.isSymLink() || canOpenFolder(path);
            if (stopped())
                return;
            if (!opens)
                ++skipped.folders;
            continue;
        }
        if (!isAudioFileName(path))
            continue;
        ++self.filesSoFar;
        if (!info.isFile()) {
            ++skipped.notRegular;
            continue;
        }
        const qint64 size = info.size();
        const qint64 modified = info.lastModified().toMSecsSinceEpoch();
        if (stopped())
            return;
        if (size > kMaxTrackBytes) {
            ++skipped.tooLarge;
            continue;
        }
        const auto known = before.constFind(path);
        if (known != before.constEnd() && known->size == size && known->modified == modified) {
            after.insert(path, *known);
            continue;
        }
        // Checked again on what was opened: the link may point elsewhere by now.
        const platform::RegularFile file = platform::RegularFile::open(path);
        if (stopped())
            return;
        if (!file.ok() || file.size() > kMaxTrackBytes) {
            if (file.ok())
                ++skipped.tooLarge;
            else if (file.status() == platform::FileStatus::NotRegular)
                ++skipped.notRegular;
            else if (file.status() == platform::FileStatus::Unreadable)
                ++skipped.unreadable;
            continue;
        }
        ++read;
        const std::optional<Track> track = job.reader(path, file.descriptor(), self.stop);
        if (stopped())
            return;
        if (track)
            after.insert(path, Entry{size, modified, *track});
        else
            ++skipped.notAudio;
    }
    if (!job.cacheFile.isEmpty() && (read > 0 || after.size() != before.size())) {
        std::unique_lock keep(shared.keeping);
        if (stopped())
            return;
        platform::makeFolder(platform::absolutePath(job.cacheFile));
        if (stopped())
            return;
        QString why;
        const bool kept = platform::writeFileAtomically(job.cacheFile, cacheBytes(job.folder, after), &why);
        keep.unlock();
        if (stopped())
            return;
        if (!kept)
            TLOG(QStringLiteral("MusicFolderIndex: the index could not be kept in %1: %2").arg(job.cacheFile, why));
    }
    QList<Track> tracks = tracksOf(after);
    bool delivered = false;
    bool newSkips = false;
    {
        std::lock_guard lock(shared.mutex);
        if (!self.stop) {
            // The old index is freed here, not on the main thread.
            std::swap(shared.entries, after);
            std::swap(shared.tracks, tracks);
            shared.filesRead = read;
            shared.known = true;
            shared.lastScanEnd = platform::now();
            newSkips = skipped != shared.skipped;
            shared.skipped = skipped;
            delivered = true;
        }
    }
    // Said once, not on every look for changes.
    if (newSkips && skipped.total() > 0)
        qWarning().noquote() << skippedText(skipped);
    if (delivered)
        job.announce();
}

} // namespace audio
