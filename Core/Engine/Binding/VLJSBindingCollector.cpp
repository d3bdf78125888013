#include "Core/Engine/Binding/VLJSBindingCollector.h"

#include "Core/Engine/Binding/VLJSBindingBase.h"

std::shared_ptr<VLJSBindingCollector> VLJSBindingCollector::create(Post post) {
    return std::shared_ptr<VLJSBindingCollector>(new VLJSBindingCollector(std::move(post)));
}

VLJSBindingCollector::~VLJSBindingCollector() {
    close();
}

void VLJSBindingCollector::collect(std::shared_ptr<VLJSBindingBase> instance) {
    {
        std::unique_lock lock(_lock);
        if (!_closed) {
            _pending.push_back(std::move(instance));
            if (_pending.size() > 1)
                return; // a drain is on its way
            lock.unlock();
            // Without a thread to drain them, the queued instances wait for close().
            _post([weak = weak_from_this()] {
                if (auto self = weak.lock())
                    self->drain();
            });
            return;
        }
    }
    instance->retire();
}

void VLJSBindingCollector::drain() {
    std::vector<std::shared_ptr<VLJSBindingBase>> collected;
    {
        std::lock_guard lock(_lock);
        collected.swap(_pending);
    }
    for (const auto& instance : collected)
        instance->retire();
}

void VLJSBindingCollector::close() {
    {
        std::lock_guard lock(_lock);
        _closed = true;
    }
    drain();
}
