#include "platform/Log.h"

// Never destroyed: a thread a share held may log once the exit has begun.
const QLoggingCategory &lcTolvane()
{
    static const auto *category = new QLoggingCategory("tolvane", QtWarningMsg);
    return *category;
}

namespace platform {

void enableDebugLogFromEnvironment()
{
    if (qEnvironmentVariableIntValue("TOLVANE_DEBUG") != 0)
        QLoggingCategory::setFilterRules(QStringLiteral("tolvane.debug=true"));
}

void debugLog(const QString &line)
{
    qCDebug(lcTolvane).noquote() << line;
}

} // namespace platform
