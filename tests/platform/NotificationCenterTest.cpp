#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QThread>
#include <thread>
#include <vector>
#include <gtest/gtest.h>

using platform::Notification;
using platform::NotificationCenter;

namespace {
struct CenterFixture : ::testing::Test {
    NotificationCenter center;
};
} // namespace

TEST_F(CenterFixture, DeliversInRegistrationOrderToMatchingNames)
{
    QStringList seen;
    center.addObserver(vocab::ActionKey, [&](const Notification &n) { seen << "a" + QString::number(n.intParam()); });
    center.addObserver(vocab::ActionMessage, [&](const Notification &n) { seen << "m" + n.stringParam(); });
    center.addObserver(vocab::ActionKey, [&](const Notification &) { seen << "b"; });
    center.postActionKey(37);
    center.post(vocab::ActionMessage, QStringLiteral("LEAD:Hello"));
    EXPECT_EQ(seen, QStringList({"a37", "b", "mLEAD:Hello"}));
}

TEST_F(CenterFixture, ObserverMayRemoveItselfAndPostDuringDelivery)
{
    QStringList seen;
    NotificationCenter::ObserverId self = 0;
    self = center.addObserver("x", [&](const Notification &) {
        seen << "x";
        center.removeObserver(self);
        center.post("y");
    });
    center.addObserver("y", [&](const Notification &) { seen << "y"; });
    center.addObserver("x", [&](const Notification &) { seen << "x2"; });
    center.post("x");
    center.post("x");
    EXPECT_EQ(seen, QStringList({"x", "y", "x2", "x2"}));
}

TEST_F(CenterFixture, OwnerDestructionRemovesObserver)
{
    int calls = 0;
    auto *owner = new QObject;
    center.addObserver("x", [&](const Notification &) { ++calls; }, owner);
    center.post("x");
    delete owner;
    center.post("x");
    EXPECT_EQ(calls, 1);
}

TEST_F(CenterFixture, PostFromAnotherThreadIsDeliveredOnTheMainThread)
{
    QThread *deliveredOn = nullptr;
    int code = -1;
    center.addObserver(vocab::ActionKey, [&](const Notification &n) {
        deliveredOn = QThread::currentThread();
        code = static_cast<int>(n.intParam());
    });
    QThread *worker = QThread::create([&]() { center.postActionKey(vocab::NextSong); });
    worker->start();
    worker->wait();
    delete worker;
    EXPECT_EQ(deliveredOn, nullptr);  // queued, not run on the worker
    testsupport::processEvents();
    EXPECT_EQ(deliveredOn, QThread::currentThread());
    EXPECT_EQ(code, vocab::NextSong);
}

TEST(Notification, IntParamReadsNumbersAndNumericText)
{
    bool ok = false;
    EXPECT_EQ((Notification{"n", QVariant(12), nullptr}).intParam(&ok), 12);
    EXPECT_TRUE(ok);
    EXPECT_EQ((Notification{"n", QVariant("7"), nullptr}).intParam(&ok), 7);
    EXPECT_TRUE(ok);
    EXPECT_EQ((Notification{"n", QVariant("LEAD"), nullptr}).intParam(&ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ((Notification{"n", QVariant(), nullptr}).intParam(&ok), 0);
    EXPECT_FALSE(ok);
}

// Worker threads post while the main thread adds and removes observers and
// delivers: every post arrives once, on the main thread, and none is lost.
TEST_F(CenterFixture, PostsFromManyThreadsWhileObserversComeAndGo)
{
    const int threads = 4, posts = 100;
    int delivered = 0;
    bool offMain = false;
    QThread *main = QThread::currentThread();
    center.addObserver(vocab::ActionKey, [&](const Notification &) {
        offMain = offMain || QThread::currentThread() != main;
        ++delivered;
    });
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < posts; ++i)
                center.postActionKey(vocab::NextSong);
        });
    for (int i = 0; i < 200; ++i) {
        const auto id = center.addObserver(vocab::ActionKey, [](const Notification &) {});
        QCoreApplication::processEvents();
        center.removeObserver(id);
    }
    for (std::thread &w : workers)
        w.join();
    testsupport::processEvents();
    EXPECT_EQ(delivered, threads * posts);
    EXPECT_FALSE(offMain);
}
