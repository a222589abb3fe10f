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
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
    env.insert(QStringLiteral("TOLVANE_CONFIG_DIR"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("TOLVANE_MIDI_BACKEND"), QStringLiteral("loopback"));
    return env;
}

} // namespace programtest
