#include "Tests/Support/VLWindowServerTest.h"

#include "Platform/Foundation/VLMainQueue.h"

void VLWindowServerTest::SetUp() {
    _scheduler = std::make_shared<VLManualDelayScheduler>();
    VLClock::setShared(_scheduler->clock());
    VLDelayScheduler::setShared(_scheduler);
    _server = std::make_shared<VLWindowServer>();
    VLWindowServer::setShared(_server);
}

void VLWindowServerTest::TearDown() {
    drainMainQueue();
    VLWindowServer::setShared(nullptr);
    VLDelayScheduler::setShared(nullptr);
    VLClock::setShared(nullptr);
}

void VLWindowServerTest::drainMainQueue() {
    bool reached = false;
    VLMainQueue::async([&] { reached = true; });
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return reached; }));
}
