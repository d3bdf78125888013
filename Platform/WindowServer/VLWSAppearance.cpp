#include "Platform/WindowServer/VLWSAppearance.h"

#include "Platform/Foundation/VLUserDefaults.h"

#include <vector>

VLWSAppearance::VLWSAppearance() {
    const VLValue style = VLUserDefaults::standard().objectForKey("AppleInterfaceStyle");
    _appearance = style.isString() && style.stringValue() == "Dark" ? Name::DarkAqua : Name::Aqua;
}

uint64_t VLWSAppearance::addObserver(Observer observer, bool initial) {
    const uint64_t key = _nextKey++;
    _observers.emplace(key, observer);
    if (initial)
        observer(_appearance);
    return key;
}

void VLWSAppearance::removeObserver(uint64_t key) {
    _observers.erase(key);
}

void VLWSAppearance::setAppearance(Name appearance) {
    if (appearance == _appearance)
        return;
    _appearance = appearance;
    // A copy: observers may come and go while they are told.
    std::vector<Observer> observers;
    for (const auto& [key, observer] : _observers)
        observers.push_back(observer);
    for (const auto& observer : observers)
        observer(appearance);
}
