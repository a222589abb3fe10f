#include "ProgramUnderTest.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDirIterator>
#include <QElapsedTimer>
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
// the first one's changes, without a word. And against a stopped first one it
// said the running Tolvane had come to the front when nothing came up.
TEST_F(SecondStart, OnTheSameSettingsWritesNothingAndSaysWhetherTheRunningOneCameToTheFront)
{
    // Stopped, the first one neither answers nor writes: whatever changes
    // meanwhile (store, notes, help folder, caches) is the second one's doing.
    ::kill(pid_t(first.processId()), SIGSTOP);
    const QMap<QString, QString> before = snapshot(home.path());
    QProcess second;
    QElapsedTimer sinceStart;
    sinceStart.start();
    ASSERT_TRUE(programtest::start(second, home, {}));
    QByteArray secondErrors;
    const bool saidSo = programtest::waitForText(second, secondErrors, "but it does not answer");
    const qint64 msToSay = sinceStart.elapsed();
    // What it said also waits on screen for the performer's Ok.
    second.kill();
    second.waitForFinished(30000);
    const QStringList changed = differences(before, snapshot(home.path()));
    ::kill(pid_t(first.processId()), SIGCONT);
    EXPECT_TRUE(saidSo) << secondErrors.toStdString();
    EXPECT_LT(msToSay, 15000);
    EXPECT_TRUE(changed.isEmpty()) << changed.join(QLatin1Char('\n')).toStdString();

    // Running again, it answers; the knock given up while it was stopped
    // brings nothing up later.
    const programtest::Run again =
        programtest::run(home, {{QStringLiteral("TOLVANE_QUIT_AFTER_MS"), QStringLiteral("500")}});
    ASSERT_TRUE(again.finished) << again.errors.toStdString();
    EXPECT_EQ(again.exitStatus, QProcess::NormalExit) << again.errors.toStdString();
    EXPECT_EQ(again.exitCode, 0) << again.errors.toStdString();
    EXPECT_TRUE(again.errors.contains(QStringLiteral("its window was brought to the front"))) << again.errors.toStdString();

    first.terminate();
    EXPECT_TRUE(first.waitForFinished(60000));
    EXPECT_EQ(first.exitCode(), 0);
    firstErrors += first.readAllStandardError();
    EXPECT_EQ(firstErrors.count("brought its windows to the front"), 1) << firstErrors.toStdString();
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
