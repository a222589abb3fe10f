#include "support/TestSupport.h"

#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>

namespace testsupport {

FreshDefaults::FreshDefaults() { platform::UserDefaults::openStandard(QString()); }
FreshDefaults::~FreshDefaults() { platform::UserDefaults::openStandard(QString()); }

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return QFileInfo(path).absoluteFilePath();
}

QString writePdf(const QString &path, int pages)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    QPainter painter(&writer);
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        QFont font = painter.font();
        font.setPointSize(72);
        painter.setFont(font);
        painter.drawText(QRect(0, 0, 500, 700), Qt::AlignCenter, QString::number(page));
    }
    painter.end();
    return QFileInfo(path).absoluteFilePath();
}

void processEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool waitFor(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    return done();
}

PrivateBus::PrivateBus()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        return;
    // A configuration of our own: the session one is not installed everywhere.
    const QString config = writeFile(
        dir_.filePath(QStringLiteral("bus.conf")),
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>\n"
        "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
        "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    process_.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                            QStringLiteral("--print-address")});
    if (process_.waitForReadyRead(10000))
        address_ = QString::fromUtf8(process_.readLine()).trimmed();
}

PrivateBus::~PrivateBus()
{
    process_.kill();
    process_.waitForFinished();
}

} // namespace testsupport
