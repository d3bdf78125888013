#include "Modules/Canvas/VLCanvasRenderingContext.h"

#include "Core/Engine/Binding/VLJSBindingBase.h"
#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Modules/Canvas/GL/VLGLMemoryTracker.h"
#include "Modules/Canvas/VLCanvasDrawable.h"
#include "Modules/Canvas/VLCanvasServices.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"

#include <mutex>

namespace {

// The rendering context last made current on this thread; each thread owns its own.
thread_local std::weak_ptr<VLCanvasRenderingContext> tCanvasCurrentRenderingContext;

// A runtime's JavaScript thread keeps neither the record nor a current EGL context past its runtime's
// end, so that the thread's last context goes with the runtime.
void installCanvasTerminationObserverOnce() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        static std::shared_ptr<VLNotificationCenter::Observer> observer =
            VLNotificationCenter::defaultCenter().addObserver(
                VLRuntimeWillTerminateNotification, nullptr, [](const VLNotification&) {
                    tCanvasCurrentRenderingContext.reset();
                    if (VLEGLContext::currentContext()) {
                        glFlush();
                        VLEGLContext::setCurrentContext(nullptr);
                    }
                });
    });
}

// Flushes the work of the thread's current context before another one takes its place.
void makeCanvasGLContextCurrent(const std::shared_ptr<VLEGLContext>& context) {
    if (VLEGLContext::currentContext())
        glFlush();
    VLEGLContext::setCurrentContext(context);
}

} // namespace

VLCanvasRenderingContext::VLCanvasRenderingContext(const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                                   int16_t width, int16_t height)
    : _bindingContext(bindingContext), _width(width), _height(height) {
    installCanvasTerminationObserverOnce();
}

VLCanvasRenderingContext::~VLCanvasRenderingContext() = default;

void VLCanvasRenderingContext::makeContextCurrent() {
    if (std::shared_ptr<VLCanvasRenderingContext> previous = tCanvasCurrentRenderingContext.lock()) {
        // Another binding may have made its own EGL context current meanwhile: the previous one
        // restores its state in its own.
        if (previous->_glContext != VLEGLContext::currentContext())
            makeCanvasGLContextCurrent(previous->_glContext);
        if (previous.get() == this)
            return;
        previous->prepare();
    }
    makeCanvasGLContextCurrent(_glContext);
    tCanvasCurrentRenderingContext = weak_from_this();
    prepare();
}

bool VLCanvasRenderingContext::isValid() const {
    return _glContext && _glContext->isValid();
}

bool VLCanvasRenderingContext::isContextLost() const {
    return _glContext && _glContext->reset() != VLEGLContext::ResetNone;
}

bool VLCanvasRenderingContext::checkContextLost() {
    if (!isValid())
        return false;
    if (isContextLost())
        return true;
    const VLEGLContext::Reset reset = _glContext->checkReset();
    if (reset == VLEGLContext::ResetNone)
        return false;
    didLoseContext(reset);
    return true;
}

void VLCanvasRenderingContext::didLoseContext(int reset) {
    const bool guilty = reset == VLEGLContext::ResetGuilty;
    VLLogError("VLCanvasRenderingContext", "Velto: a canvas was lost, the GPU stopped %s work",
               guilty ? "its" : "the app's");
    std::shared_ptr<VLRuntime> runtime = VLCanvasServices::runtime(bindingContext());
    if (!runtime)
        return;
    VLMainQueue::async([weakRuntime = std::weak_ptr(runtime), guilty] {
        if (std::shared_ptr<VLRuntime> runtime = weakRuntime.lock())
            VLNotificationCenter::defaultCenter().post(VLRuntimeGraphicsResetNotification, runtime.get(),
                                                       {{VLRuntimeGraphicsResetGuiltyKey, guilty}});
    });
}

uint64_t VLCanvasRenderingContext::renderingMemorySize() {
    if (!_glContext)
        return 0;
    uint64_t bytes = _glContext->drawableMemorySize();
    std::shared_ptr<VLEGLSharegroup> sharegroup = _glContext->sharegroup();
    if (sharegroup && sharegroup != VLCanvasServices::madeGLSharegroup(bindingContext()))
        bytes += sharegroup->memoryTracker()->renderingMemorySize();
    return bytes;
}

std::shared_ptr<VLCanvasDrawable> VLCanvasRenderingContext::fetchDrawable(JSValueRef value) const {
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    VLJSBindingBase* object = ctx && value ? VLJSValueGetPrivate(ctx, value) : nullptr;
    return object ? std::dynamic_pointer_cast<VLCanvasDrawable>(object->shared_from_this()) : nullptr;
}

std::shared_ptr<VLCanvasRenderingContext> VLCanvasRenderingContextGetCurrent() {
    std::shared_ptr<VLCanvasRenderingContext> context = tCanvasCurrentRenderingContext.lock();
    if (!context || !context->glContext() || context->glContext() != VLEGLContext::currentContext())
        return nullptr;
    return context;
}
