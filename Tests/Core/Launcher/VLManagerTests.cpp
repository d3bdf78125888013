#include "Core/Launcher/VLManager.h"

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Launcher/Services/VLBroadcastTransport.h"
#include "Core/Launcher/Services/VLSystemAudioSource.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Supports/SystemAudio/VLSystemAudioMonitor.h"
#include "Supports/WindowList/VLWindowListMonitor.h"

#include <gtest/gtest.h>

namespace {

class NoSource final : public VLSystemAudioSource {
public:
    void systemAudioWantedDidChange(bool, bool) override {}
    void systemAudioAccessShouldBeRechecked() override {}
};

class NoTransport final : public VLBroadcastTransport {
public:
    void broadcastKey(const std::string&, bool) override {}
    void sendBroadcastMessage(const VLData&, const std::string&) override {}
};

std::shared_ptr<VLRuntime> makeRuntime() {
    return VLRuntime::create(std::make_shared<VLBundle>("/nonexistent/package"));
}

void waitForThreadOf(std::shared_ptr<VLRuntime>& runtime) {
    std::shared_ptr<VLRunLoopThread> thread = runtime->engine()->runLoop()->thread();
    runtime.reset();
    EXPECT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
}

} // namespace

TEST(VLManagerTest, KeepsLaunchedRuntimesUntilTheyAreTerminated) {
    std::shared_ptr<VLManager> manager = VLManager::create();
    EXPECT_EQ("app.velto.manager", manager->queue()->label());
    std::shared_ptr<VLRuntime> first = makeRuntime();
    std::shared_ptr<VLRuntime> second = makeRuntime();
    std::shared_ptr<VLRuntime> stranger = makeRuntime();
    manager->onLaunchSuccess(first);
    manager->onLaunchSuccess(second);
    EXPECT_EQ(manager->runingRuntimes(), (std::vector<std::shared_ptr<VLRuntime>>{first, second}));

    manager->terminateRuntime(first);
    EXPECT_TRUE(first->isTerminated());
    EXPECT_FALSE(second->isTerminated());
    EXPECT_EQ(manager->runingRuntimes(), std::vector<std::shared_ptr<VLRuntime>>{second});

    manager->terminateRuntime(stranger);
    EXPECT_TRUE(stranger->isTerminated()) << "terminated though it was not in the list";
    EXPECT_EQ(manager->runingRuntimes(), std::vector<std::shared_ptr<VLRuntime>>{second});

    manager.reset(); // lets go of the runtimes it held
    for (auto* runtime : {&first, &second, &stranger})
        waitForThreadOf(*runtime);
}

TEST(VLManagerTest, RelatedProcessesReachTheWindowListAndSystemAudio) {
    VLManager::setRelatedProcessIdentifiers({12, 34});
    EXPECT_EQ(VLManager::relatedProcessIdentifiers(), (std::set<pid_t>{12, 34}));
    EXPECT_EQ(VLWindowListMonitor::relatedProcessIdentifiers(), (std::set<pid_t>{12, 34}));
    EXPECT_EQ(VLSystemAudioMonitor::sharedInstance()->relatedProcessIdentifiers(), (std::set<pid_t>{12, 34}));
    VLManager::setRelatedProcessIdentifiers({});
    EXPECT_TRUE(VLManager::relatedProcessIdentifiers().empty());
    EXPECT_TRUE(VLSystemAudioMonitor::sharedInstance()->relatedProcessIdentifiers().empty());
}

TEST(VLManagerTest, SystemAudioKeepsTheSourceAndTheFramesItBrings) {
    const VLData silence(516, 0);
    VLData frame(516, 0);
    frame[0] = 7;
    EXPECT_EQ(silence, VLManager::currentSystemAudioFrame());

    auto source = std::make_shared<NoSource>();
    VLManager::setSystemAudioSource(source);
    EXPECT_EQ(source, VLManager::systemAudioSource());
    VLManager::updateSystemAudioFrame(frame, std::nullopt, true, false);
    VLManager::updateSystemAudioFrame(VLData(515, 9), std::nullopt, true, false);
    EXPECT_EQ(frame, VLManager::currentSystemAudioFrame()) << "a frame of another length is ignored";

    VLManager::setSystemAudioSource(nullptr);
    EXPECT_EQ(nullptr, VLManager::systemAudioSource());
    VLSystemAudioMonitor::sharedInstance()->flush();
    EXPECT_EQ(silence, VLManager::currentSystemAudioFrame());
}

TEST(VLManagerTest, KeepsTheBroadcastTransportAndTheDisplayIdentifierProvider) {
    auto transport = std::make_shared<NoTransport>();
    VLManager::setBroadcastTransport(transport);
    EXPECT_EQ(transport, VLManager::broadcastTransport());
    VLManager::receiveBroadcastMessage(VLData{1}, "namespace:key"); // no receivers: dropped
    VLManager::setBroadcastTransport(nullptr);
    EXPECT_EQ(nullptr, VLManager::broadcastTransport());

    VLManager::setDisplayIdentifierProvider([](uint32_t display) { return display == 1 ? 42u : display; });
    EXPECT_EQ(42u, VLManager::displayIdentifierProvider()(1));
    EXPECT_EQ(2u, VLManager::displayIdentifierProvider()(2));
    VLManager::setDisplayIdentifierProvider(nullptr);
    EXPECT_FALSE(VLManager::displayIdentifierProvider());
}
