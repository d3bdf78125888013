#include "ContentHost/ContentHostConnection.h"
#include "Platform/Foundation/VLKeyedArchiver.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLTestMainApplication.h"
#include "Tests/Support/VLTestSignal.h"
#include "Tests/Support/VLValuePrinter.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <memory>
#include <thread>

namespace {

VLDictionary numbered(const char* op, int64_t number) {
    return VLDictionary{{"op", op}, {"n", number}};
}

// The frame of a message that carries `size` bytes of data.
VLDictionary withData(const char* op, size_t size) {
    return VLDictionary{{"op", op}, {"data", VLData(size, 0x42)}};
}

size_t frameLength(const VLDictionary& message) {
    return 4 + VLKeyedArchiver::archivedData(message)->size();
}

// A message whose body is exactly `length` bytes long: data grows the body byte for byte once its count
// takes the same width.
VLDictionary withBodyLength(size_t length) {
    const size_t overhead = frameLength(withData("big", length / 2)) - 4 - length / 2;
    return withData("big", length - overhead);
}

VLData joined(std::initializer_list<VLData> parts) {
    VLData bytes;
    for (const VLData& part : parts)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

size_t count(const std::vector<std::string>& lines, const std::string& line) {
    return size_t(std::count(lines.begin(), lines.end(), line));
}

class ContentHostConnectionTest : public testing::Test {
protected:
    VLLogCapture log{0};
    std::unique_ptr<VLTestMainApplication> application;
    std::shared_ptr<ContentHostConnection> connection;
    // The main queue's.
    std::vector<VLDictionary> received;
    int closes = 0;

    void open(ContentHostConnectionLimits limits = {}, bool applicationReads = true) {
        application = std::make_unique<VLTestMainApplication>(applicationReads);
        connection = ContentHostConnection::create(application->takeHostSocket(), limits);
        connection->setMessageHandler([this](const VLDictionary& message) { received.push_back(message); });
        connection->setCloseHandler([this] { ++closes; });
        connection->start();
    }

    void TearDown() override {
        if (connection)
            connection->close();
    }

    // Pumps the main queue until a message with the op arrives.
    bool receive(const std::string& op) {
        return VLMainQueue::runUntil([&] {
            return std::any_of(received.begin(), received.end(),
                               [&](const VLDictionary& message) { return message.get("op") == VLValue(op); });
        });
    }

    bool waitForClose() {
        return VLMainQueue::runUntil([&] { return closes > 0; });
    }
};

} // namespace

TEST_F(ContentHostConnectionTest, DeliversEachFrameOnceHoweverItIsSplitOrMerged) {
    const VLData first = VLTestMainApplication::frame(numbered("first", 1));
    const VLData second = VLTestMainApplication::frame(withData("second", 70000));
    const VLData third = VLTestMainApplication::frame(numbered("third", 3));
    auto piece = [](const VLData& bytes, size_t from, size_t to) {
        return VLData(bytes.begin() + long(from), bytes.begin() + long(std::min(to, bytes.size())));
    };
    struct Case {
        const char* name;
        // Each piece is written once the host has read the one before.
        std::vector<VLData> pieces;
    };
    const Case cases[] = {
        {"byte by byte through the length, then in pieces",
         {piece(first, 0, 1), piece(first, 1, 2), piece(first, 2, 3), piece(first, 3, 4), piece(first, 4, 9),
          piece(first, 9, SIZE_MAX), piece(second, 0, 40000), piece(second, 40000, SIZE_MAX), third}},
        {"all in one write", {joined({first, second, third})}},
        {"a frame and a half, then the rest",
         {joined({first, piece(second, 0, 2)}), joined({piece(second, 2, SIZE_MAX), third})}},
    };
    for (const Case& c : cases) {
        open();
        for (const VLData& bytes : c.pieces) {
            application->sendRaw(bytes);
            ASSERT_TRUE(application->waitUntilRead()) << c.name;
        }
        ASSERT_TRUE(receive("third")) << c.name;
        ASSERT_EQ(3u, received.size()) << c.name;
        EXPECT_EQ(VLValue(numbered("first", 1)), VLValue(received[0])) << c.name;
        EXPECT_EQ(VLValue(withData("second", 70000)), VLValue(received[1])) << c.name;
        EXPECT_EQ(VLValue(numbered("third", 3)), VLValue(received[2])) << c.name;
        connection->close();
        received.clear();
    }
}

TEST_F(ContentHostConnectionTest, TakesTheLongestFrameAndEndsOnALongerOne) {
    open();
    const VLDictionary longest = withBodyLength(16777215);
    const VLData frame = VLTestMainApplication::frame(longest);
    ASSERT_EQ(4u + 16777215u, frame.size());
    application->sendRaw(frame); // the host reads it meanwhile on its read queue
    application->send(numbered("after", 1));
    ASSERT_TRUE(receive("after"));
    ASSERT_EQ(2u, received.size());
    EXPECT_EQ(VLValue(longest), VLValue(received[0]));
    EXPECT_EQ(0, closes);

    application->sendRaw(VLData{0x01, 0x00, 0x00, 0x00});
    ASSERT_TRUE(waitForClose());
    EXPECT_TRUE(application->waitForEndOfStream());
    EXPECT_EQ(1u,
              count(log.lines(), "A content host message is too long (16777216 bytes): the connection ends"));
}

TEST_F(ContentHostConnectionTest, SkipsUndecodableBodiesAndReadsOn) {
    open();
    const VLData bodies[] = {
        {},
        {'n', 'o', 't', ' ', 'a', 'n', ' ', 'a', 'r', 'c', 'h', 'i', 'v', 'e'},
        *VLPropertyListSerialization::dataWithPropertyList(VLDictionary{{"op", "plain"}}),
        *VLKeyedArchiver::archivedData(VLArray{"op", "array"}),
        *VLPropertyListSerialization::dataWithPropertyList(VLDictionary{
            {"$version", 100000},
            {"$archiver", "NSKeyedArchiver"},
            {"$top", VLDictionary{{"root", VLDictionary{{"CF$UID", 1}}}}},
            {"$objects",
             VLArray{"$null",
                     VLDictionary{{"NS.objects", VLArray{}}, {"$class", VLDictionary{{"CF$UID", 2}}}},
                     VLDictionary{{"$classname", "NSSet"}, {"$classes", VLArray{"NSSet", "NSObject"}}}}}}),
    };
    for (const VLData& body : bodies)
        application->sendRaw(VLTestMainApplication::frame(body));
    application->send(numbered("after", 1));
    ASSERT_TRUE(receive("after"));
    EXPECT_EQ(1u, received.size());
    EXPECT_EQ(std::size(bodies), count(log.lines(), "A content host message couldn't be decoded"));
    EXPECT_FALSE(connection->isClosed());
}

TEST_F(ContentHostConnectionTest, MatchesRepliesToRequestsAndClosesOnce) {
    open();
    std::vector<std::pair<int, VLValue>> answers;
    for (int index = 0; index < 3; ++index)
        connection->request(VLDictionary{{"op", "userFiles"}, {"action", "list"}},
                            [&answers, index](const VLDictionary* reply) {
                                answers.emplace_back(index, reply ? VLValue(*reply) : VLValue());
                            });
    ASSERT_TRUE(application->waitForMessage(
        [](const VLDictionary& message) { return message.get("id") == VLValue(3); }));
    std::vector<VLValue> ids;
    for (const VLDictionary& message : application->messages())
        ids.push_back(message.get("id"));
    EXPECT_EQ((std::vector<VLValue>{1, 2, 3}), ids);

    const VLDictionary reply{{"op", "reply"}, {"to", 2}, {"files", VLArray{}}};
    application->send(VLDictionary{{"op", "reply"}, {"to", 99}});
    application->send(VLDictionary{{"op", "reply"}, {"to", "2"}});
    application->send(VLDictionary{{"op", "reply"}});
    application->send(reply);
    application->send(reply);
    application->send(numbered("after", 1));
    ASSERT_TRUE(receive("after"));
    EXPECT_EQ(1u, received.size()); // no "reply" reaches the message handler
    ASSERT_EQ(1u, answers.size());
    EXPECT_EQ(1, answers[0].first);
    EXPECT_EQ(VLValue(reply), answers[0].second);

    connection->close();
    connection->close();
    EXPECT_EQ(1, closes);
    ASSERT_EQ(3u, answers.size());
    EXPECT_EQ(0, answers[1].first);
    EXPECT_TRUE(answers[1].second.isNil());
    EXPECT_EQ(2, answers[2].first);
    EXPECT_TRUE(answers[2].second.isNil());
    EXPECT_TRUE(application->waitForEndOfStream());

    bool answeredAtOnce = false;
    connection->request(VLDictionary{{"op", "userFiles"}},
                        [&](const VLDictionary* reply) { answeredAtOnce = reply == nullptr; });
    EXPECT_TRUE(answeredAtOnce);
    connection->send(numbered("dropped", 1));
    EXPECT_EQ(1, closes);
}

TEST_F(ContentHostConnectionTest, AnswersOnlyRequestsThatCarryAnId) {
    open();
    connection->setMessageHandler([this](const VLDictionary& message) {
        received.push_back(message);
        connection->reply(message, VLDictionary{{"op", "ignored"}, {"to", 0}, {"handled", true}});
    });
    application->send(VLDictionary{{"op", "parameters"}});
    const int64_t identifier = application->request(VLDictionary{{"op", "parameters"}});
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return received.size() == 2; }));
    const auto answer = application->waitForReply(identifier);
    ASSERT_TRUE(answer);
    EXPECT_EQ(VLValue(VLDictionary{{"op", "reply"}, {"to", identifier}, {"handled", true}}),
              VLValue(*answer));
    EXPECT_EQ(1u, application->messages().size());
}

TEST_F(ContentHostConnectionTest, ClosesWhenEitherSideEnds) {
    // The application goes away: the connection closes without a line.
    open();
    application->closeSocket();
    ASSERT_TRUE(waitForClose());
    EXPECT_TRUE(log.lines().empty());

    // close() from another thread shuts the socket down at once and finishes on the main queue.
    closes = 0;
    open();
    std::thread([this] { connection->close(); }).join();
    EXPECT_TRUE(application->waitForEndOfStream());
    ASSERT_TRUE(waitForClose());
    EXPECT_EQ(1, closes);
}

TEST_F(ContentHostConnectionTest, ReadingWaitsAtTheBacklogLimitAndGoesOnBelowHalfOfIt) {
    const VLData frames = joined({VLTestMainApplication::frame(numbered("message", 1)),
                                  VLTestMainApplication::frame(numbered("message", 2)),
                                  VLTestMainApplication::frame(numbered("message", 3)),
                                  VLTestMainApplication::frame(numbered("message", 4)),
                                  VLTestMainApplication::frame(numbered("marker", 5))});
    const int64_t weight = int64_t(frameLength(numbered("message", 1)) - 4);
    struct Case {
        int64_t limit;
        bool waits;
    };
    for (const Case& c : {Case{4 * weight, true}, Case{4 * weight + 1, false}}) {
        ContentHostConnectionLimits limits;
        limits.readBacklogLimit = c.limit;
        application = std::make_unique<VLTestMainApplication>();
        connection = ContentHostConnection::create(application->takeHostSocket(), limits);
        // The marker comes in the same read as the four messages and is consumed on the read queue, after
        // they were handed to the main queue.
        VLTestSignal markerSeen;
        bool waitedAtMarker = false;
        connection->setReadQueueHandler([&](const VLDictionary& message) {
            if (message.get("op") != VLValue("marker"))
                return false;
            waitedAtMarker = connection->isReadingSuspended();
            markerSeen.raise();
            return true;
        });
        std::vector<bool> waitingWhileHandled;
        connection->setMessageHandler([&](const VLDictionary& message) {
            received.push_back(message);
            waitingWhileHandled.push_back(connection->isReadingSuspended());
        });
        connection->start();
        application->sendRaw(frames);
        ASSERT_TRUE(markerSeen.wait());
        EXPECT_EQ(c.waits, waitedAtMarker) << c.limit;

        ASSERT_TRUE(VLMainQueue::runUntil([&] { return received.size() == 4; }));
        if (c.waits) // 4, 3 and 2 weights wait; below half of the limit reading goes on
            EXPECT_EQ((std::vector<bool>{true, true, true, false}), waitingWhileHandled);
        else
            EXPECT_EQ((std::vector<bool>{false, false, false, false}), waitingWhileHandled);
        application->send(numbered("after", 6));
        ASSERT_TRUE(receive("after"));
        connection->close();
        received.clear();
    }
}

TEST_F(ContentHostConnectionTest, EndsWhenTheWriteBacklogWouldPassItsLimit) {
    // The application reads nothing: the first frame fills the socket and stays queued with the rest.
    const VLDictionary stuck = withData("stuck", 4 << 20);
    const VLDictionary fits = withData("fits", 1000);
    const int64_t backlog = int64_t(frameLength(stuck) + frameLength(fits));
    size_t lines = 0;
    for (int64_t limit : {backlog, backlog - 1}) {
        closes = 0;
        ContentHostConnectionLimits limits;
        limits.writeBacklogLimit = limit;
        open(limits, false);
        connection->send(stuck);
        connection->send(fits);
        EXPECT_EQ(limit < backlog, connection->isClosed()) << limit;
        EXPECT_EQ(limit < backlog ? 1 : 0, closes) << limit;
        connection->send(numbered("over", 1));
        EXPECT_TRUE(connection->isClosed());
        EXPECT_EQ(1, closes);
        EXPECT_EQ(++lines,
                  count(log.lines(), "A content host doesn't read what's sent to it: the connection ends"));
        application.reset();
    }
}

TEST_F(ContentHostConnectionTest, AnApplicationGoingAwayMidWriteCostsNoSignal) {
    // The test would die of SIGPIPE if a write raised it, even after an earlier test's launch ignored it.
    struct sigaction fatal {};
    fatal.sa_handler = SIG_DFL;
    struct sigaction previous {};
    ASSERT_EQ(0, sigaction(SIGPIPE, &fatal, &previous));
    const std::unique_ptr<struct sigaction, void (*)(struct sigaction*)> restore(
        &previous, [](struct sigaction* action) { sigaction(SIGPIPE, action, nullptr); });

    open({}, false);
    connection->send(withData("large", 4 << 20));
    ASSERT_TRUE(VLWaitUntil([&] { return application->unreadByteCount() > 0; }));
    application->closeSocket();
    ASSERT_TRUE(waitForClose());
    EXPECT_TRUE(VLWaitUntil([&] { return connection->pendingWriteByteCount() == 0; }));
}

TEST_F(ContentHostConnectionTest, SendsLongMessagesWholeAndDropsOnesTooLongToSend) {
    open();
    // Long data and texts are written from the message itself, between the archive's own bytes.
    VLData pattern(3 << 20);
    for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = uint8_t(i % 251);
    const VLDictionary longOne{{"op", "long"},
                               {"data", pattern},
                               {"texts", VLArray{std::string(20000, 'a'), "short", std::string(70000, 'b')}},
                               {"more", VLData(16384, 7)}};
    connection->send(longOne);
    connection->send(withData("script", 17 << 20));
    connection->send(numbered("after", 1));
    ASSERT_TRUE(application->waitForOp("after"));
    ASSERT_EQ(2u, application->messages().size());
    EXPECT_EQ(VLValue(longOne), VLValue(application->messages()[0]));
    EXPECT_FALSE(connection->isClosed());
    const std::string expected = "A content host message (script) couldn't be encoded: The archive is " +
                                 std::to_string(frameLength(withData("script", 17 << 20)) - 4) +
                                 " bytes long, more than the 16777215 bytes a message may hold";
    EXPECT_EQ((std::vector<std::string>{expected}), log.lines());
}
