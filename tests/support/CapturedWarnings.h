#pragma once

#include <QStringList>
#include <QtGlobal>
#include <mutex>

namespace testsupport {

// The warnings said while it lives, from any thread.
class CapturedWarnings {
public:
    CapturedWarnings()
    {
        // Before, the lines of an earlier run were still here under --gtest_repeat.
        {
            std::lock_guard lock(mutex_);
            lines_.clear();
        }
        previous_ = qInstallMessageHandler(&collect);
    }
    ~CapturedWarnings() { qInstallMessageHandler(previous_); }
    QStringList lines() const
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    static void collect(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        std::lock_guard lock(mutex_);
        if (type == QtWarningMsg)
            lines_ << text;
    }
    static inline std::mutex mutex_;
    static inline QStringList lines_;
    QtMessageHandler previous_ = nullptr;
};

} // namespace testsupport
