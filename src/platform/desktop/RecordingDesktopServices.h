#pragma once

#include "platform/DesktopServices.h"

#include <QList>
#include <QStringList>

namespace platform {

// Desktop services for tests: records every hand-off and makes none.
// Installs itself for its lifetime.
class RecordingDesktopServices final : public DesktopServices {
public:
    struct Record {
        QString kind;    // "open", "url", "reveal", "mail", "print"
        QString target;  // the path or URL handed over
        bool operator==(const Record &) const = default;
    };

    RecordingDesktopServices();
    ~RecordingDesktopServices() override;

    // What every hand-off answers (true unless told otherwise).
    void setAnswer(bool answer) { answer_ = answer; }
    const QList<Record> &records() const { return records_; }
    // "kind target" lines, handy for comparing whole sequences.
    QStringList lines() const;
    void clear() { records_.clear(); }

    bool openPath(const QString &path) override { return record(QStringLiteral("open"), path); }
    bool openUrl(const QUrl &url) override { return record(QStringLiteral("url"), url.toString()); }
    bool revealInFileManager(const QString &path) override { return record(QStringLiteral("reveal"), path); }
    // Answers at once.
    void composeMail(const QString &attachmentPath, MailDone done) override
    {
        done(record(QStringLiteral("mail"), attachmentPath));
    }
    // What printing answers besides the recorded answer: a Cancel in the dialog.
    void setPrintCancelled(bool cancelled) { printCancelled_ = cancelled; }
    // Answers at once.
    void printPdf(const QString &path, PrintDone done) override
    {
        if (!record(QStringLiteral("print"), path))
            done(PrintOutcome::Failed, QStringLiteral("the desktop refuses it"));
        else
            done(printCancelled_ ? PrintOutcome::Cancelled : PrintOutcome::Printed, QString());
    }

private:
    bool record(const QString &kind, const QString &target);
    QList<Record> records_;
    bool answer_ = true;
    bool printCancelled_ = false;
};

} // namespace platform
