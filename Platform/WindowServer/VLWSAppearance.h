#pragma once

#include <cstdint>
#include <functional>
#include <map>

// The application's effective appearance, aqua or dark aqua, and who observes it. Its first value is dark
// aqua when the user default "AppleInterfaceStyle" is "Dark". The driver sets it, and on a desktop session
// the window server has it follow the desktop's colour scheme.
//
// Owned by the window server. Main thread only; observers are called there.
class VLWSAppearance final {
public:
    enum class Name { Aqua, DarkAqua };
    using Observer = std::function<void(Name appearance)>;

    VLWSAppearance();
    VLWSAppearance(const VLWSAppearance&) = delete;
    VLWSAppearance& operator=(const VLWSAppearance&) = delete;

    Name effectiveAppearance() const { return _appearance; }

    // Answers a key for removeObserver(). With `initial`, the observer is called at once with the current
    // value; after that, on each change.
    uint64_t addObserver(Observer observer, bool initial);
    void removeObserver(uint64_t key);

    // Observers hear of a change only.
    void setAppearance(Name appearance);

private:
    Name _appearance;
    std::map<uint64_t, Observer> _observers;
    uint64_t _nextKey = 1;
};
