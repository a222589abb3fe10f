#include "library/Data.h"

#include "platform/DesktopServices.h"
#include "platform/Log.h"

void Data::printPDF(const QString &path, const std::function<void()> &ended)
{
    TLOG(QStringLiteral("Data printPDF"));
    platform::desktop().printPdf(path, [path, ended](platform::DesktopServices::PrintOutcome outcome, const QString &why) {
        if (outcome == platform::DesktopServices::PrintOutcome::Failed)
            msg(QStringLiteral("The file \"%1\" could not be printed: %2.").arg(path, why));
        if (ended)
            ended();
    });
}

void Data::mailFile(const QString &path, const QString &titre)
{
    Q_UNUSED(titre);
    platform::desktop().composeMail(path, [path](bool prepared) {
        if (!prepared)
            msg(QStringLiteral("No mail could be prepared for \"%1\".").arg(path));
    });
}

void Data::openFile(const QString &path)
{
    // The viewer's own errors are its business.
    platform::desktop().openPath(path);
}

void Data::openFileX(const QString &path, bool deact)
{
    // The desktop decides which window comes to the front; nothing to deactivate.
    Q_UNUSED(deact);
    platform::desktop().openPath(path);
}
