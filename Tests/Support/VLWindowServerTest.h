#pragma once

#include "Platform/Foundation/VLManualDelayScheduler.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLGeometryPrinter.h"

#include <gtest/gtest.h>
#include <memory>

// A fixture for window-server tests: each test gets a fresh server (the default screen, no windows) and
// manual time as the process's clock and delay scheduler, so server().clock().advance() moves all time.
class VLWindowServerTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    VLWindowServer& server() { return *_server; }
    // Runs what the main queue holds now, such as occlusion updates and screen-change notices.
    static void drainMainQueue();

private:
    std::shared_ptr<VLManualDelayScheduler> _scheduler;
    std::shared_ptr<VLWindowServer> _server;
};
