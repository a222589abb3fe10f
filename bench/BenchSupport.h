#pragma once

#include <QFile>

// A short run (TOLVANE_BENCH_SHORT set, as CI does) runs every benchmark once
// at its smallest, to see it end under the sanitizers; its figures mean nothing.
inline bool benchShort() { return qEnvironmentVariableIsSet("TOLVANE_BENCH_SHORT"); }

// A count (of iterations, changes, files ...): the measured one, or the short run's.
inline int benchCount(int measured, int shortRun) { return benchShort() ? shortRun : measured; }

// A figure in kB of a /proc file's "Name:" line (0 where the file or line is missing).
inline long procFieldKb(const QString &file, const QByteArray &field)
{
    QFile proc(file);
    if (!proc.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : proc.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLong();
    return 0;
}

// The process's resident memory now, in kB (0 where /proc is missing).
inline long residentKb() { return procFieldKb(QStringLiteral("/proc/self/status"), "VmRSS"); }
