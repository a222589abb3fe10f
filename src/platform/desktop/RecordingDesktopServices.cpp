#include "platform/desktop/RecordingDesktopServices.h"

namespace platform {

RecordingDesktopServices::RecordingDesktopServices() { setDesktop(this); }

RecordingDesktopServices::~RecordingDesktopServices() { setDesktop(nullptr); }

QStringList RecordingDesktopServices::lines() const
{
    QStringList list;
    for (const Record &record : records_)
        list.append(record.kind + QLatin1Char(' ') + record.target);
    return list;
}

bool RecordingDesktopServices::record(const QString &kind, const QString &target)
{
    records_.append({kind, target});
    return answer_;
}

} // namespace platform
