#pragma once

#include "Tests/Support/VLGLTest.h"
#include "Tests/Support/VLTestRuntime.h"

#include <functional>
#include <memory>

class VLJSBindingContext;

// A GPU test with a runtime: work runs on the runtime's JavaScript thread, where its canvas services
// live. The suite's shared context keeps llvmpipe's display up between tests.
class VLCanvasRuntimeTest : public VLGLTest {
protected:
    void SetUp() override;

    // Runs the block on the JavaScript thread and waits for it.
    void onJSThread(const std::function<void()>& block);
    // The runtime's scope "VeltoRuntime".
    std::shared_ptr<VLJSBindingContext> bindingContext() const;

    VLTestRuntime runtime;
};
