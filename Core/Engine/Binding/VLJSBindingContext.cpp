#include "Core/Engine/Binding/VLJSBindingContext.h"

#include "Core/Engine/Binding/VLJSBindingCollector.h"
#include "Core/Engine/Binding/VLJSClassLoader.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Platform/Foundation/VLStringWithFormat.h"

VLJSBindingContext::~VLJSBindingContext() {
    // Bindings collected from now on retire where they are, and find no binding context.
    if (_collector)
        _collector->close();
    if (JSGlobalContextRef ctx = _globalCtx.load())
        JSGlobalContextRelease(ctx);
}

std::map<std::string, std::string> VLJSBindingContext::polyfillScripts() const {
    std::optional<std::string> script = polyfillScript();
    if (!script || script->empty())
        return {};
    return {{scopeName(), *script}};
}

const VLJSClassInfo* VLJSBindingContext::bindingClassForName(std::string_view) const {
    return nullptr;
}

void VLJSBindingContext::bindJSContext(JSGlobalContextRef ctx, const std::shared_ptr<VLJSEngine>& engine,
                                       ExceptionHandler exceptionHandler) {
    std::shared_ptr<VLRunLoopThread> thread = VLRunLoopThread::current();
    _thread = thread;
    _threadID = std::this_thread::get_id();
    _engine = engine;
    _exceptionHandler = std::move(exceptionHandler);
    _globalCtx.store(JSGlobalContextRetain(ctx));
    _collector =
        VLJSBindingCollector::create([weakThread = std::weak_ptr(thread)](std::function<void()> block) {
            std::shared_ptr<VLRunLoopThread> thread = weakThread.lock();
            return thread && thread->post(std::move(block));
        });
    VLJSClassLoader::loadBindingContext(shared_from_this());
    evaluatePreludes();
}

void VLJSBindingContext::evaluatePreludes() {
    // std::map keeps the keys in ascending byte order.
    for (const auto& [key, script] : polyfillScripts()) {
        if (script.empty())
            continue;
        VLJSString text(script);
        VLJSString sourceURL(VLStringWithFormat("polyfill/%@.js", key));
        JSValueRef exception = nullptr;
        JSEvaluateScript(globalCtx(), text.get(), nullptr, sourceURL.get(), 1, &exception);
        if (exception)
            notifyException(exception);
    }
}

void VLJSBindingContext::unbindJSContext() {
    if (_collector)
        _collector->close();
    if (JSGlobalContextRef ctx = _globalCtx.exchange(nullptr))
        JSGlobalContextRelease(ctx);
}

bool VLJSBindingContext::isCurrentThread() const {
    return _globalCtx.load() && std::this_thread::get_id() == _threadID.load();
}

JSValueRef VLJSBindingContext::sharedUndefinedValue() const {
    JSGlobalContextRef ctx = globalCtx();
    return ctx ? JSValueMakeUndefined(ctx) : nullptr;
}

JSValueRef VLJSBindingContext::sharedNullValue() const {
    JSGlobalContextRef ctx = globalCtx();
    return ctx ? JSValueMakeNull(ctx) : nullptr;
}

void VLJSBindingContext::notifyException(JSValueRef exception) {
    JSGlobalContextRef ctx = globalCtx();
    if (ctx && _exceptionHandler)
        _exceptionHandler(ctx, exception);
}

void VLJSBindingContext::reportRejectionOfPromise(JSValueRef value) {
    if (std::shared_ptr<VLJSEngine> engine = _engine.lock())
        engine->reportRejectionOfPromise(value);
}

double VLJSBindingContext::now() const {
    std::shared_ptr<VLJSEngine> engine = _engine.lock();
    return engine ? engine->now() : 0;
}

bool VLJSBindingContext::hasSingletonMark(const VLJSClassInfo& bindingClass) const {
    return _singletonMarks.contains(&bindingClass);
}

void VLJSBindingContext::setSingletonMark(const VLJSClassInfo& bindingClass) {
    _singletonMarks.insert(&bindingClass);
}
