#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class VLJSBindingBase;

// Takes binding instances whose JavaScript objects were collected to their JavaScript thread. A
// finalizer runs wherever the script heap is swept and must not touch a script context, so it only
// queues the instance here; the queue is drained on the JavaScript thread, where willCollectGarbage()
// may unprotect values and the instance is released. Once closed (its binding context ends or is
// unbound), instances retire where they are collected, without a context to touch.
// Any thread; each binding context has one.
class VLJSBindingCollector : public std::enable_shared_from_this<VLJSBindingCollector> {
public:
    // Queues a block on the JavaScript thread, never running it inline; false when it cannot.
    using Post = std::function<bool(std::function<void()>)>;

    static std::shared_ptr<VLJSBindingCollector> create(Post post);
    ~VLJSBindingCollector();
    VLJSBindingCollector(const VLJSBindingCollector&) = delete;
    VLJSBindingCollector& operator=(const VLJSBindingCollector&) = delete;

    // From a finalizer.
    void collect(std::shared_ptr<VLJSBindingBase> instance);
    // Retires what is queued. On the JavaScript thread.
    void drain();
    // Retires what is queued and makes later collections retire at once.
    void close();

private:
    explicit VLJSBindingCollector(Post post) : _post(std::move(post)) {}

    const Post _post;
    std::mutex _lock; // guards _pending and _closed
    std::vector<std::shared_ptr<VLJSBindingBase>> _pending;
    bool _closed = false;
};
