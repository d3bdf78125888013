#pragma once

#include <memory>

// One weak reference as a value: what a map keyed by an object's address keeps beside its entry, so that
// an entry left behind by an object that went can be told from one for a new object at the same address.
template <class T>
struct Weak {
    std::weak_ptr<T> object;

    // Whether the reference still names exactly this object.
    bool refersTo(const T* candidate) const {
        const std::shared_ptr<T> held = object.lock();
        return held && held.get() == candidate;
    }
};
