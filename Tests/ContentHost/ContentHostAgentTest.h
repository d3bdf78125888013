#pragma once

// The agent in the test's own process, on one end of a socket pair with the peer playing the main
// application; fixture packages launch from Tests/Fixtures.
#include "ContentHost/ContentHostAgent.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Tests/Support/VLTestMainApplication.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

    // Runs the main queue until a message after the first `skipped` matches.
    std::optional<VLDictionary> waitForMessage(size_t skipped,
                                               const std::function<bool(const VLDictionary&)>& matches) {
        std::optional<VLDictionary> found;
        VLMainQueue::runUntil([&] {
            const std::vector<VLDictionary> messages = peer.messages();
            for (size_t index = skipped; index < messages.size() && !found; ++index) {
                if (matches(messages[index]))
                    found = messages[index];
            }
            return found.has_value();
        });
        return found;
    }

    // Everything sent before has been dispatched once this returns.
    void roundTrip() { answer(peer.request({{"op", "status"}})); }

    // The messages of the op sent from the `skipped`th on.
    std::vector<VLDictionary> messagesOf(const std::string& op, size_t skipped = 0) const {
        std::vector<VLDictionary> found;
        const std::vector<VLDictionary> messages = peer.messages();
        for (size_t index = skipped; index < messages.size(); ++index) {
            if (messages[index].get("op") == VLValue(op))
                found.push_back(messages[index]);
        }
        return found;
    }

    VLDictionary launch(int64_t rid, VLDictionary extra, const std::string& package = "host/late",
                        VLDictionary payload = {}) {
        launched.push_back(rid);
        payload.set("localPath", std::string(VELTO_FIXTURES) + "/" + package);
        VLDictionary message{{"op", "launch"}, {"rid", rid}, {"payload", std::move(payload)}};
        for (const auto& [key, value] : extra)
            message.set(key, value);
        return answer(peer.request(message));
    }

    VLTestMainApplication peer;
    std::shared_ptr<ContentHostAgent> agent;
    bool terminated = false; // the main queue's
    std::vector<int64_t> launched;
};
