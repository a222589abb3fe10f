#include "platform/KeptAtQuit.h"

#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/DataFolder.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <QDebug>
#include <QDir>
#include <QSet>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform::kept {

namespace {

// Views of literals, nothing to destroy: a thread a share held may keep a copy after the program's statics have gone.
constexpr QLatin1StringView kKeptFolder("Kept notes");
constexpr QLatin1StringView kKeptLabel("edit not saved");
constexpr QLatin1StringView kChangedLabel("changed elsewhere");

QStringList bases()
{
    QStringList out = QStringList{dataFolder()} + spareFolders();
    out.removeDuplicates();
    return out;
}

// The records of one base folder, one line each: kind, tab, the copy's path,
// tab, what was lost. An earlier version wrote the path of a kept note alone.
QString recordsIn(const QString &base) { return QDir(base).filePath(QStringLiteral("kept-at-quit.list")); }

const char *kindName(What kind)
{
    switch (kind) {
    case What::Note: return "note";
    case What::Song: return "song";
    case What::Settings: return "settings";
    case What::ChangedElsewhere: return "changed elsewhere";
    }
    return "note";
}

// Appended rather than rewritten: two programs on different settings folders
// may share the data folder, and one line must not be lost to the other. Under
// the lock the quit's clearing takes (forgetRemovedCopies), which rewrites the
// file in place.
bool appendRecord(const QString &base, const QByteArray &line)
{
    if (!makeFolder(base))
        return false;
    const int fd = ::open(nativePath(recordsIn(base)).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::flock(fd, LOCK_EX);
    const bool whole = ::write(fd, line.constData(), size_t(line.size())) == line.size();
    return ::close(fd) == 0 && whole;
}

// The kinds of a copy said only if it is still there.
constexpr QLatin1StringView kWaiting("waiting note");
constexpr QLatin1StringView kWaitingSong("waiting song");

struct Records {
    QStringList notes, songs, settings, lost, waiting, waitingSongs, changedElsewhere;
};

QStringList linesOf(const QByteArray &bytes) { return fromNativePath(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

// The records a start has said but could not remove (a data folder made
// read-only): kept in the first folder that takes them, so that each is said once.
QString saidIn(const QString &base) { return QDir(base).filePath(QStringLiteral("kept-at-quit.said")); }

void rememberSaid(const QStringList &lines)
{
    bool remembered = lines.isEmpty();
    for (const QString &base : bases()) {
        const QString path = saidIn(base);
        if (!remembered && makeFolder(base)
            && writeFileAtomically(path, nativePath(lines.join(QLatin1Char('\n'))) + '\n')) {
            remembered = true;
            continue;
        }
        removeFile(path);
    }
}

void readRecords(const QStringList &lines, Records *out)
{
    for (const QString &line : lines) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() < 2) {
            out->notes << line;
            continue;
        }
        const QString what = fields.value(2);
        if (fields[1].isEmpty()) {
            if (!what.isEmpty())
                out->lost << what;
        } else if (fields[0] == QLatin1String("song")) {
            out->songs << fields[1];
        } else if (fields[0] == QLatin1String("settings")) {
            out->settings << fields[1];
        } else if (fields[0] == QLatin1String(kindName(What::ChangedElsewhere))) {
            out->changedElsewhere << fields[1];
        } else if (fields[0] == kWaiting) {
            out->waiting << fields[1];
        } else if (fields[0] == kWaitingSong) {
            out->waitingSongs << fields[1];
        } else {
            out->notes << fields[1];
        }
    }
}

// "a", "a and b", "a, b and c".
QString listed(QStringList items)
{
    const QString last = items.takeLast();
    return items.isEmpty() ? last : QStringLiteral("%1 and %2").arg(items.join(QStringLiteral(", ")), last);
}

// One sentence for the copies of one kind, each named whole: "%1" of many is their number.
QString sentence(const QStringList &paths, const QString &one, const QString &many)
{
    if (paths.isEmpty())
        return QString();
    QStringList names;
    for (const QString &path : paths)
        names << named(path);
    names.removeDuplicates();
    if (names.size() == 1)
        return one.arg(names.first());
    return many.arg(QString::number(names.size()), listed(names));
}

QStringList folders()
{
    QStringList out;
    for (const QString &base : bases())
        out << QDir(base).filePath(kKeptFolder);
    return out;
}

} // namespace

QString named(const QString &path)
{
    const QString home = QDir::homePath();
    if (home == QLatin1String("/") || !path.startsWith(home + QLatin1Char('/')))
        return path;
    return QLatin1Char('~') + path.mid(home.size());
}

QString datedFreePath(const QString &base, const QString &label, const QString &suffix)
{
    // No colon in the name: the folder may be synced to a system that refuses one.
    const QString stamp = currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm"));
    for (int n = 1;; ++n) {
        const QString path = QStringLiteral("%1 (%2 %3%4).%5")
                                 .arg(base, label, stamp, n == 1 ? QString() : QStringLiteral(" %1").arg(n), suffix);
        // A look the guard sees: beside a song (notefile::keepBeside) the folder is a library folder.
        if (!nameTaken(path))
            return path;
    }
}

QString keep(const QString &name, const QString &suffix,
             const std::function<bool(const QString &path, QString *error)> &write, QString *error, Label label)
{
    QString first;
    for (const QString &folder : folders()) {
        QString why;
        if (!makeFolder(folder)) {
            why = QStringLiteral("the folder \"%1\" could not be made").arg(folder);
        } else {
            const QString path = datedFreePath(QDir(folder).filePath(name),
                                               label == Label::ChangedElsewhere ? kChangedLabel : kKeptLabel, suffix);
            if (write(path, &why))
                return path;
        }
        TLOG(QStringLiteral("Kept: %1 could not be kept in %2: %3").arg(name, folder, why));
        if (first.isEmpty())
            first = why;
    }
    if (error)
        *error = first;
    return QString();
}

namespace {

void record(const QString &kind, const QString &keptPath, const QString &what)
{
    // One line, three fields: a tab or a line end in a name would split it.
    const auto field = [](QString text) {
        return text.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    };
    const QString line = kind + QLatin1Char('\t') + field(keptPath) + QLatin1Char('\t') + field(what);
    // The paths as the file system holds them.
    const QByteArray bytes = nativePath(line) + '\n';
    for (const QString &base : bases())
        if (appendRecord(base, bytes))
            return;
    qWarning().noquote() << QStringLiteral("The next start cannot be told of it: no folder takes a record");
}

} // namespace

void tellNextStart(What kind, const QString &keptPath, const QString &what)
{
    if (keptPath.isEmpty())
        qWarning().noquote() << QStringLiteral("While quitting, %1 could not be saved or kept anywhere: it is lost").arg(what);
    else if (kind == What::ChangedElsewhere)
        qWarning().noquote() << QStringLiteral("While quitting, %1 is kept in %2").arg(what, keptPath);
    else
        qWarning().noquote() << QStringLiteral("While quitting, %1 could not be saved; kept in %2").arg(what, keptPath);
    record(QString::fromLatin1(kindName(kind)), keptPath, what);
}

void tellNextStartUnlessRemoved(What kind, const QString &keptPath, const QString &what)
{
    record(kind == What::Song ? kWaitingSong : kWaiting, keptPath, what);
}

void forgetRemovedCopies()
{
    for (const QString &base : bases()) {
        const QString path = recordsIn(base);
        const int fd = ::open(nativePath(path).constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            continue;
        const FileBytes r = ::flock(fd, LOCK_EX) == 0 ? readRegularFile(path, 1024 * 1024) : FileBytes();
        QByteArray kept;
        for (const QByteArray &line : r.bytes.split('\n')) {
            const QList<QByteArray> fields = line.split('\t');
            if (!line.isEmpty() && (fields.size() < 2 || fields[1].isEmpty() || pathExists(fromNativePath(fields[1]))))
                kept += line + '\n';
        }
        // In place, so that a line another program appends meanwhile waits for the lock and is not lost.
        if (r.ok() && kept != r.bytes && (!writeWholeAt(fd, kept.constData(), kept.size(), 0)
                                          || ::ftruncate(fd, off_t(kept.size())) != 0))
            TLOG(QStringLiteral("Kept: %1 could not be rewritten: %2").arg(path, qt_error_string(errno)));
        ::close(fd);
    }
}

QString takeNotice()
{
    QSet<QString> saidBefore;
    for (const QString &base : bases())
        if (const FileBytes r = readRegularFile(saidIn(base), 1024 * 1024); r.ok())
            for (const QString &line : linesOf(r.bytes))
                saidBefore.insert(line);
    Records records;
    QStringList stuck;
    QStringList unwritable;
    for (const QString &base : bases()) {
        const QString path = recordsIn(base);
        const FileBytes r = readRegularFile(path, 1024 * 1024);
        if (!r.ok() || r.bytes.isEmpty())
            continue;
        const QStringList lines = linesOf(r.bytes);
        QStringList fresh;
        for (const QString &line : lines)
            if (!saidBefore.contains(line))
                fresh << line;
        readRecords(fresh, &records);
        if (removeFile(path))
            continue;
        const QString why = qt_error_string(errno);
        TLOG(QStringLiteral("Kept: %1 could not be removed: %2").arg(path, why));
        stuck << lines;
        if (!fresh.isEmpty())
            unwritable << QStringLiteral("The %1 %2 cannot be written (%3): the record of what was kept stays "
                                         "there, and is not said again.")
                              .arg(base == dataFolder() ? QStringLiteral("data folder") : QStringLiteral("folder"), named(base),
                                   why);
    }
    rememberSaid(stuck);
    // Removed once its edit was written; one the quit kept again is said as the quit's.
    const auto stillThere = [](const QStringList &copies, const QStringList &quits) {
        QStringList there;
        for (const QString &path : copies)
            if (!quits.contains(path) && !there.contains(path) && pathExists(path))
                there << path;
        return there;
    };
    const QStringList waiting = stillThere(records.waiting, records.notes);
    QStringList said;
    said << sentence(records.notes,
                     QStringLiteral("An edited note could not be saved when Tolvane last quit: it is kept as %1."),
                     QStringLiteral("%1 edited notes could not be saved when Tolvane last quit: they are kept as %2."))
         << sentence(waiting,
                     QStringLiteral("An edited note was not written to its note file before Tolvane last ended: "
                                    "it is kept as %1."),
                     QStringLiteral("%1 edited notes were not written to their note files before Tolvane last "
                                    "ended: they are kept as %2."))
         << sentence(records.songs,
                     QStringLiteral("An edited song could not be saved when Tolvane last quit: it is kept as %1."),
                     QStringLiteral("%1 edited songs could not be saved when Tolvane last quit: they are kept as %2."))
         << sentence(stillThere(records.waitingSongs, records.songs),
                     QStringLiteral("An edited song was not written to its song file before Tolvane last ended: "
                                    "it is kept as %1."),
                     QStringLiteral("%1 edited songs were not written to their song files before Tolvane last "
                                    "ended: they are kept as %2."))
         << sentence(stillThere(records.changedElsewhere, {}),
                     QStringLiteral("A song changed elsewhere was saved over when Tolvane last quit: the other text "
                                    "is kept as %1."),
                     QStringLiteral("%1 songs changed elsewhere were saved over when Tolvane last quit: the other "
                                    "texts are kept as %2."))
         << sentence(records.settings,
                     QStringLiteral("Settings changed before Tolvane last quit could not be written to the settings "
                                    "file: they are kept in %1 and were not taken back."),
                     QStringLiteral("Settings changed before Tolvane last quit could not be written to the settings "
                                    "file (%1 times): they are kept in %2 and were not taken back."));
    if (!records.lost.isEmpty())
        said << QStringLiteral("When Tolvane last quit, these could be neither saved nor kept anywhere and are "
                               "lost: %1.")
                    .arg(records.lost.join(QStringLiteral("; ")));
    said << unwritable;
    said.removeAll(QString());
    return said.join(QLatin1Char(' '));
}

} // namespace platform::kept
