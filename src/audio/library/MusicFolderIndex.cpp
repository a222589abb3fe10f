#include "audio/library/MusicFolderIndex.h"

#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"

#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

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

MusicFolderIndex::MusicFolderIndex(const QString &folder, const QString &cacheFile, TrackReader reader)
    : folder_(folder.isEmpty() ? QString() : QDir(folder).absolutePath()), cacheFile_(cacheFile),
      reader_(std::move(reader))
{
    startScan(true);
}

MusicFolderIndex::~MusicFolderIndex()
{
    stopScan();
}

bool MusicFolderIndex::isAvailable() const
{
    return !folder_.isEmpty() && QFileInfo(folder_).isDir();
}

QList<Track> MusicFolderIndex::allMediaItems()
{
    if (!isAvailable())
        return {};
    std::lock_guard lock(mutex_);
    if (platform::now() - lastScanEnd_ > kRescanAfter && !running_.isRunning())
        running_ = QtConcurrent::run([this]() { scan(false); });
    return tracks_;
}

bool MusicFolderIndex::isIndexing() const
{
    if (!isAvailable())
        return false;
    std::lock_guard lock(mutex_);
    return !known_ && running_.isRunning();
}

int MusicFolderIndex::filesSoFar() const
{
    return filesSoFar_;
}

void MusicFolderIndex::changeFolder(const QString &folder)
{
    stopScan();
    {
        std::lock_guard lock(mutex_);
        folder_ = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
        entries_.clear();
        tracks_.clear();
        known_ = false;
        filesRead_ = 0;
        lastScanEnd_ = -1e9;
    }
    startScan(true);
}

void MusicFolderIndex::rescan()
{
    startScan(false);
}

void MusicFolderIndex::startScan(bool loadKept)
{
    std::lock_guard lock(mutex_);
    if (running_.isRunning() || !isAvailable())
        return;
    running_ = QtConcurrent::run([this, loadKept]() { scan(loadKept); });
}

void MusicFolderIndex::stopScan()
{
    abandon_ = true;
    waitForScan();
    abandon_ = false;
}

void MusicFolderIndex::waitForScan()
{
    QFuture<void> f;
    {
        std::lock_guard lock(mutex_);
        f = running_;
    }
    f.waitForFinished();
}

bool MusicFolderIndex::scanRunning() const
{
    std::lock_guard lock(mutex_);
    return running_.isRunning();
}

int MusicFolderIndex::filesRead() const
{
    std::lock_guard lock(mutex_);
    return filesRead_;
}

bool MusicFolderIndex::isAudioFileName(const QString &name)
{
    static const QStringList kinds = {QStringLiteral("mp3"), QStringLiteral("m4a"), QStringLiteral("aac"),
                                      QStringLiteral("flac"), QStringLiteral("wav"), QStringLiteral("ogg"),
                                      QStringLiteral("oga"), QStringLiteral("opus"), QStringLiteral("aif"),
                                      QStringLiteral("aiff"), QStringLiteral("wma"), QStringLiteral("mp4")};
    return kinds.contains(QFileInfo(name).suffix().toLower());
}

std::optional<Track> MusicFolderIndex::readTrack(const QString &path)
{
    TagLib::FileRef ref(QFile::encodeName(path).constData(), true, TagLib::AudioProperties::Fast);
    if (ref.isNull())
        return std::nullopt;
    Track t;
    if (const TagLib::Tag *tag = ref.tag()) {
        t.title = fromTag(tag->title());
        t.artist = fromTag(tag->artist());
        t.comment = fromTag(tag->comment());
        t.genre = fromTag(tag->genre());
    }
    if (t.title.isEmpty())
        t.title = QFileInfo(path).completeBaseName();
    if (const TagLib::AudioProperties *props = ref.audioProperties())
        t.length = props->lengthInMilliseconds() / 1000.0;
    t.location = path;
    t.persistentID = persistentIdForPath(path);
    return t;
}

void MusicFolderIndex::announce()
{
    std::weak_ptr<int> alive = alive_;
    platform::runOnMain([this, alive]() {
        if (!alive.expired())
            indexed();
    });
}

void MusicFolderIndex::scan(bool loadKept)
{
    filesSoFar_ = 0;
    if (loadKept && loadCache())
        announce();
    QHash<QString, Entry> before;
    {
        std::lock_guard lock(mutex_);
        before = entries_;
    }
    QHash<QString, Entry> after;
    int read = 0;
    // Symbolic links to folders are not followed, so a link back up the tree
    // cannot loop.
    QDirIterator it(folder_, QDir::Files | QDir::Readable | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (abandon_)
            return;
        const QString path = it.next();
        if (!isAudioFileName(path))
            continue;
        ++filesSoFar_;
        const QFileInfo info = it.fileInfo();
        const qint64 size = info.size();
        const qint64 modified = info.lastModified().toMSecsSinceEpoch();
        const auto known = before.constFind(path);
        if (known != before.constEnd() && known->size == size && known->modified == modified) {
            after.insert(path, *known);
            continue;
        }
        ++read;
        if (const std::optional<Track> track = reader_(path))
            after.insert(path, Entry{size, modified, *track});
    }
    if (abandon_)
        return;
    if (read > 0 || after.size() != before.size())
        saveCache(after);
    QList<Track> tracks = tracksOf(after);
    {
        std::lock_guard lock(mutex_);
        // The old index is freed here, not on the main thread.
        std::swap(entries_, after);
        std::swap(tracks_, tracks);
        filesRead_ = read;
        known_ = true;
        lastScanEnd_ = platform::now();
    }
    announce();
}

bool MusicFolderIndex::loadCache()
{
    if (cacheFile_.isEmpty())
        return false;
    const platform::FileBytes bytes = platform::readRegularFile(cacheFile_, kCacheMaxBytes);
    if (!bytes.ok())
        return false;
    QDataStream in(bytes.bytes);
    quint32 magic = 0;
    QString folder;
    qint32 count = 0;
    in >> magic >> folder >> count;
    if (magic != kCacheMagic || folder != folder_ || count < 0)
        return false;
    QHash<QString, Entry> entries;
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        Entry e;
        in >> e.size >> e.modified >> e.track.title >> e.track.artist >> e.track.comment >> e.track.genre
            >> e.track.location >> e.track.length >> e.track.persistentID;
        if (in.status() == QDataStream::Ok)
            entries.insert(e.track.location, e);
    }
    // A damaged cache only costs a full read.
    if (in.status() != QDataStream::Ok)
        return false;
    QList<Track> tracks = tracksOf(entries);
    std::lock_guard lock(mutex_);
    std::swap(entries_, entries);
    std::swap(tracks_, tracks);
    known_ = true;
    return true;
}

void MusicFolderIndex::saveCache(const QHash<QString, Entry> &entries) const
{
    if (cacheFile_.isEmpty())
        return;
    QDir().mkpath(QFileInfo(cacheFile_).absolutePath());
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kCacheMagic << folder_ << qint32(entries.size());
    for (const Entry &e : entries)
        out << e.size << e.modified << e.track.title << e.track.artist << e.track.comment << e.track.genre
            << e.track.location << e.track.length << e.track.persistentID;
    QString why;
    if (!platform::writeFileAtomically(cacheFile_, bytes, &why))
        TLOG(QStringLiteral("MusicFolderIndex: the index could not be kept in %1: %2").arg(cacheFile_, why));
}

} // namespace audio
