#include "ProgramUnderTest.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

using Env = QList<QPair<QString, QString>>;

const QByteArray kStarted = "TolvaneAppDelegate applicationDidFinishLaunching";
const QString kAlreadyRunning = QStringLiteral("Tolvane is already running");

// Every file and folder under `root`: its bytes' hash and modification time.
QMap<QString, QString> snapshot(const QString &root)
{
    QMap<QString, QString> files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        QString state = QString::number(info.lastModified().toMSecsSinceEpoch());
        QFile file(info.filePath());
        if (info.isFile() && file.open(QIODevice::ReadOnly))
            state += QLatin1Char(' ') + QString::fromLatin1(QCryptographicHash::hash(file.readAll(),
                                                                                     QCryptographicHash::Sha1).toHex());
        files.insert(info.filePath(), state);
    }
    return files;
}

QStringList differences(const QMap<QString, QString> &before, const QMap<QString, QString> &after)
{
    QStringList changed;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (before.value(it.key()) != it.value())
            changed << it.key();
    for (auto it = before.begin(); it != before.end(); ++it)
        if (!after.contains(it.key()))
            changed << it.key() + QStringLiteral(" (removed)");
    return changed;
}

// A run that went through its start-up and quit by itself.
testing::AssertionResult ranThrough(const programtest::Run &run)
{
    if (run.finished && run.exitCode == 0 && run.errors.contains(QString::fromLatin1(kStarted)) &&
        !run.errors.contains(kAlreadyRunning))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << run.errors.toStdString();
}

// The first program runs in a fresh home, through its start-up.
class SecondStart : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(programtest::start(first, home, {{QStringLiteral("TOLVANE_DEBUG"), QStringLiteral("1")}}));
        ASSERT_TRUE(programtest::waitForText(first, firstErrors, kStarted)) << firstErrors.toStdString();
    }

    QTemporaryDir home;
    QProcess first;
    QByteArray firstErrors;
};

} // namespace

// Before, a second start on the same settings ran beside the first and at quit
// wrote back what it had read (folder slots, folder number, played log) over
// the first one's changes, without a word.
TEST_F(SecondStart, OnTheSameSettingsWritesNothingAndBringsTheRunningOneToTheFront)
{
    // Stopped, the first one writes nothing: whatever changes meanwhile (store,
    // notes, help folder, caches) is the second one's doing. Its socket still
    // takes the knock.
    ::kill(pid_t(first.processId()), SIGSTOP);
    const QMap<QString, QString> before = snapshot(home.path());
    const programtest::Run second = programtest::run(home, {{QStringLiteral("TOLVANE_QUIT_AFTER_MS"), QStringLiteral("500")}});
    const QStringList changed = differences(before, snapshot(home.path()));
    ::kill(pid_t(first.processId()), SIGCONT);

    ASSERT_TRUE(second.finished) << second.errors.toStdString();
    EXPECT_EQ(second.exitStatus, QProcess::NormalExit) << second.errors.toStdString();
    EXPECT_EQ(second.exitCode, 0) << second.errors.toStdString();
    EXPECT_TRUE(second.errors.contains(kAlreadyRunning)) << second.errors.toStdString();
    EXPECT_TRUE(changed.isEmpty()) << changed.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(programtest::waitForText(first, firstErrors, "brought its windows to the front"))
        << firstErrors.toStdString();

    first.terminate();
    EXPECT_TRUE(first.waitForFinished(60000));
    EXPECT_EQ(first.exitCode(), 0);
}

// The lock dies with its holder, and belongs to one settings folder only.
TEST_F(SecondStart, RunsAfterTheFirstWasKilledAndBesideItOnOtherSettings)
{
    const Env quickRun = {{QStringLiteral("TOLVANE_DEBUG"), QStringLiteral("1")},
                          {QStringLiteral("TOLVANE_QUIT_AFTER_MS"), QStringLiteral("500")}};
    Env otherProfile = quickRun;
    otherProfile.append({QStringLiteral("TOLVANE_CONFIG_DIR"), home.filePath(QStringLiteral("other-config"))});
    EXPECT_TRUE(ranThrough(programtest::run(home, otherProfile)));

    first.kill(); // SIGKILL: nothing of the shut-down runs
    ASSERT_TRUE(first.waitForFinished(30000));
    EXPECT_TRUE(ranThrough(programtest::run(home, quickRun)));
}
