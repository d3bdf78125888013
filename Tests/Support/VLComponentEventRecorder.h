#pragma once

#include "Modules/Window/Component/VLComponentEventDelegate.h"
#include "Platform/Foundation/VLValue.h"

#include <string>
#include <utility>
#include <vector>

// The events a component fired, with their payloads, in order. Filled on the component thread; the test
// reads it once that thread has settled.
class VLComponentEventRecorder final : public VLComponentEventDelegate {
public:
    void component(VLComponent&, const std::string& name, const VLDictionary& params) override;

    std::vector<std::string> names() const;
    // The payloads of the events of that name.
    std::vector<VLDictionary> payloads(const std::string& name) const;

    std::vector<std::pair<std::string, VLDictionary>> fired;
};
