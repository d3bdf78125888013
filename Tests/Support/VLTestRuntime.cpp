#include "Tests/Support/VLTestRuntime.h"

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Runtime/VLBundle.h"

#include <gtest/gtest.h>

#include <chrono>

VLTestRuntime::VLTestRuntime() : _runtime(VLRuntime::create(std::make_shared<VLBundle>(_package.path()))) {}

VLTestRuntime::~VLTestRuntime() {
    std::shared_ptr<VLRunLoopThread> thread = _runtime->engine()->runLoop()->thread();
    _runtime.reset();
    EXPECT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
}
