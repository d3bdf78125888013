#pragma once

#include "Modules/Window/Component/VLComponentEventDelegate.h"
#include "Platform/Foundation/VLValue.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

// The events a component fired, with their payloads, in order. Any thread: a window fires most events on
// its component thread but some on the main thread (occlusion), and they may come at the same time.
class VLComponentEventRecorder final : public VLComponentEventDelegate {
public:
    using Fired = std::pair<std::string, VLDictionary>;

    void component(VLComponent&, const std::string& name, const VLDictionary& params) override;

    std::vector<Fired> fired() const;
    std::vector<std::string> names() const;
    // The payloads of the events of that name.
    std::vector<VLDictionary> payloads(const std::string& name) const;
    void clear();

private:
    mutable std::mutex _lock; // guards _fired
    std::vector<Fired> _fired;
};
