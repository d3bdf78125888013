#include "Tests/Support/VLCanvasRuntimeTest.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"

void VLCanvasRuntimeTest::SetUp() {
    sharedContext(2);
}

void VLCanvasRuntimeTest::onJSThread(const std::function<void()>& block) {
    runtime->engine()->runLoop()->performBlockSync(block);
}

std::shared_ptr<VLJSBindingContext> VLCanvasRuntimeTest::bindingContext() const {
    return runtime->engine()->bindingContextForScope("VeltoRuntime");
}
