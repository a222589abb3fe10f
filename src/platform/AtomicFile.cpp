#include "platform/AtomicFile.h"

#include <csignal>
#include <sys/resource.h>

namespace platform {

// A write cut short at the limit sets no errno, so the system's own text
// would say "Unknown error".
QString fileSizeLimitText(qint64 size)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || quint64(size) <= limit.rlim_cur)
        return QString();
    return QStringLiteral("too large for the file-size limit (%1 bytes)").arg(quint64(limit.rlim_cur));
}

AtomicFile::AtomicFile(const QString &path)
    : file_(path)
{
}

AtomicFile::~AtomicFile()
{
    if (!done_)
        cancel();
}

bool AtomicFile::open()
{
    if (!file_.open(QIODevice::WriteOnly))
        return fail(file_.errorString());
    return true;
}

bool AtomicFile::write(const QByteArray &bytes)
{
    if (failed_)
        return false;
    if (!file_.isOpen())
        return fail(QStringLiteral("not open"));
    intended_ = file_.pos() + bytes.size();
    if (file_.write(bytes) != bytes.size())
        return fail(file_.errorString());
    return true;
}

bool AtomicFile::commit()
{
    if (done_)
        return !failed_;
    if (failed_ || !file_.isOpen()) {
        if (!failed_)
            fail(QStringLiteral("not open"));
        cancel();
        return false;
    }
    // A device written to through device() may have failed without write() seeing it.
    if (file_.error() != QFileDevice::NoError) {
        fail(file_.errorString());
        cancel();
        return false;
    }
    if (!file_.flush() || file_.error() != QFileDevice::NoError) {
        fail(file_.errorString());
        cancel();
        return false;
    }
    done_ = true;
    if (!file_.commit())
        return fail(file_.errorString());
    return true;
}

void AtomicFile::cancel()
{
    if (done_)
        return;
    done_ = true;
    fail(QStringLiteral("writing cancelled"));
    if (file_.isOpen()) {
        file_.cancelWriting();
        file_.commit(); // with writing cancelled this only removes the temporary file
    }
}

bool AtomicFile::fail(const QString &why)
{
    failed_ = true;
    if (error_.isEmpty())
        error_ = fileSizeLimitText(qMax(intended_, file_.pos()));
    if (error_.isEmpty())
        error_ = why.isEmpty() ? QStringLiteral("write failed") : why;
    return false;
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    AtomicFile file(path);
    const bool ok = file.open() && file.write(bytes) && file.commit();
    if (!ok) {
        file.cancel();
        if (error)
            *error = file.errorString();
    }
    return ok;
}

void reportFileSizeLimitAsWriteError()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace platform
