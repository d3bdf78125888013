#include "Platform/Network/VLWebSocketSession.h"

#include "Platform/Network/VLWebSocketTask.h"
#include "Tests/Support/VLTestSignal.h"
#include "Tests/Support/VLWebSocketTestServer.h"

#include <gtest/gtest.h>

#include <mutex>

namespace {

// Keeps the error a task completed with.
class VLCompletionRecordingDelegate final : public VLWebSocketTaskDelegate {
public:
    void didOpen(VLWebSocketTask&, const std::string&) override {}
    void didReceiveMessage(VLWebSocketTask& task, VLWebSocketMessage message) override {
        task.consumeReceivedBytes(message.data.size());
    }
    void didReceiveClose(VLWebSocketTask&, uint16_t, const std::string&) override {}
    void didComplete(VLWebSocketTask&, const VLErrorRef& error) override {
        {
            std::lock_guard lock(_lock);
            _error = error;
        }
        completed.raise();
    }

    VLErrorRef error() {
        std::lock_guard lock(_lock);
        return _error;
    }

    VLTestSignal completed;

private:
    std::mutex _lock;
    VLErrorRef _error;
};

} // namespace

TEST(VLWebSocketSession, AHandshakeThatDripsForeverEndsAtTheIdleLimit) {
    VLWebSocketTestServer server({.behaviour = VLWebSocketTestServer::Behaviour::rawHandshake,
                                  .raw = "HTTP/1.1 101 Switching Protocols\r\n",
                                  .rawRepeated = "X-Drip: 1\r\n",
                                  .rawInterval = std::chrono::milliseconds(50)});
    auto delegate = std::make_shared<VLCompletionRecordingDelegate>();
    std::shared_ptr<VLWebSocketSession> session =
        VLWebSocketSession::create("app.velto.websocket", delegate, {.idleLimit = std::chrono::seconds(1)});
    std::shared_ptr<VLWebSocketTask> task = session->webSocketTask(VLURL(server.url("/")), {});
    task->resume();
    ASSERT_TRUE(delegate->completed.wait());
    ASSERT_TRUE(delegate->error());
    EXPECT_EQ(delegate->error()->localizedDescription(), "The request timed out.");
    session->invalidateAndCancel();
}
