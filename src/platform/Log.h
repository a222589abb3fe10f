#pragma once

#include <QLoggingCategory>
#include <QString>

// The program's debug log: one plain line naming class and operation, e.g.
// "WindowPDF setContentView". Off unless enabled with
// QT_LOGGING_RULES="tolvane.debug=true" or TOLVANE_DEBUG=1.
Q_DECLARE_LOGGING_CATEGORY(lcTolvane)

namespace platform {

void enableDebugLogFromEnvironment();
void debugLog(const QString &line);

} // namespace platform

#define TLOG(line) qCDebug(lcTolvane).noquote() << (line)
