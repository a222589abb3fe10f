#include "library/ChosenFile.h"

#include "library/Data.h"
#include "platform/AtomicFile.h"
#include "platform/FileWork.h"

#include <QPointer>

namespace chosenfile {

void write(platform::FileWork &work, const QString &what, const QString &path, bool replace,
           std::function<Bytes()> bytes, const QObject *context, std::function<void(const QString &)> done)
{
    struct Written {
        bool there = false;
        QString error;
        QByteArray made; // asked to replace it, written again as made, not made again
    };
    work.run(
        what,
        [path, bytes, replace] {
            const Bytes made = bytes();
            Written written{false, made.error, made.bytes};
            if (!made.error.isEmpty())
                return written;
            if (replace ? platform::writeFileAtomically(path, made.bytes, &written.error)
                        : platform::createFileAtomically(path, made.bytes, &written.error, &written.there))
                written.error.clear();
            else if (written.error.isEmpty())
                written.error = QStringLiteral("the file could not be written");
            return written;
        },
        [&work, what, path, context = QPointer<const QObject>(context), done](const Written &written) {
            if (!context)
                return;
            if (!written.there)
                done(written.error);
            else if (Data::question(QStringLiteral("%1 already exists. Replace it?").arg(path)) && context)
                write(work, what, path, true, [made = written.made] { return Bytes{made, {}}; }, context, done);
        });
}

} // namespace chosenfile
