#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

// Remembers which window numbers lie at the desktop (at most at the level of the desktop's icons), so
// that a stream of pointer moves over the desktop does not read the window list each time. A number
// the window list does not know counts as not at the desktop and is remembered too. Full at 256 answers:
// then it forgets them all before it takes a new one.
//
// Main thread only.
class VLDesktopWindowNumberCache final {
public:
    static constexpr size_t capacity = 256;

    // The process's cache.
    static VLDesktopWindowNumberCache& shared();

    bool isDesktopWindowNumber(int64_t windowNumber);
    size_t count() const { return _answers.size(); }

private:
    std::unordered_map<int64_t, bool> _answers;
};

// Through the process's cache.
bool VLIsDesktopWindowNumber(int64_t windowNumber);
