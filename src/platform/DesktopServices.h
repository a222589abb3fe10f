#pragma once

#include <QString>
#include <QUrl>
#include <functional>

namespace platform {

// Hand-offs to the desktop: other applications, the file manager, the mail
// client and the printer. Paths always travel as arguments of their own,
// never inside command or script text. Each call answers whether the
// hand-off was made (mail once its program has said so); what the receiving
// application then does is its own.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // Opens a file or folder in its default application.
    virtual bool openPath(const QString &path) = 0;
    // Opens a URL (a web page, a "mailto:" address) with the desktop.
    virtual bool openUrl(const QUrl &url) = 0;
    // Shows a file or folder selected in the file manager; when no file
    // manager answers, opens the folder that holds it.
    virtual bool revealInFileManager(const QString &path) = 0;
    // Starts a new mail in the user's mail client with the file attached.
    // The mail program may take a while to answer: `done` runs once, on the
    // main thread, with whether a mail was prepared (perhaps before
    // composeMail returns). The main thread never waits for the answer.
    using MailDone = std::function<void(bool prepared)>;
    virtual void composeMail(const QString &attachmentPath, MailDone done) = 0;
    // Prints a PDF after the print dialog: no margins, each page fitted to
    // the paper and turned to match its orientation. A Cancel in the dialog
    // is the user's choice, not a failure. The file is read, and the document
    // loaded and rendered, off the main thread: `done` runs once, on the main
    // thread, with the outcome and, on a failure, why in a few words
    // (perhaps before printPdf returns). The main thread never waits for it.
    enum class PrintOutcome { Printed, Cancelled, Failed };
    using PrintDone = std::function<void(PrintOutcome outcome, const QString &why)>;
    virtual void printPdf(const QString &path, PrintDone done) = 0;
};

// The installed desktop services (the real desktop unless something else was installed).
DesktopServices &desktop();
// Installs desktop services (not owned); nullptr goes back to the real desktop.
void setDesktop(DesktopServices *services);

} // namespace platform
