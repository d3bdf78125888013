#include "Core/Runtime/VLAnimationFrameManagerJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/VLAnimationFrameManager.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeJSBindingContext.h"

#include <cmath>

namespace {

constexpr double kHighestPreferredFPS = 1000;

} // namespace

void VLAnimationFrameManagerJSBinding::willCollectGarbage() {
    Super::willCollectGarbage();
    if (std::shared_ptr<VLAnimationFrameManager> manager = std::move(_manager)) {
        if (std::shared_ptr<VLRenderingLoop> loop = renderingLoop())
            loop->removePort(manager);
        manager->removeAllAnimationFrames();
    }
}

JSValueRef VLAnimationFrameManagerJSBinding::requestAnimationFrame(JSContextRef ctx, size_t argc,
                                                                   const JSValueRef argv[], JSValueRef*) {
    std::shared_ptr<VLAnimationFrameManager> frames = manager();
    return frames ? frames->appendAnimationFrame(ctx, argc, argv) : nullptr;
}

JSValueRef VLAnimationFrameManagerJSBinding::cancelAnimationFrame(JSContextRef ctx, size_t argc,
                                                                  const JSValueRef argv[], JSValueRef*) {
    std::shared_ptr<VLAnimationFrameManager> frames = manager();
    return frames ? frames->removeAnimationFrame(ctx, argc, argv) : nullptr;
}

JSValueRef VLAnimationFrameManagerJSBinding::preferredFramesPerSecond(JSContextRef ctx) {
    std::shared_ptr<VLRenderingLoop> loop = renderingLoop();
    return JSValueMakeNumber(ctx, loop ? loop->contentPreferredFPS() : 0);
}

void VLAnimationFrameManagerJSBinding::setPreferredFramesPerSecond(JSContextRef ctx, JSValueRef value) {
    if (std::shared_ptr<VLRenderingLoop> loop = renderingLoop())
        loop->setContentPreferredFPS(contentPreferredFPS(VLJSValueToNumberFast(ctx, value)));
}

uint32_t VLAnimationFrameManagerJSBinding::contentPreferredFPS(double value) {
    if (!std::isfinite(value) || value <= 0)
        return 0;
    return static_cast<uint32_t>(std::min(std::floor(value + 0.5), kHighestPreferredFPS));
}

std::shared_ptr<VLAnimationFrameManager> VLAnimationFrameManagerJSBinding::manager() {
    if (_manager)
        return _manager;
    std::shared_ptr<VLJSBindingContext> bindingContext = VLJSBindingGetContext(this);
    if (!bindingContext)
        return nullptr;
    _manager = std::make_shared<VLAnimationFrameManager>(bindingContext);
    if (std::shared_ptr<VLRenderingLoop> loop = renderingLoop())
        loop->addPort(_manager);
    return _manager;
}

std::shared_ptr<VLRenderingLoop> VLAnimationFrameManagerJSBinding::renderingLoop() const {
    auto bindingContext = std::dynamic_pointer_cast<VLRuntimeJSBindingContext>(VLJSBindingGetContext(this));
    std::shared_ptr<VLRuntime> runtime = bindingContext ? bindingContext->runtime() : nullptr;
    return runtime ? runtime->renderingLoop() : nullptr;
}
