#pragma once

#include <atomic>
#include <memory>
#include <mutex>

class VLJSEngine;

// What a runtime tells the rest of the engine. Suspension changes are posted on the main thread with
// the runtime as object; the termination notice on the runtime's JavaScript thread with no object and
// the runtime's global context (a JSGlobalContextRef) in its user info under VLRuntimeGlobalContextKey.
inline constexpr char VLRuntimeSuspendedDidChangeNotification[] = "VLRuntimeSuspendedDidChangeNotification";
inline constexpr char VLRuntimeWillTerminateNotification[] = "VLRuntimeWillTerminateNotification";
inline constexpr char VLRuntimeGlobalContextKey[] = "VLRuntimeGlobalContextKey";

// The value of Velto.apiVersion.
inline constexpr long VLRuntimeAPIVersion = 9;

// One launched widget: its JavaScript engine, the state that the content host steers, and its end.
//
// The host steers it from the main thread; isSuspended() and isTerminated() may be read anywhere.
class VLRuntime : public std::enable_shared_from_this<VLRuntime> {
public:
    // A runtime with a new engine, whose JavaScript thread starts at once.
    static std::shared_ptr<VLRuntime> create();
    ~VLRuntime();
    VLRuntime(const VLRuntime&) = delete;
    VLRuntime& operator=(const VLRuntime&) = delete;

    // The runtime whose engine it is, or null; any thread. Known from the moment create() returns.
    static std::shared_ptr<VLRuntime> runtimeOwningEngine(const VLJSEngine& engine);

    const std::shared_ptr<VLJSEngine>& engine() const { return _engine; }

    bool isSuspended() const { return _suspended.load(); }
    // Ignored when terminated or unchanged; otherwise posts VLRuntimeSuspendedDidChangeNotification.
    void setSuspended(bool suspended);

    // Asks for one full garbage collection on the JavaScript thread a second from now, so that the
    // memory of released media goes soon; requests made meanwhile are absorbed by the pending one.
    // Nothing once terminated. Any thread.
    void setNeedsGarbageCollection();

    bool isTerminated() const;
    // Once; any thread. Marks every binding context of the engine terminated and then posts
    // VLRuntimeWillTerminateNotification, both on the JavaScript thread.
    void terminate();

private:
    VLRuntime();
    void start();

    // At once on the main thread; from elsewhere through the main queue, unless the runtime is gone.
    void postOnMainThread(const char* name);
    // On the JavaScript thread, unless terminated meanwhile.
    void collectGarbage();

    std::shared_ptr<VLJSEngine> _engine;
    std::atomic<bool> _suspended{false};

    mutable std::recursive_mutex _lock; // the runtime lock; guards the two members below
    bool _terminated = false;
    bool _garbageCollectionPending = false;
};
