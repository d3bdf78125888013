#include "Modules/System/VLInputJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/System/VLSystemJSObjects.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Supports/Input/VLInputMonitor.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

// By the kind of the monitor's records.
constexpr std::string_view kInputMouseEvents[] = {"mousemove", "mousedown", "mouseup", "wheel"};

void setInputNumber(JSContextRef ctx, JSObjectRef object, const char* name, double number) {
    VLSetValue(ctx, object, name, JSValueMakeNumber(ctx, number));
}

} // namespace

VLInputJSBinding::~VLInputJSBinding() = default;

void VLInputJSBinding::didCreateJSObject(JSObjectRef object,
                                         const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    Super::didCreateJSObject(object, bindingContext);
    _runtime = VLRuntimeOfBindingContext(bindingContext);
}

void VLInputJSBinding::willCollectGarbage() {
    Super::willCollectGarbage();
    // The monitor holds this binding weakly and lets go of it at its next event or flush.
    std::lock_guard lock(_lock);
    _pendingMouseEvents.clear();
    _pendingKeyPresses = 0;
}

// Handlers and listeners

void VLInputJSBinding::addListenerForType(std::string_view type, JSContextRef ctx, JSValueRef listener,
                                          JSValueRef* exception) {
    Super::addListenerForType(type, ctx, listener, exception);
    updateWatching();
}

void VLInputJSBinding::removeListenerForType(std::string_view type, JSContextRef ctx, JSObjectRef listener) {
    Super::removeListenerForType(type, ctx, listener);
    updateWatching();
}

void VLInputJSBinding::setCallbackForType(std::string_view type, JSContextRef ctx, JSValueRef callback,
                                          JSValueRef* exception) {
    // Replacing a handler removes the old one first: the monitor is not let go of in between.
    _settingCallback = true;
    Super::setCallbackForType(type, ctx, callback, exception);
    _settingCallback = false;
    updateWatching();
}

void VLInputJSBinding::removeCallbackForType(std::string_view type, JSContextRef ctx) {
    Super::removeCallbackForType(type, ctx);
    updateWatching();
}

void VLInputJSBinding::removeAllListeners() {
    Super::removeAllListeners();
    updateWatching();
}

void VLInputJSBinding::removeAllCallbacks() {
    Super::removeAllCallbacks();
    updateWatching();
}

void VLInputJSBinding::updateWatching() {
    if (_settingCallback)
        return;
    std::shared_ptr<VLRuntime> runtime = _runtime.lock();
    const bool mouseWanted = runtime && runtime->allowsGlobalMouse() &&
                             std::any_of(std::begin(kInputMouseEvents), std::end(kInputMouseEvents),
                                         [this](std::string_view type) { return hasHandlersForType(type); });
    const bool keysWanted = runtime && runtime->allowsKeyActivity() && hasHandlersForType("keyactivity");
    const bool mayAsk = runtime && runtime->asksForInputMonitoring();
    const bool mouseChanged = mouseWanted != _watchesMouse, keysChanged = keysWanted != _watchesKeys;
    if (!mouseChanged && !keysChanged)
        return;
    _watchesMouse = mouseWanted;
    _watchesKeys = keysWanted;
    VLMainQueue::async(
        [weakSelf = weak_from_this(), mouseChanged, mouseWanted, keysChanged, keysWanted, mayAsk] {
            std::shared_ptr<VLJSBindingBase> self = weakSelf.lock();
            if (!self)
                return;
            auto observer = std::static_pointer_cast<VLInputJSBinding>(self);
            VLInputMonitor& monitor = *VLInputMonitor::sharedInstance();
            if (mouseChanged)
                mouseWanted ? monitor.addMouseObserver(observer) : monitor.removeMouseObserver(observer);
            if (keysChanged)
                keysWanted ? monitor.addKeyObserver(observer, mayAsk) : monitor.removeKeyObserver(observer);
        });
}

// From the monitor

void VLInputJSBinding::inputMonitorDidReceiveMouseEvent(const VLInputMouseEvent& event) {
    const bool schedule = _lock.lockUsingBlock([&] {
        VLInputMouseEvent* last = _pendingMouseEvents.empty() ? nullptr : &_pendingMouseEvents.back();
        if (last && last->kind == VLInputMouseEvent::Move && event.kind == VLInputMouseEvent::Move) {
            *last = event;
        } else if (last && last->kind == VLInputMouseEvent::Wheel && event.kind == VLInputMouseEvent::Wheel) {
            const double deltaX = last->deltaX + event.deltaX, deltaY = last->deltaY + event.deltaY;
            *last = event;
            last->deltaX = deltaX;
            last->deltaY = deltaY;
        } else {
            _pendingMouseEvents.push_back(event);
        }
        return !std::exchange(_flushScheduled, true);
    });
    if (schedule)
        scheduleFlush();
}

void VLInputJSBinding::inputMonitorDidCountKeyPresses(uint64_t count) {
    const bool schedule = _lock.lockUsingBlock([&] {
        _pendingKeyPresses += count;
        return !std::exchange(_flushScheduled, true);
    });
    if (schedule)
        scheduleFlush();
}

void VLInputJSBinding::scheduleFlush() {
    std::shared_ptr<VLJSBindingContext> context = bindingContext();
    if (!context)
        return;
    VLJSBindingPerformBlockOnThread(context, [weakSelf = weak_from_this()] {
        if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock())
            static_cast<VLInputJSBinding&>(*self).flush();
    });
}

// On the JavaScript thread

void VLInputJSBinding::flush() {
    std::vector<VLInputMouseEvent> events;
    uint64_t keyPresses = 0;
    _lock.lockUsingBlock([&] {
        events.swap(_pendingMouseEvents);
        keyPresses = std::exchange(_pendingKeyPresses, 0);
        _flushScheduled = false;
    });
    std::shared_ptr<VLJSBindingContext> context = bindingContext();
    std::shared_ptr<VLRuntime> runtime = _runtime.lock();
    if (!context || !context->globalCtx() || !runtime || runtime->isTerminated())
        return;
    JSContextRef ctx = context->globalCtx();
    if (_watchesMouse) {
        for (const VLInputMouseEvent& event : events)
            fire(ctx, event);
    }
    if (keyPresses > 0 && _watchesKeys) {
        JSObjectRef payload = VLMakeObject(ctx);
        setInputNumber(ctx, payload, "count", double(keyPresses));
        VLFinishObject(ctx, payload);
        JSValueRef argument = payload;
        triggerEvent("keyactivity", 1, &argument);
    }
}

void VLInputJSBinding::fire(JSContextRef ctx, const VLInputMouseEvent& event) {
    if (event.kind < VLInputMouseEvent::Move || event.kind > VLInputMouseEvent::Wheel)
        return;
    JSObjectRef payload = VLMakeObject(ctx);
    setInputNumber(ctx, payload, "x", event.location.x);
    setInputNumber(ctx, payload, "y", event.location.y);
    if (event.kind == VLInputMouseEvent::ButtonDown || event.kind == VLInputMouseEvent::ButtonUp)
        setInputNumber(ctx, payload, "button", double(event.button));
    if (event.kind == VLInputMouseEvent::Wheel) {
        setInputNumber(ctx, payload, "deltaX", event.deltaX);
        setInputNumber(ctx, payload, "deltaY", event.deltaY);
    }
    VLFinishObject(ctx, payload);
    JSValueRef argument = payload;
    triggerEvent(kInputMouseEvents[event.kind], 1, &argument);
}

// Properties

JSValueRef VLInputJSBinding::pointer(JSContextRef ctx) {
    std::shared_ptr<VLRuntime> runtime = _runtime.lock();
    if (!runtime || !runtime->allowsGlobalMouse())
        return JSValueMakeNull(ctx);
    const VLPoint location = VLInputMonitor::pointerLocation();
    JSObjectRef object = VLMakeObject(ctx);
    setInputNumber(ctx, object, "x", location.x);
    setInputNumber(ctx, object, "y", location.y);
    VLFinishObject(ctx, object);
    return object;
}

JSValueRef VLInputJSBinding::keyActivityAvailable(JSContextRef ctx) {
    std::shared_ptr<VLRuntime> runtime = _runtime.lock();
    return JSValueMakeBoolean(ctx, runtime && runtime->allowsKeyActivity() && VLInputMonitor::canCountKeys());
}
