#include "platform/Log.h"

Q_LOGGING_CATEGORY(lcTolvane, "tolvane", QtWarningMsg)

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
