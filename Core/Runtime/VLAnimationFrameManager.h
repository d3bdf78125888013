#pragma once

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSProtectedValue.h"
#include "Core/Runtime/Rendering/VLRenderingPort.h"

#include <JavaScriptCore/JavaScript.h>

#include <cstdint>
#include <list>
#include <memory>

class VLJSBindingContext;
class VLJSFunctionInvoker;

// The animation-frame callbacks of one binding context, a port of the runtime's rendering loop: ticked
// first in every frame while callbacks wait, it calls those requested before the frame, in request
// order and with one time. While callbacks wait it holds the engine's pending work, so that a tool
// running the widget to its end waits for them.
//
// JavaScript thread, like the callbacks it keeps.
class VLAnimationFrameManager final : public VLRenderingPort {
public:
    explicit VLAnimationFrameManager(const std::shared_ptr<VLJSBindingContext>& bindingContext);

    // requestAnimationFrame(callback): the identifier, or nullptr (undefined) unless the one argument
    // is an object.
    JSValueRef appendAnimationFrame(JSContextRef ctx, size_t argc, const JSValueRef argv[]);
    // cancelAnimationFrame(identifier): only for one number argument. Always nullptr (undefined).
    JSValueRef removeAnimationFrame(JSContextRef ctx, size_t argc, const JSValueRef argv[]);
    // Drops every callback, for a binding that goes.
    void removeAllAnimationFrames();

    void handleRenderingTick() override;
    bool needsRenderingTick() override { return !_animationFrames.empty(); }
    int64_t renderingPhase() override { return 0; }

private:
    struct AnimationFrame {
        int64_t identifier;
        VLJSProtectedValue callback;
    };

    void updatePendingWork();

    const std::weak_ptr<VLJSBindingContext> _bindingContext;
    const std::shared_ptr<VLJSFunctionInvoker> _funcInvoker;
    // Function.prototype.call as the context had it, so that callbacks get `this` undefined.
    VLJSProtectedValue _callFunction;
    int64_t _nextFrameId = 1;
    std::list<AnimationFrame> _animationFrames; // requested for the next frame
    std::list<AnimationFrame> _runningFrames;   // being called in this frame
    VLJSEngine::PendingWork _pendingWork;
};
