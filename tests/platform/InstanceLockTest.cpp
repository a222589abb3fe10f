#include "platform/InstanceLock.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <future>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

using platform::InstanceLock;

// Before, the socket answered any user of the machine, and each connection
// brought every window to the front and activated one.
TEST(InstanceLock, EachSideActsOnlyOnAPeerOfItsOwnUser)
{
    const uid_t self = 1000;
    const struct {
        const char *what;
        std::optional<uid_t> peer;
        bool said; // the knock still waits; the answer says the windows came up
        bool knockAnswered, answerBelieved;
    } rows[] = {
        {"this user", self, true, true, true},
        {"another user", 1001, true, false, false},
        {"root", 0, true, false, false},
        {"a peer the kernel cannot name", std::nullopt, true, false, false},
        {"this user, a knock given up or no answer", self, false, false, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(platform::answersKnock(row.peer, self, row.said), row.knockAnswered);
        EXPECT_EQ(platform::believesAnswer(row.peer, self, row.said), row.answerBelieved);
    }

    int pair[2];
    int pipeEnds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    ASSERT_EQ(::pipe(pipeEnds), 0);
    EXPECT_EQ(platform::peerUser(pair[0]), ::getuid());
    EXPECT_EQ(platform::peerUser(pipeEnds[0]), std::nullopt) << "not a socket";
    for (const int fd : {pair[0], pair[1], pipeEnds[0], pipeEnds[1]})
        ::close(fd);
}

// Before, the kernel took a knock on behalf of a stopped program, so a second
// start said it had come to the front when nothing came up.
TEST(InstanceLock, AKnockIsAnsweredOnlyByARunningProgramAndNeverActedOnOnceGivenUp)
{
    const testsupport::FixtureFiles lock; // the settings folder's lock, taken in folders of the test's
    const QTemporaryDir folder;
    InstanceLock running(folder.path());
    ASSERT_EQ(running.state(), InstanceLock::State::Owned);
    int broughtToFront = 0;
    running.setKnockHandler([&broughtToFront]() { ++broughtToFront; });
    const InstanceLock second(folder.path());
    ASSERT_EQ(second.state(), InstanceLock::State::HeldElsewhere);

    // No event loop turns here, as in a stopped program.
    EXPECT_FALSE(second.knock(100));
    testsupport::processEvents();
    EXPECT_EQ(broughtToFront, 0);

    auto knocked = std::async(std::launch::async, [&second]() { return second.knock(10000); });
    EXPECT_TRUE(testsupport::waitFor(
        [&knocked]() { return knocked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_TRUE(knocked.get());
    EXPECT_EQ(broughtToFront, 1);

    // Either end taking its peer for its own user, without looking, passed every test before.
    const InstanceLock::PeerLook anotherUser = [](int) { return std::optional<uid_t>(::getuid() + 1); };
    for (const bool knockerIsAnother : {true, false}) {
        SCOPED_TRACE(knockerIsAnother ? "a knock of another user" : "an answer of another user");
        const QTemporaryDir other;
        InstanceLock runs(other.path(), knockerIsAnother ? anotherUser : &platform::peerUser);
        int up = 0;
        runs.setKnockHandler([&up]() { ++up; });
        const InstanceLock knocks(other.path(), knockerIsAnother ? &platform::peerUser : anotherUser);
        auto answer = std::async(std::launch::async, [&knocks]() { return knocks.knock(10000); });
        EXPECT_TRUE(testsupport::waitFor(
            [&answer]() { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        EXPECT_FALSE(answer.get());
        EXPECT_EQ(up, knockerIsAnother ? 0 : 1);
    }
}
