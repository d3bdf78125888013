#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"

#include <algorithm>
#include <mutex>

namespace {

// Filled during static initialisation, before main; read afterwards.
struct RegistrationTable {
    std::mutex lock;
    std::vector<VLDynamicPartsDescriptor::Registration> entries;
};

RegistrationTable& registrationTable() {
    static RegistrationTable table;
    return table;
}

} // namespace

bool VLDynamicPartsDescriptor::exportParts(const char* className, Exports exports) {
    RegistrationTable& table = registrationTable();
    std::lock_guard guard(table.lock);
    table.entries.push_back({std::string(VLDynamicPartsExportPrefix) + className, exports});
    return true;
}

std::vector<VLDynamicPartsDescriptor::Registration> VLDynamicPartsDescriptor::registrations() {
    RegistrationTable& table = registrationTable();
    std::vector<Registration> sorted;
    {
        std::lock_guard guard(table.lock);
        sorted = table.entries;
    }
    std::ranges::sort(sorted, {}, &Registration::name);
    return sorted;
}

std::vector<VLPart> VLDynamicPartsDescriptor::collectParts() {
    std::vector<VLPart> parts;
    for (const Registration& registration : registrations()) {
        std::vector<VLPart> exported = registration.exports();
        parts.insert(parts.end(), exported.begin(), exported.end());
    }
    return parts;
}
