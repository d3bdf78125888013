#pragma once

#include <JavaScriptCore/JavaScript.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>

class VLJSBindingCollector;
class VLJSClassInfo;
class VLJSEngine;
class VLRunLoopThread;

// One named scope of an engine: the global scope object ("VeltoCore", "VeltoRuntime") through which
// scripts reach the constructors of a set of binding classes, and the preludes that build the script
// API on top of them. Every binding object refers to its binding context (weakly) for the JavaScript
// thread, the global context, the engine, the terminated flag and the way to report exceptions.
//
// Made with std::make_shared; unbound until bindJSContext() runs on the JavaScript thread, which owns
// everything here except the terminated flag, the global context and the thread identity (atomic,
// read from any thread), and the collector (any thread).
class VLJSBindingContext : public std::enable_shared_from_this<VLJSBindingContext> {
public:
    VLJSBindingContext() = default;
    virtual ~VLJSBindingContext();
    VLJSBindingContext(const VLJSBindingContext&) = delete;
    VLJSBindingContext& operator=(const VLJSBindingContext&) = delete;

    // The global name of the scope object; empty for the base.
    virtual std::string scopeName() const { return {}; }
    // The prelude of the scope; nothing for the base.
    virtual std::optional<std::string> polyfillScript() const { return std::nullopt; }
    // Key → prelude text, run in key order; the base gives {scope name: polyfillScript()} when that
    // text is not empty.
    virtual std::map<std::string, std::string> polyfillScripts() const;
    // The binding class that scripts reach under the name on the scope object, or nullptr.
    virtual const VLJSClassInfo* bindingClassForName(std::string_view name) const;

    // The context's handler of uncaught exceptions; the engine's reports them.
    using ExceptionHandler = std::function<void(JSContextRef ctx, JSValueRef exception)>;

    // Binds to the global context on the calling thread, which becomes the JavaScript thread: puts
    // the scope object on the global object and runs the preludes in key order. A prelude that throws
    // is handed to the exception handler and the next one still runs. The engine may be null.
    void bindJSContext(JSGlobalContextRef ctx, const std::shared_ptr<VLJSEngine>& engine,
                       ExceptionHandler exceptionHandler);
    // Called by the engine on the JavaScript thread, outside any script, before it releases its
    // context: collected bindings retire now, while the context exists; afterwards the binding context
    // is unbound and bindings retire wherever they are collected.
    void unbindJSContext();

    // The global context while bound, else nullptr. On the JavaScript thread.
    JSGlobalContextRef globalCtx() const { return _globalCtx.load(); }
    std::shared_ptr<VLJSEngine> engine() const { return _engine.lock(); }
    // The JavaScript thread, while it exists and is a run-loop thread.
    std::shared_ptr<VLRunLoopThread> thread() const { return _thread.lock(); }
    bool isCurrentThread() const;

    bool isTerminated() const { return _terminated.load(); }
    void setTerminated(bool terminated) { _terminated.store(terminated); }

    // What bindings return in place of a value of their own.
    JSValueRef sharedUndefinedValue() const;
    JSValueRef sharedNullValue() const;

    // Hands the value to the exception handler, which reports it like an uncaught exception; nothing
    // when unbound.
    void notifyException(JSValueRef exception);

    // The engine's clock: milliseconds since the engine was made; 0 without an engine.
    double now() const;

    // Hands a value that native code got back from script code to the engine, which reports a
    // rejection of it when it is a promise and the engine does not track rejections itself.
    void reportRejectionOfPromise(JSValueRef value);

    // Where binding objects of this context go when they are collected; nullptr before binding.
    const std::shared_ptr<VLJSBindingCollector>& collector() const { return _collector; }

    // Singleton classes constructed in this context. The mark is never removed.
    bool hasSingletonMark(const VLJSClassInfo& bindingClass) const;
    void setSingletonMark(const VLJSClassInfo& bindingClass);

private:
    void evaluatePreludes();

    std::atomic<JSGlobalContextRef> _globalCtx{nullptr}; // retained while bound
    std::weak_ptr<VLJSEngine> _engine;
    std::weak_ptr<VLRunLoopThread> _thread;
    std::atomic<std::thread::id> _threadID;
    ExceptionHandler _exceptionHandler;
    std::atomic<bool> _terminated{false};
    std::shared_ptr<VLJSBindingCollector> _collector;
    std::unordered_set<const VLJSClassInfo*> _singletonMarks;
};
