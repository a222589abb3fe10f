#pragma once

#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <initializer_list>

// The test executable has one offscreen screen. A test that needs its own
// screens runs again in a child process of this executable whose offscreen
// platform reads them from a configuration file:
//
//     if (!screentest::withScreens({{0, 0, 1920, 1080}, {1920, 0, 1080, 1920}}))
//         return; // the parent: the child ran the body and passed
namespace screentest {

inline constexpr char kChildVariable[] = "TOLVANE_TEST_SCREENS_CHILD";

inline bool inChild()
{
    return !qEnvironmentVariableIsEmpty(kChildVariable);
}

// True in the child, where the screens are those asked for; false in the
// parent once the child has run (a failure of the child fails this test).
inline bool withScreens(std::initializer_list<QRect> screens)
{
    if (inChild()) {
        const QList<QScreen *> actual = QGuiApplication::screens();
        if (actual.size() != qsizetype(screens.size())) {
            ADD_FAILURE() << "the child has " << actual.size() << " screens";
            return false;
        }
        int i = 0;
        for (const QRect &r : screens) {
            if (actual.at(i)->geometry() != r) {
                ADD_FAILURE() << "screen " << i << " is not where it was asked";
                return false;
            }
            ++i;
        }
        return true;
    }

    QJsonArray list;
    int i = 0;
    for (const QRect &r : screens)
        list.append(QJsonObject{{"name", QStringLiteral("screen%1").arg(i++)},
                                {"x", r.x()},
                                {"y", r.y()},
                                {"width", r.width()},
                                {"height", r.height()},
                                {"logicalDpi", 96},
                                {"logicalBaseDpi", 96},
                                {"dpr", 1}});
    QJsonObject config{{"screens", list}, {"windowFrameMargins", false}};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("screens.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(config).toJson()) < 0) {
        ADD_FAILURE() << "cannot write the screens file";
        return false;
    }
    file.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=%1").arg(path));
    env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    testsupport::runThisTestInChild(env);
    return false;
}

} // namespace screentest
