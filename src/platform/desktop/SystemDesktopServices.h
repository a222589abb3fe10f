#pragma once

#include "platform/DesktopServices.h"
#include "platform/FileWork.h"
#include "platform/desktop/PdfPrinting.h"

#include <QObject>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

namespace platform {

// The desktop of a freedesktop.org system: xdg-open, the file manager's
// org.freedesktop.FileManager1 D-Bus interface, xdg-email and QtPrintSupport.
class SystemDesktopServices final : public DesktopServices {
public:
    struct Options {
        QString openProgram = QStringLiteral("xdg-open");
        QString mailProgram = QStringLiteral("xdg-email");
        // The D-Bus bus to find the file manager on; empty: the session bus.
        QString busAddress;
        // How long the PDF reader may take over a document to print, and over a page.
        int printLoadMs = 5000;
        int printRenderMs = 20000;
    };
    // Starts a program detached with its arguments; answers whether it started.
    using Launcher = std::function<bool(const QString &program, const QStringList &arguments)>;

    SystemDesktopServices();
    explicit SystemDesktopServices(Options options, Launcher launcher = {});
    ~SystemDesktopServices() override;

    bool openPath(const QString &path) override;
    bool openUrl(const QUrl &url) override;
    bool revealInFileManager(const QString &path) override;
    void composeMail(const QString &attachmentPath, MailDone done) override;
    void printPdf(const QString &path, PrintDone done) override;

private:
    bool launch(const QString &program, const QStringList &arguments);
    static void startMail(const QString &program, const QString &attachment, const MailDone &done);
    void askAndPrint(const QString &path, const PdfBytes &bytes, int pages, const PrintDone &done);
    // Drops the prints' answers and stops their waits on the PDF reader; a thread still at work is not waited for.
    void endPrints();
    PrintLimits printLimits() const;
    Options options_;
    Launcher launcher_;
    // Each print's read and load, and then its pages, on a thread of their own.
    FileWork prints_;
    // The mail program's look through PATH.
    FileWork mails_;
    std::shared_ptr<std::atomic<bool>> printsEnded_ = std::make_shared<std::atomic<bool>>(false);
    // Ends the prints as the event loop ends: no answer may come after the application has gone.
    QObject quitWatch_;
    bool watchingQuit_ = false;
};

} // namespace platform
