#pragma once

#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSExportSingleton.h"

#include <JavaScriptCore/JavaScript.h>

#include <cstdint>
#include <memory>
#include <string>

class VLAnimationFrameManager;
class VLRenderingLoop;

// VeltoRuntime.AnimationFrameManager, behind requestAnimationFrame, cancelAnimationFrame and
// Velto.preferredFramesPerSecond. Its manager is made with the first request or cancel and joins the
// runtime's rendering loop, which it leaves when the binding goes. One per binding context; JavaScript
// thread.
class VLAnimationFrameManagerJSBinding final : public VLJSBinding<VLAnimationFrameManagerJSBinding>,
                                               public VLJSExportSingleton {
public:
    static std::string bindingClassName() { return "AnimationFrameManager"; }

    void willCollectGarbage() override;

    JSValueRef requestAnimationFrame(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                     JSValueRef* exception);
    JSValueRef cancelAnimationFrame(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                    JSValueRef* exception);
    // The content's cap on the frame rate; 0 for none.
    JSValueRef preferredFramesPerSecond(JSContextRef ctx);
    // Rounded and limited to 1000; what is not a finite number above 0 clears the cap.
    void setPreferredFramesPerSecond(JSContextRef ctx, JSValueRef value);

    static void describe(VLJSClassBuilder<VLAnimationFrameManagerJSBinding>& b) {
        b.function<"requestAnimationFrame", &VLAnimationFrameManagerJSBinding::requestAnimationFrame>();
        b.function<"cancelAnimationFrame", &VLAnimationFrameManagerJSBinding::cancelAnimationFrame>();
        b.property<"preferredFramesPerSecond", &VLAnimationFrameManagerJSBinding::preferredFramesPerSecond,
                   &VLAnimationFrameManagerJSBinding::setPreferredFramesPerSecond>();
    }

private:
    // What a content preference of `value` frames per second stores.
    static uint32_t contentPreferredFPS(double value);
    std::shared_ptr<VLAnimationFrameManager> manager();
    std::shared_ptr<VLRenderingLoop> renderingLoop() const;

    std::shared_ptr<VLAnimationFrameManager> _manager;
};
