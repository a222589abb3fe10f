#include "support/TestSupport.h"

#include "platform/UserDefaults.h"

#include <QCoreApplication>
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

} // namespace testsupport
