#pragma once

#include <cstddef>
#include <list>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

// A small thread-safe cache that keeps at most countLimit entries; past the limit the least recently
// used entry makes room. Any thread; every call takes the cache's own mutex.
template <typename Key, typename Value, typename Hash = std::hash<Key>>
class VLCache {
public:
    explicit VLCache(size_t countLimit) : _countLimit(countLimit) {}
    VLCache(const VLCache&) = delete;
    VLCache& operator=(const VLCache&) = delete;

    std::optional<Value> objectForKey(const Key& key) {
        std::lock_guard lock(_mutex);
        auto found = _index.find(key);
        if (found == _index.end())
            return std::nullopt;
        _entries.splice(_entries.begin(), _entries, found->second);
        return found->second->second;
    }

    void setObjectForKey(Value value, const Key& key) {
        std::lock_guard lock(_mutex);
        if (_countLimit == 0)
            return;
        if (auto found = _index.find(key); found != _index.end()) {
            found->second->second = std::move(value);
            _entries.splice(_entries.begin(), _entries, found->second);
            return;
        }
        if (_entries.size() >= _countLimit) {
            _index.erase(_entries.back().first);
            _entries.pop_back();
        }
        _entries.emplace_front(key, std::move(value));
        _index.emplace(key, _entries.begin());
    }

    size_t count() {
        std::lock_guard lock(_mutex);
        return _entries.size();
    }

private:
    using Entries = std::list<std::pair<Key, Value>>;

    const size_t _countLimit;
    std::mutex _mutex; // guards the two members below
    Entries _entries;  // most recently used first
    std::unordered_map<Key, typename Entries::iterator, Hash> _index;
};
