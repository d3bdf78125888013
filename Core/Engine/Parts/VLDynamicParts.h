#pragma once

// Adopted by every class that registers itself as a part, and the common root through which the
// registry hands out instances: a part's protocols are reached from it with dynamic_cast.
// A registered class also offers `static std::vector<VLPart> exports()` (see VLDynamicPartsDescriptor).
class VLDynamicParts {
public:
    virtual ~VLDynamicParts() = default;
};
