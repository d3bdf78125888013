#include "Core/Runtime/VLAnimationFrameManager.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSFunctionInvoker.h"
#include "Core/Engine/JS/VLJSValueBridge.h"

#include <algorithm>

VLAnimationFrameManager::VLAnimationFrameManager(const std::shared_ptr<VLJSBindingContext>& bindingContext)
    : _bindingContext(bindingContext), _funcInvoker(std::make_shared<VLJSFunctionInvoker>(bindingContext)) {
    if (JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr)
        _callFunction = VLJSProtectedValue(ctx, VLJSFunctionFromScript(ctx, "Function.prototype.call"));
}

JSValueRef VLAnimationFrameManager::appendAnimationFrame(JSContextRef ctx, size_t argc,
                                                         const JSValueRef argv[]) {
    if (argc != 1 || !JSValueIsObject(ctx, argv[0]))
        return nullptr;
    const int64_t identifier = _nextFrameId++;
    _animationFrames.push_back({identifier, VLJSProtectedValue(ctx, argv[0])});
    updatePendingWork();
    return JSValueMakeNumber(ctx, static_cast<double>(identifier));
}

JSValueRef VLAnimationFrameManager::removeAnimationFrame(JSContextRef ctx, size_t argc,
                                                         const JSValueRef argv[]) {
    if (argc != 1 || !JSValueIsNumber(ctx, argv[0]))
        return nullptr;
    const double identifier = JSValueToNumber(ctx, argv[0], nullptr);
    for (std::list<AnimationFrame>* frames : {&_animationFrames, &_runningFrames}) {
        auto found = std::find_if(frames->begin(), frames->end(), [&](const AnimationFrame& frame) {
            return static_cast<double>(frame.identifier) == identifier;
        });
        if (found != frames->end()) {
            frames->erase(found);
            break;
        }
    }
    updatePendingWork();
    return nullptr;
}

void VLAnimationFrameManager::removeAllAnimationFrames() {
    _animationFrames.clear();
    _runningFrames.clear();
    updatePendingWork();
}

void VLAnimationFrameManager::handleRenderingTick() {
    std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock();
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (!ctx || bindingContext->isTerminated() || !_callFunction.object())
        return;
    JSValueRef arguments[] = {JSValueMakeUndefined(ctx), JSValueMakeNumber(ctx, bindingContext->now())};
    _runningFrames.splice(_runningFrames.end(), _animationFrames);
    while (!_runningFrames.empty()) {
        // Off the list first: the callback may cancel what is still waiting in it.
        const AnimationFrame frame = std::move(_runningFrames.front());
        _runningFrames.pop_front();
        JSValueRef exception = nullptr;
        _funcInvoker->invokeFunction(_callFunction.object(), frame.callback.object(), std::size(arguments),
                                     arguments, &exception);
        if (exception)
            bindingContext->notifyException(exception);
    }
    updatePendingWork();
}

void VLAnimationFrameManager::updatePendingWork() {
    if (_animationFrames.empty() && _runningFrames.empty()) {
        _pendingWork.reset();
        return;
    }
    if (_pendingWork)
        return;
    std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock();
    if (std::shared_ptr<VLJSEngine> engine = bindingContext ? bindingContext->engine() : nullptr)
        _pendingWork = engine->beginPendingWork();
}
