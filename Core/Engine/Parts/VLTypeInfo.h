#pragma once

#include <string>
#include <typeinfo>

// The readable name of a type: "VLLogServiceImpl" for a class of the global namespace.
std::string VLTypeName(const std::type_info& type);

// Whether `base` is `derived` itself or one of its public base classes, read from the run-time type
// information alone, so that a class can be asked about its protocols without making an instance.
bool VLTypeIsPublicBaseOf(const std::type_info& base, const std::type_info& derived);
