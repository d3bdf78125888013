#include "Core/Engine/Support/VLLocks.h"

#include <functional>
#include <string>
#include <unordered_map>

namespace {

// Key → lock, held weakly. Guarded by its own mutex; any thread. Made once and never destroyed, so a
// lock released during the process's exit still finds it.
class ResourceLockTable {
public:
    static ResourceLockTable& shared() {
        static ResourceLockTable* table = new ResourceLockTable();
        return *table;
    }

    std::shared_ptr<VLUnfairLock> lockForKey(std::string_view key) {
        std::lock_guard guard(_mutex);
        auto found = _locks.find(key);
        if (found != _locks.end()) {
            if (std::shared_ptr<VLUnfairLock> lock = found->second.lock())
                return lock;
        }
        std::shared_ptr<VLUnfairLock> lock(new VLUnfairLock(),
                                           [this, key = std::string(key)](VLUnfairLock* released) {
                                               forget(key);
                                               delete released;
                                           });
        _locks.insert_or_assign(std::string(key), lock);
        return lock;
    }

private:
    struct KeyHash {
        using is_transparent = void;
        size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    std::mutex _mutex;
    std::unordered_map<std::string, std::weak_ptr<VLUnfairLock>, KeyHash, std::equal_to<>> _locks;

    // By the time the last holder's release gets here, another caller may already have stored a new
    // lock for the key: only an entry that has expired is removed.
    void forget(const std::string& key) {
        std::lock_guard guard(_mutex);
        auto found = _locks.find(key);
        if (found != _locks.end() && found->second.expired())
            _locks.erase(found);
    }
};

} // namespace

std::shared_ptr<VLUnfairLock> VLCreateFastLock() {
    return std::make_shared<VLUnfairLock>();
}

std::shared_ptr<VLUnfairLock> VLGetResourceLock(std::string_view key) {
    return ResourceLockTable::shared().lockForKey(key);
}
