#pragma once

#include "Platform/Foundation/VLValue.h"

#include <optional>

// A boolean or a number, as key-value coding reads one into a BOOL or numeric property (true is 1);
// nothing for a value of any other type.
std::optional<double> VLKeyValueNumber(const VLValue& value);
