#include "Modules/System/VLWindowsJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/System/VLSystemJSObjects.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr std::string_view kWindowsChange = "change";
// Pieces of a top edge this short or shorter are left out.
constexpr double kShortestEdgePiece = 1.0;

JSObjectRef windowsArray(JSContextRef ctx, const std::vector<JSValueRef>& elements) {
    return JSObjectMakeArray(ctx, elements.size(), elements.data(), nullptr);
}

JSObjectRef windowsObject(JSContextRef ctx,
                          std::initializer_list<std::pair<const char*, JSValueRef>> fields) {
    JSObjectRef object = VLMakeObject(ctx);
    for (const auto& [name, value] : fields)
        VLSetValue(ctx, object, name, value);
    VLFinishObject(ctx, object);
    return object;
}

} // namespace

void VLWindowsJSBinding::validateConstructionWithContext(
    JSContextRef ctx, const std::shared_ptr<VLJSBindingContext>& bindingContext, size_t, const JSValueRef[],
    JSValueRef* exception) {
    std::shared_ptr<VLRuntime> runtime = VLRuntimeOfBindingContext(bindingContext);
    if (!runtime || !runtime->allowsWindowPositions())
        VLJSThrowException(ctx, exception,
                           VLStringWithFormat("Velto.windows needs the \"window-positions\" permission in "
                                              "manifest.json, and the user's consent"));
}

VLWindowsJSBinding::~VLWindowsJSBinding() = default;

// Set-up and teardown

void VLWindowsJSBinding::didCreateJSObject(JSObjectRef object,
                                           const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    Super::didCreateJSObject(object, bindingContext);
    _runtime = VLRuntimeOfBindingContext(bindingContext);
    _thread = bindingContext ? bindingContext->thread() : nullptr;
    _monitor = VLWindowListMonitor::sharedInstance();
    _globalContext = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (_globalContext)
        VLPublishInVelto(_globalContext, "windows", jsObject());
    // Posted on the JavaScript thread of the runtime that ends, which is this binding's when the global
    // context is its own.
    _terminationObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLRuntimeWillTerminateNotification, nullptr,
        [weakSelf = weak_from_this(), globalContext = _globalContext](const VLNotification& notification) {
            const auto* context = notification.userInfoValue<JSGlobalContextRef>(VLRuntimeGlobalContextKey);
            if (!context || *context != globalContext)
                return;
            if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock())
                static_cast<VLWindowsJSBinding&>(*self).stopWatching();
        });
}

void VLWindowsJSBinding::willCollectGarbage() {
    Super::willCollectGarbage();
    stopWatching();
}

// Handlers and listeners

void VLWindowsJSBinding::addListenerForType(std::string_view type, JSContextRef ctx, JSValueRef listener,
                                            JSValueRef* exception) {
    Super::addListenerForType(type, ctx, listener, exception);
    updateWatching();
}

void VLWindowsJSBinding::removeListenerForType(std::string_view type, JSContextRef ctx,
                                               JSObjectRef listener) {
    Super::removeListenerForType(type, ctx, listener);
    updateWatching();
}

void VLWindowsJSBinding::setCallbackForType(std::string_view type, JSContextRef ctx, JSValueRef callback,
                                            JSValueRef* exception) {
    // Replacing a handler removes the old one first: the monitor is not let go of in between.
    _settingCallback = true;
    Super::setCallbackForType(type, ctx, callback, exception);
    _settingCallback = false;
    updateWatching();
}

void VLWindowsJSBinding::removeCallbackForType(std::string_view type, JSContextRef ctx) {
    Super::removeCallbackForType(type, ctx);
    if (!_settingCallback)
        updateWatching();
}

void VLWindowsJSBinding::removeAllListeners() {
    Super::removeAllListeners();
    updateWatching();
}

void VLWindowsJSBinding::removeAllCallbacks() {
    Super::removeAllCallbacks();
    updateWatching();
}

// Watching the monitor

bool VLWindowsJSBinding::isWanted() const {
    std::shared_ptr<VLJSBindingContext> context = bindingContext();
    return context && !context->isTerminated() && hasHandlersForType(kWindowsChange);
}

void VLWindowsJSBinding::updateWatching() {
    if (!_monitor)
        return;
    const bool wanted = isWanted();
    if (wanted && !_watching) {
        _watching = true;
        _snapshot.reset();
        _monitor->addObserver(sharedFromThis());
    } else if (!wanted && _watching) {
        std::shared_ptr<VLJSBindingContext> context = bindingContext();
        if (!context || context->isTerminated()) {
            stopWatching();
        } else if (!std::exchange(_stopScheduled, true)) {
            // A handler removed and added again within the turn keeps the monitor watched.
            if (std::shared_ptr<VLRunLoopThread> thread = _thread.lock())
                thread->post([weakSelf = weak_from_this()] {
                    if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock())
                        static_cast<VLWindowsJSBinding&>(*self).stopWatchingIfUnwanted();
                });
        }
    }
}

void VLWindowsJSBinding::stopWatchingIfUnwanted() {
    _stopScheduled = false;
    if (_watching && !isWanted())
        stopWatching();
}

void VLWindowsJSBinding::stopWatching() {
    if (!std::exchange(_watching, false))
        return;
    _snapshot.reset();
    _monitor->removeObserver(sharedFromThis());
}

bool VLWindowsJSBinding::windowListObserverIsIdle() {
    std::shared_ptr<VLRuntime> runtime = _runtime.lock();
    return !runtime || runtime->isPlaybackPaused();
}

bool VLWindowsJSBinding::windowListObserverIsStopped() {
    std::shared_ptr<VLRuntime> runtime = _runtime.lock();
    return !runtime || runtime->isTerminated();
}

void VLWindowsJSBinding::windowListMonitorDidChange(VLWindowListMonitor&) {
    std::shared_ptr<VLRunLoopThread> thread = _thread.lock();
    // Changes that come while one is on its way fold into it.
    if (!thread || _changeScheduled.exchange(true))
        return;
    VLExecuteOnThread(thread, [weakSelf = weak_from_this()] {
        if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock())
            static_cast<VLWindowsJSBinding&>(*self).deliverChange();
    });
}

void VLWindowsJSBinding::deliverChange() {
    _changeScheduled = false;
    std::shared_ptr<VLJSBindingContext> context = bindingContext();
    if (!context || !context->globalCtx() || context->isTerminated() || !_watching)
        return;
    _snapshot = _monitor->windows();
    triggerEvent(kWindowsChange);
}

// Lists

VLWindowListMonitor::List VLWindowsJSBinding::currentWindows() {
    if (_snapshot)
        return *_snapshot;
    if (_turnSnapshot)
        return *_turnSnapshot;
    VLWindowListMonitor::List windows = _monitor ? _monitor->windows() : VLWindowListMonitor::List();
    std::shared_ptr<VLRunLoopThread> thread = _thread.lock();
    if (hasBindingContext() && thread) {
        _turnSnapshot = windows;
        // Queued behind the current turn: every call within it sees this list.
        thread->post([weakSelf = weak_from_this()] {
            if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock())
                static_cast<VLWindowsJSBinding&>(*self).endTurn();
        });
    }
    return windows;
}

void VLWindowsJSBinding::endTurn() {
    _turnSnapshot.reset();
}

JSValueRef VLWindowsJSBinding::list(JSContextRef ctx, size_t, const JSValueRef[], JSValueRef*) {
    std::vector<JSValueRef> entries;
    for (const VLWindowListEntry& window : currentWindows()) {
        const VLRect& frame = window.frame();
        JSObjectRef frameObject = windowsObject(ctx, {{"x", JSValueMakeNumber(ctx, frame.origin.x)},
                                                      {"y", JSValueMakeNumber(ctx, frame.origin.y)},
                                                      {"width", JSValueMakeNumber(ctx, frame.size.width)},
                                                      {"height", JSValueMakeNumber(ctx, frame.size.height)}});
        entries.push_back(
            windowsObject(ctx, {{"id", JSValueMakeNumber(ctx, window.windowID())},
                                {"frame", frameObject},
                                {"isActiveApp", JSValueMakeBoolean(ctx, window.isActiveApp())},
                                {"isFullScreen", JSValueMakeBoolean(ctx, window.isFullScreen())},
                                {"isFloating", JSValueMakeBoolean(ctx, window.isFloating())}}));
    }
    return windowsArray(ctx, entries);
}

JSValueRef VLWindowsJSBinding::visibleTopEdges(JSContextRef ctx, size_t, const JSValueRef[], JSValueRef*) {
    const VLWindowListMonitor::List windows = currentWindows();
    std::vector<JSValueRef> edges;
    for (size_t index = 0; index < windows.size(); ++index) {
        const VLWindowListEntry& window = windows[index];
        if (window.isFullScreen())
            continue;
        const double top = window.frame().minY();
        std::vector<std::pair<double, double>> segments{{window.frame().minX(), window.frame().maxX()}};
        for (size_t front = 0; front < index && !segments.empty(); ++front) {
            const VLRect& cover = windows[front].frame();
            // The top edge lies under the window in front only from its top, not on its bottom.
            if (!(cover.minY() <= top && top < cover.maxY()))
                continue;
            std::vector<std::pair<double, double>> uncovered;
            for (const auto& [a, b] : segments) {
                const double leftEnd = std::min(b, cover.minX());
                if (leftEnd - a > kShortestEdgePiece)
                    uncovered.emplace_back(a, leftEnd);
                const double rightStart = std::max(cover.maxX(), a);
                if (b - rightStart > kShortestEdgePiece)
                    uncovered.emplace_back(rightStart, b);
            }
            segments = std::move(uncovered);
        }
        for (const auto& [a, b] : segments)
            edges.push_back(windowsObject(ctx, {{"id", JSValueMakeNumber(ctx, window.windowID())},
                                                {"x", JSValueMakeNumber(ctx, a)},
                                                {"y", JSValueMakeNumber(ctx, top)},
                                                {"width", JSValueMakeNumber(ctx, b - a)}}));
    }
    return windowsArray(ctx, edges);
}
