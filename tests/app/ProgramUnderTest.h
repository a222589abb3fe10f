#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

// The built program, run headless in a fresh home with empty settings.
namespace programtest {

inline QString programPath()
{
    return QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/../src/tolvane")).absoluteFilePath();
}

inline QProcessEnvironment emptyHome(const QTemporaryDir &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home.path());
    // Nothing of the user running the tests is read or written: no folder
    // of theirs, no override or debug switch inherited from their shell.
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral(".local/share")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral(".cache")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral(".local/state")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
    for (const char *name : {"TOLVANE_DATA_DIR", "TOLVANE_DEBUG", "TOLVANE_QUIT_AFTER_MS"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("TOLVANE_CONFIG_DIR"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("TOLVANE_MIDI_BACKEND"), QStringLiteral("loopback"));
    return env;
}

struct Run {
    bool started = false;
    bool finished = false;   // false: it was killed after the wait ran out
    bool markerSeen = false; // with a terminate marker: it was printed before SIGTERM
    qint64 msToEnd = -1;     // with a terminate marker: from SIGTERM to the end
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    QString errors;          // all of standard error, or why it did not start
};

// Starts the program in `home` with `extraEnv` added to emptyHome(), reading
// its standard error. inChild runs in the new process before the program
// (limits, signal dispositions). A `command` runs in the program's place (a
// test of this binary that runs the Application itself).
inline bool start(QProcess &process, const QTemporaryDir &home, const QList<QPair<QString, QString>> &extraEnv,
                  const std::function<void()> &inChild = {}, const QStringList &command = {})
{
    QProcessEnvironment env = emptyHome(home);
    for (const auto &[name, value] : extraEnv)
        env.insert(name, value);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(home.path());
    process.setReadChannel(QProcess::StandardError);
    if (inChild)
        process.setChildProcessModifier(inChild);
    if (command.isEmpty())
        process.start(programPath(), {});
    else
        process.start(command.first(), command.mid(1));
    return process.waitForStarted(30000);
}

// Reads standard error into `errors` until it holds `text`; false when the
// program ended or said nothing for a minute first.
inline bool waitForText(QProcess &process, QByteArray &errors, const QByteArray &text)
{
    while (!errors.contains(text) && process.waitForReadyRead(60000))
        errors += process.readAllStandardError();
    return errors.contains(text);
}

// Runs the program as start() does. Without a marker it must quit by itself;
// with one, it is sent SIGTERM once that text appears on standard error
// (killed at once if it never does).
inline Run run(const QTemporaryDir &home, const QList<QPair<QString, QString>> &extraEnv,
               const QByteArray &terminateAfter = {}, const std::function<void()> &inChild = {},
               const QStringList &command = {})
{
    Run result;
    QProcess process;
    result.started = start(process, home, extraEnv, inChild, command);
    if (!result.started) {
        result.errors = process.errorString();
        return result;
    }
    QByteArray errors;
    if (!terminateAfter.isEmpty()) {
        result.markerSeen = waitForText(process, errors, terminateAfter);
        if (result.markerSeen)
            process.terminate();
    }
    QElapsedTimer sinceTerminate;
    sinceTerminate.start();
    result.finished = (terminateAfter.isEmpty() || result.markerSeen) && process.waitForFinished(120000);
    if (result.finished && result.markerSeen)
        result.msToEnd = sinceTerminate.elapsed();
    if (!result.finished) {
        process.kill();
        process.waitForFinished(30000);
    }
    errors += process.readAllStandardError();
    result.errors = QString::fromLocal8Bit(errors);
    result.exitCode = process.exitCode();
    result.exitStatus = process.exitStatus();
    return result;
}

} // namespace programtest
