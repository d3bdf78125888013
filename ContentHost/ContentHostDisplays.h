#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

// The main application's display ids for the engine's, as "configure" gives them.
//
// Threads: "configure" replaces the map on the main queue; the engine asks from any thread; the lock
// guards the map.
class ContentHostDisplays {
public:
    // Consecutive pairs (engine id, application id), each cut to its low 32 bits; a later pair for the
    // same id wins and an odd last element is ignored.
    void replaceWithPairs(const std::vector<int64_t>& pairs);
    // The application's id, or the id itself when it gave none.
    uint32_t identifierFor(uint32_t engineDisplayId) const;

private:
    mutable std::mutex _lock;
    std::map<uint32_t, uint32_t> _ids;
};
