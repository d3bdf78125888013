#pragma once

#include <memory>
#include <mutex>

// A process-wide object that tests may put another in place of: the replacement while one is set,
// else the given default. Any thread.
template <typename T>
class VLReplaceable final {
public:
    std::shared_ptr<T> get(const std::shared_ptr<T>& fallback) const {
        std::lock_guard lock(_lock);
        return _replacement ? _replacement : fallback;
    }
    // nullptr brings back the default.
    void set(std::shared_ptr<T> replacement) {
        std::lock_guard lock(_lock);
        _replacement = std::move(replacement);
    }

private:
    mutable std::mutex _lock; // guards _replacement
    std::shared_ptr<T> _replacement;
};

// The default object of a replaceable, never destroyed: threads that live with the process still
// read it while the process exits.
template <typename T, typename Concrete>
const std::shared_ptr<T>& VLReplaceableDefault() {
    static const auto* object = new std::shared_ptr<T>(std::make_shared<Concrete>());
    return *object;
}
