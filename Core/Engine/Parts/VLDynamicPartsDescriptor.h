#pragma once

#include "Core/Engine/Parts/VLPart.h"

#include <string>
#include <vector>

// The carrier of part registrations. A class registers itself, in its own source file, with
//   VL_EXPORT_PARTS(VLFontsModule);
// which records the class's `static std::vector<VLPart> exports()` under the name
// "_export_parts_VLFontsModule" at static initialisation. Registrations are listed sorted by that
// name, so the registry's order does not depend on the order in which the linker placed the files.
// A class registered twice fails to link; a class that does not exist fails to compile.
// A class whose only part is itself registers with VL_EXPORT_PART_CLASS(VLFontsModule) and needs no
// exports of its own (a static exports is inherited by subclasses, and would name the base class).
class VLDynamicPartsDescriptor {
public:
    VLDynamicPartsDescriptor() = delete;

    using Exports = std::vector<VLPart> (*)();
    struct Registration {
        std::string name; // "_export_parts_" and the class name
        Exports exports;
    };

    // Records a registration; returns true so that it can initialise a static. Any thread.
    static bool exportParts(const char* className, Exports exports);
    // Every registration so far, sorted by name.
    static std::vector<Registration> registrations();
    // The parts of all registrations, in registration order and then in the order of each exports list.
    static std::vector<VLPart> collectParts();
};

inline constexpr const char* VLDynamicPartsExportPrefix = "_export_parts_";

#define VL_EXPORT_PARTS(ClassName)                                                                           \
    extern const bool VLDynamicPartsDescriptor_export_parts_##ClassName;                                     \
    const bool VLDynamicPartsDescriptor_export_parts_##ClassName =                                           \
        VLDynamicPartsDescriptor::exportParts(#ClassName, [] { return ClassName::exports(); })

#define VL_EXPORT_PART_CLASS(ClassName)                                                                      \
    extern const bool VLDynamicPartsDescriptor_export_parts_##ClassName;                                     \
    const bool VLDynamicPartsDescriptor_export_parts_##ClassName = VLDynamicPartsDescriptor::exportParts(    \
        #ClassName, [] { return std::vector<VLPart>{VLPart::ofClass<ClassName>()}; })
