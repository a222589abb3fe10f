#include "platform/desktop/SystemDesktopServices.h"

#include "platform/desktop/PdfPrinting.h"
#include "platform/Log.h"
#include "platform/ModalRun.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

namespace {

DesktopServices *g_installed = nullptr;

// Absolute, so that no path can be read as an option by the program given it.
QString absolute(const QString &path) { return QFileInfo(path).absoluteFilePath(); }

bool startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

QDBusConnection busFor(const QString &address)
{
    if (address.isEmpty())
        return QDBusConnection::sessionBus();
    const QString name = QStringLiteral("tolvane-desktop-") + address;
    QDBusConnection existing(name);
    if (existing.isConnected())
        return existing;
    return QDBusConnection::connectToBus(address, name);
}

} // namespace

DesktopServices &desktop()
{
    static SystemDesktopServices system;
    return g_installed ? *g_installed : system;
}

void setDesktop(DesktopServices *services) { g_installed = services; }

SystemDesktopServices::SystemDesktopServices() : SystemDesktopServices(Options{}) {}

SystemDesktopServices::SystemDesktopServices(Options options, Launcher launcher)
    : options_(std::move(options)), launcher_(launcher ? std::move(launcher) : Launcher(startDetached))
{
}

SystemDesktopServices::~SystemDesktopServices() { endPrints(); }

bool SystemDesktopServices::launch(const QString &program, const QStringList &arguments)
{
    const bool started = launcher_(program, arguments);
    if (!started)
        qWarning().noquote() << QStringLiteral("DesktopServices: could not start %1").arg(program);
    return started;
}

bool SystemDesktopServices::openPath(const QString &path)
{
    if (path.isEmpty())
        return false;
    return launch(options_.openProgram, {absolute(path)});
}

bool SystemDesktopServices::openUrl(const QUrl &url)
{
    if (!url.isValid() || url.isRelative())
        return false;
    return launch(options_.openProgram, {url.toString(QUrl::FullyEncoded)});
}

bool SystemDesktopServices::revealInFileManager(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QString target = absolute(path);
    const QString folder = QFileInfo(target).absolutePath();
    QDBusConnection bus = busFor(options_.busAddress);
    if (!bus.isConnected())
        return launch(options_.openProgram, {folder});

    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(target).toString(QUrl::FullyEncoded)} << QString();
    // Asynchronous: a file manager that is slow to start never blocks the stage.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 10000));
    const QString program = options_.openProgram;
    const Launcher launcher = launcher_;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, program, launcher, folder]() {
                         if (watcher->isError()) {
                             TLOG(QStringLiteral("DesktopServices revealInFileManager: %1")
                                      .arg(watcher->error().message()));
                             launcher(program, {folder});
                         }
                         watcher->deleteLater();
                     });
    return true;
}

void SystemDesktopServices::composeMail(const QString &attachmentPath, MailDone done)
{
    if (attachmentPath.isEmpty()) {
        done(false);
        return;
    }
    // QProcess would look for the program through PATH on the main thread, and a
    // folder of PATH may be on a share that does not answer: found here instead.
    const QString program = options_.mailProgram;
    mails_.run(
        QStringLiteral("Looking for %1").arg(program), [program] { return QStandardPaths::findExecutable(program); },
        [program, attachment = absolute(attachmentPath), done](const QString &found) {
            if (found.isEmpty()) {
                TLOG(QStringLiteral("DesktopServices composeMail: %1 is not there").arg(program));
                done(false);
                return;
            }
            startMail(found, attachment, done);
        });
}

void SystemDesktopServices::startMail(const QString &program, const QString &attachment, const MailDone &done)
{
    // Its exit status is the answer, and it may come late: xdg-email waits for
    // some mail clients to close. Never parented, so that quitting this program
    // never kills a mail still being written; it goes away once it has answered.
    auto *process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    const auto answer = [process, program, done](bool prepared, const QString &why) {
        if (!prepared)
            TLOG(QStringLiteral("DesktopServices composeMail: %1 %2").arg(program, why));
        done(prepared);
        process->deleteLater();
    };
    QObject::connect(process, &QProcess::finished, process, [answer](int code, QProcess::ExitStatus status) {
        answer(status == QProcess::NormalExit && code == 0,
               status == QProcess::NormalExit ? QStringLiteral("exited with %1").arg(code) : QStringLiteral("crashed"));
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [answer, process](QProcess::ProcessError error) {
        // A crash is answered by finished().
        if (error == QProcess::FailedToStart)
            answer(false, QStringLiteral("could not start: ") + process->errorString());
    });
    process->start(program, {QStringLiteral("--attach"), attachment});
}

void SystemDesktopServices::endPrints()
{
    *printsEnded_ = true;
    prints_.end();
}

PrintLimits SystemDesktopServices::printLimits() const
{
    return {options_.printLoadMs, options_.printRenderMs, [ended = printsEnded_] { return ended->load(); }};
}

void SystemDesktopServices::printPdf(const QString &path, PrintDone done)
{
    if (!watchingQuit_ && QCoreApplication::instance()) {
        watchingQuit_ = true;
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &quitWatch_, [this] { endPrints(); });
    }
    prints_.run(
        QStringLiteral("Reading %1 to print").arg(path),
        [path, limits = printLimits()] { return readPdfToPrint(path, limits); },
        [this, path, done](const PdfToPrint &pdf) {
            if (pdf.why.isEmpty())
                return askAndPrint(path, pdf.bytes, pdf.pages, done);
            TLOG(QStringLiteral("DesktopServices printPdf %1: %2").arg(path, pdf.why));
            done(PrintOutcome::Failed, pdf.why);
        });
}

void SystemDesktopServices::askAndPrint(const QString &path, const PdfBytes &bytes, int pages, const PrintDone &done)
{
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(QFileInfo(path).fileName());
    printer->setFullPage(true);
    printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    {
        QPrintDialog dialog(printer.get(), QApplication::activeWindow());
        dialog.setMinMax(1, pages);
        // No printing to a file: its name field completes typed paths, and its
        // "..." opens Qt's file dialog, both looking at the file system on this
        // thread, where a share that does not answer would hold every key.
        dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
        if (runModal(dialog) != QDialog::Accepted)
            return done(PrintOutcome::Cancelled, QString());
    }
    const bool range = printer->printRange() == QPrinter::PageRange;
    const int from = range ? printer->fromPage() : 0;
    const int to = range ? printer->toPage() : 0;
    // Painted on the worker too, which Qt supports for a QPrinter: one page's image is
    // held at a time, and ending the job hands it to the print system, which may be slow.
    prints_.run(
        QStringLiteral("Printing %1").arg(path),
        [printer, bytes, from, to, limits = printLimits()] { return printPdfPages(bytes, *printer, from, to, limits); },
        [path, done](const QString &why) {
            if (!why.isEmpty())
                TLOG(QStringLiteral("DesktopServices printPdf %1: %2").arg(path, why));
            done(why.isEmpty() ? PrintOutcome::Printed : PrintOutcome::Failed, why);
        });
}

} // namespace platform
