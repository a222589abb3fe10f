#pragma once

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>

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
    for (const char *name : {"TOLVANE_DATA_DIR", "TOLVANE_DEBUG", "TOLVANE_QUIT_AFTER_MS"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("TOLVANE_CONFIG_DIR"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("TOLVANE_MIDI_BACKEND"), QStringLiteral("loopback"));
    return env;
}

} // namespace programtest
