#pragma once

#include "platform/DesktopServices.h"

#include <QStringList>
#include <functional>

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
    };
    // Starts a program detached with its arguments; answers whether it started.
    using Launcher = std::function<bool(const QString &program, const QStringList &arguments)>;

    SystemDesktopServices();
    explicit SystemDesktopServices(Options options, Launcher launcher = {});

    bool openPath(const QString &path) override;
    bool openUrl(const QUrl &url) override;
    bool revealInFileManager(const QString &path) override;
    void composeMail(const QString &attachmentPath, MailDone done) override;
    PrintOutcome printPdf(const QString &path) override;

private:
    bool launch(const QString &program, const QStringList &arguments);
    Options options_;
    Launcher launcher_;
};

} // namespace platform
