// The agent's mirror streams in the test's own process: which "mirror" starts one, and what ends it.
#include "ContentHost/ContentHostAgent.h"
#include "ContentHost/WindowMirrorRenderer.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Engine/Support/VLScopeExit.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLManualDelayScheduler.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLReceivedSurface.h"
#include "Tests/Support/VLTestMainApplication.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

namespace {

class ContentHostAgentMirrorTest : public testing::Test {
protected:
    ContentHostAgentMirrorTest() {
        int pair[2];
        EXPECT_EQ(0, socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair));
        applicationSide = pair[0];
        hostSide = pair[1];
        agent = ContentHostAgent::create(peer.takeHostSocket(), hostSide);
        agent->setTerminationHandler([this] { terminated = true; });
        agent->applicationDidFinishLaunching();
    }

    ~ContentHostAgentMirrorTest() override {
        std::vector<std::shared_ptr<VLRunLoopThread>> threads;
        for (int64_t rid : {1, 2}) {
            if (auto entry = agent->hosted(rid); entry && entry->runtime)
                threads.push_back(entry->runtime->engine()->runLoop()->thread());
        }
        peer.closeSocket();
        EXPECT_TRUE(VLMainQueue::runUntil([&] { return terminated; }));
        agent.reset();
        for (const auto& thread : threads)
            EXPECT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
        close(applicationSide);
        close(hostSide);
    }

    VLDictionary answer(int64_t identifier) {
        std::optional<VLDictionary> reply;
        EXPECT_TRUE(VLMainQueue::runUntil([&] {
            for (const VLDictionary& message : peer.messages()) {
                if (message.get("to") == VLValue(identifier))
                    reply = message;
            }
            return reply.has_value();
        }));
        return reply.value_or(VLDictionary{});
    }

    // Everything sent before has been dispatched once this returns.
    void roundTrip() { answer(peer.request({{"op", "status"}})); }

    VLDictionary launch(int64_t rid, VLDictionary extra, const std::string& package = "host/late") {
        VLDictionary message{
            {"op", "launch"},
            {"rid", rid},
            {"payload", VLDictionary{{"localPath", std::string(VELTO_FIXTURES) + "/" + package}}}};
        for (const auto& [key, value] : extra)
            message.set(key, value);
        return answer(peer.request(message));
    }

    // "mirror" for a 40 by 30 output at one frame a second.
    void mirror(int64_t rid, int64_t stream, int64_t number, VLDictionary extra = {}) {
        VLDictionary message{{"op", "mirror"}, {"rid", rid},   {"stream", stream}, {"number", number},
                             {"width", 40},    {"height", 30}, {"fps", 1}};
        for (const auto& [key, value] : extra)
            message.set(key, value);
        peer.send(message);
        roundTrip();
    }

    std::vector<int64_t> streams() const {
        std::vector<int64_t> ids;
        for (const auto& [stream, renderer] : agent->mirrors())
            ids.push_back(stream);
        return ids;
    }

    VLTestMainApplication peer;
    int applicationSide = -1;
    int hostSide = -1;
    std::shared_ptr<ContentHostAgent> agent;
    bool terminated = false; // the main queue's
};

} // namespace

TEST_F(ContentHostAgentMirrorTest, StreamsLiveWhileAskedForAndEndWhenToldTo) {
    const VLDictionary launched = launch(1, {{"preview", VLDictionary{{"size", VLArray{40, 30}}}}});
    ASSERT_TRUE(launched.get("previewWindow").isInteger()) << testing::PrintToString(VLValue(launched));
    const int64_t preview = launched.get("previewWindow").integerValue();
    // The runtime's timers keep the real time they were made with.
    auto scheduler = std::make_shared<VLManualDelayScheduler>();
    VLClock::setShared(scheduler->clock());
    VLDelayScheduler::setShared(scheduler);
    VLScopeExit realTime([] {
        VLDelayScheduler::setShared(nullptr);
        VLClock::setShared(nullptr);
    });

    const struct {
        const char* name;
        VLDictionary message;
    } ignored[] = {
        {"no stream", {{"op", "mirror"}, {"rid", 1}, {"number", preview}}},
        {"no number", {{"op", "mirror"}, {"rid", 1}, {"stream", 1}}},
        {"a number of no window of the runtime",
         {{"op", "mirror"}, {"rid", 1}, {"stream", 1}, {"number", 999999}}},
        {"a runtime not hosted", {{"op", "mirror"}, {"rid", 3}, {"stream", 1}, {"number", preview}}},
    };
    for (const auto& test : ignored) {
        peer.send(test.message);
        roundTrip();
        EXPECT_TRUE(agent->mirrors().empty()) << test.name;
    }
    EXPECT_FALSE(agent->isSweepingMirrors());
    EXPECT_EQ(0u, scheduler->pendingCount()) << "no timer runs without a stream";

    mirror(1, 1, preview);
    mirror(1, 2, preview);
    ASSERT_EQ((std::vector<int64_t>{1, 2}), streams());
    EXPECT_TRUE(agent->isSweepingMirrors());
    mirror(1, 1, 0, {{"fps", 240}});
    EXPECT_DOUBLE_EQ(1.0 / 60, agent->mirrors().at(1)->timerInterval())
        << "an existing stream needs no number";

    // Stream 1 is asked for every 2 seconds, stream 2 never again.
    scheduler->advance(2);
    mirror(1, 1, preview);
    scheduler->advance(1.5);
    EXPECT_EQ((std::vector<int64_t>{1, 2}), streams()) << "3.5 s, before the next sweep";
    scheduler->advance(0.5);
    EXPECT_EQ((std::vector<int64_t>{1}), streams()) << "gone after the sweep";
    mirror(1, 1, preview);
    scheduler->advance(2);
    mirror(1, 1, preview);
    scheduler->advance(2);
    EXPECT_EQ((std::vector<int64_t>{1}), streams());

    peer.send({{"op", "mirrorEnd"}, {"stream", 2}});
    peer.send({{"op", "mirrorEnd"}, {"stream", "1"}});
    roundTrip();
    EXPECT_EQ((std::vector<int64_t>{1}), streams()) << "only a stream that exists, named by an Int, ends";
    peer.send({{"op", "mirrorEnd"}, {"stream", 1}});
    roundTrip();
    EXPECT_TRUE(agent->mirrors().empty());
    EXPECT_FALSE(agent->isSweepingMirrors());
    EXPECT_EQ(0u, scheduler->pendingCount()) << "no timer runs without a stream";
}

TEST_F(ContentHostAgentMirrorTest, AClosingWindowAndATerminatedPreviewEndTheirStreams) {
    const VLDictionary windowed = launch(1, {}, "host/windowed");
    ASSERT_FALSE(windowed.get("state")["windows"].arrayValue().empty())
        << testing::PrintToString(VLValue(windowed));
    const int64_t window = windowed.get("state")["windows"][0]["number"].integerValue();
    const VLDictionary previewed = launch(2, {{"preview", VLDictionary{{"size", VLArray{40, 30}}}}});
    ASSERT_TRUE(previewed.get("previewWindow").isInteger());
    const int64_t preview = previewed.get("previewWindow").integerValue();

    mirror(2, 5, window);
    EXPECT_TRUE(agent->mirrors().empty()) << "another runtime's window";
    mirror(1, 1, window);
    mirror(2, 2, preview);
    ASSERT_EQ((std::vector<int64_t>{1, 2}), streams());
    // The frame timers run on the main queue.
    EXPECT_TRUE(VLMainQueue::runUntil([&] {
        return VLReceivedSurface::receive(applicationSide, std::chrono::milliseconds(0)).has_value();
    })) << "the streams render";

    const size_t before = peer.messages().size();
    answer(peer.request({{"op", "callJS"}, {"rid", 1}, {"method", "closeWindow"}}));
    std::optional<std::vector<int64_t>> streamsWhenClosed;
    ASSERT_TRUE(VLMainQueue::runUntil([&] {
        const std::vector<VLDictionary> messages = peer.messages();
        for (size_t index = before; index < messages.size() && !streamsWhenClosed; ++index) {
            if (messages[index].get("change") == VLValue("closed"))
                streamsWhenClosed = streams();
        }
        return streamsWhenClosed.has_value();
    }));
    EXPECT_EQ((std::vector<int64_t>{2}), *streamsWhenClosed);

    peer.send({{"op", "terminate"}, {"rid", 2}});
    roundTrip();
    EXPECT_TRUE(agent->mirrors().empty()) << "the preview window's stream ends with its runtime";
    EXPECT_FALSE(agent->isSweepingMirrors());
}
