#include "Tests/Support/VLComponentEventRecorder.h"

void VLComponentEventRecorder::component(VLComponent&, const std::string& name, const VLDictionary& params) {
    std::lock_guard lock(_lock);
    _fired.emplace_back(name, params);
}

std::vector<VLComponentEventRecorder::Fired> VLComponentEventRecorder::fired() const {
    std::lock_guard lock(_lock);
    return _fired;
}

std::vector<std::string> VLComponentEventRecorder::names() const {
    std::vector<std::string> names;
    for (const auto& [name, params] : fired())
        names.push_back(name);
    return names;
}

std::vector<VLDictionary> VLComponentEventRecorder::payloads(const std::string& name) const {
    std::vector<VLDictionary> payloads;
    for (const auto& [firedName, params] : fired())
        if (firedName == name)
            payloads.push_back(params);
    return payloads;
}

void VLComponentEventRecorder::clear() {
    std::lock_guard lock(_lock);
    _fired.clear();
}
