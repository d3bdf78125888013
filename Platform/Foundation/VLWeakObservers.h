#pragma once

#include <algorithm>
#include <memory>
#include <vector>

// A list of observers held weakly, each once: adding drops the ones gone and skips one already there;
// removing drops it and the ones gone. Whoever owns the list serialises the calls.
template <typename Observer>
void VLAddWeakObserver(std::vector<std::weak_ptr<Observer>>& observers,
                       const std::weak_ptr<Observer>& observer) {
    std::erase_if(observers, [](const auto& held) { return held.expired(); });
    const auto same = [&](const auto& held) {
        return !held.owner_before(observer) && !observer.owner_before(held);
    };
    if (std::none_of(observers.begin(), observers.end(), same))
        observers.push_back(observer);
}

template <typename Observer>
void VLRemoveWeakObserver(std::vector<std::weak_ptr<Observer>>& observers,
                          const std::weak_ptr<Observer>& observer) {
    std::erase_if(observers, [&](const auto& held) {
        return held.expired() || (!held.owner_before(observer) && !observer.owner_before(held));
    });
}
