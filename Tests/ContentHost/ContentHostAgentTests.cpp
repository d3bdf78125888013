// The agent in the test's own process, on one end of a socket pair, where the window server and the
// engine's class-wide settings can be looked at.
#include "ContentHost/ContentHostAgent.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Launcher/VLManager.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLTestMainApplication.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

namespace {

class ContentHostAgentTest : public testing::Test {
protected:
    ContentHostAgentTest() : agent(ContentHostAgent::create(peer.takeHostSocket())) {
        agent->setTerminationHandler([this] { terminated = true; });
        agent->applicationDidFinishLaunching();
    }

    // The application goes away: the agent terminates what it hosts, and the runtimes' threads end.
    ~ContentHostAgentTest() override {
        std::vector<std::shared_ptr<VLRunLoopThread>> threads;
        for (int64_t rid : launched) {
            if (auto entry = agent->hosted(rid); entry && entry->runtime)
                threads.push_back(entry->runtime->engine()->runLoop()->thread());
        }
        peer.closeSocket();
        EXPECT_TRUE(VLMainQueue::runUntil([&] { return terminated; }));
        EXPECT_EQ(nullptr, agent->hosted(1));
        agent.reset();
        for (const auto& thread : threads)
            EXPECT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
    }

    // Runs the main queue until the reply to the request has come.
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

    VLDictionary launch(int64_t rid, VLDictionary extra) {
        launched.push_back(rid);
        VLDictionary message{
            {"op", "launch"},
            {"rid", rid},
            {"payload", VLDictionary{{"localPath", std::string(VELTO_FIXTURES) + "/host/late"}}}};
        for (const auto& [key, value] : extra)
            message.set(key, value);
        return answer(peer.request(message));
    }

    VLTestMainApplication peer;
    std::shared_ptr<ContentHostAgent> agent;
    bool terminated = false; // the main queue's
    std::vector<int64_t> launched;
};

} // namespace

TEST_F(ContentHostAgentTest, ConfigureSetsTheDisplayMapAndRelatedProcesses) {
    peer.send(
        {{"op", "configure"}, {"displays", VLArray{1, 10, 1, 20, 7}}, {"relatedPids", VLArray{42, 43}}});
    answer(peer.request({{"op", "status"}}));
    const auto provider = VLManager::displayIdentifierProvider();
    ASSERT_TRUE(provider);
    EXPECT_EQ(20u, provider(1)) << "a later pair wins";
    EXPECT_EQ(7u, provider(7)) << "an odd last element is ignored";
    EXPECT_EQ(10u, provider(10));
    EXPECT_EQ((std::set<pid_t>{42, 43}), VLManager::relatedProcessIdentifiers());

    peer.send({{"op", "configure"}, {"displays", VLArray{0x100000005LL, 6}}, {"relatedPids", VLArray{"44"}}});
    answer(peer.request({{"op", "status"}}));
    EXPECT_EQ(6u, provider(5)) << "ids are cut to 32 bits";
    EXPECT_EQ((std::set<pid_t>{42, 43}), VLManager::relatedProcessIdentifiers()) << "not a list of numbers";
    peer.send({{"op", "configure"}, {"displays", VLArray{5}}, {"relatedPids", VLArray{}}});
    answer(peer.request({{"op", "status"}}));
    EXPECT_EQ(5u, provider(5));
    EXPECT_TRUE(VLManager::relatedProcessIdentifiers().empty());
}

TEST_F(ContentHostAgentTest, APreviewGetsAnInvisibleWindowFarOffScreen) {
    const VLDictionary launched = launch(1, {{"preview", VLDictionary{{"size", VLArray{300, 200}}}}});
    ASSERT_TRUE(launched.get("previewWindow").isInteger()) << testing::PrintToString(VLValue(launched));
    const std::shared_ptr<VLWSWindow> window =
        VLWindowServer::shared()->windowWithNumber(launched.get("previewWindow").integerValue());
    ASSERT_TRUE(window);
    EXPECT_EQ(VLRect(-30000, -30000, 300, 200), window->frame());
    EXPECT_TRUE(window->ignoresMouseEvents());
    EXPECT_EQ(88u, window->collectionBehavior());
    const std::shared_ptr<const ContentHostAgent::Hosted> entry = agent->hosted(1);
    ASSERT_TRUE(entry && entry->runtime);
    EXPECT_TRUE(entry->runtime->hostArea().isNull());

    const VLDictionary withArea =
        launch(2, {{"preview", VLDictionary{{"size", VLArray{100, 50}}, {"area", VLArray{10, 20, 30, 40}}}}});
    ASSERT_TRUE(withArea.contains("previewWindow"));
    EXPECT_EQ(VLRect(10, 20, 30, 40), agent->hosted(2)->runtime->hostArea());
    EXPECT_FALSE(launch(3, {{"preview", VLDictionary{{"size", VLArray{-1, 5}}}}}).contains("previewWindow"));

    ASSERT_TRUE(window->isVisible());
    peer.send({{"op", "terminate"}, {"rid", 1}});
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return !window->isVisible(); })) << "the preview window closes";
    EXPECT_EQ(nullptr, agent->hosted(1));
}
