#include "Core/Engine/Parts/VLTypeInfo.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>

std::string VLTypeName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(type.name());
}

// The Itanium ABI describes a class with one public non-virtual base by __si_class_type_info and any
// other class with bases by __vmi_class_type_info, whose base list carries the access of each base.
bool VLTypeIsPublicBaseOf(const std::type_info& base, const std::type_info& derived) {
    if (base == derived)
        return true;
    if (auto single = dynamic_cast<const abi::__si_class_type_info*>(&derived))
        return VLTypeIsPublicBaseOf(base, *single->__base_type);
    if (auto multiple = dynamic_cast<const abi::__vmi_class_type_info*>(&derived)) {
        const abi::__base_class_type_info* bases = multiple->__base_info;
        for (unsigned i = 0; i < multiple->__base_count; ++i) {
            if (bases[i].__is_public_p() && VLTypeIsPublicBaseOf(base, *bases[i].__base_type))
                return true;
        }
    }
    return false;
}
