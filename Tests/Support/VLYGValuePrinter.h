#pragma once

#include <yoga/YGValue.h>

#include <ostream>

// Lets GoogleTest show Yoga values as "50%", "10pt", "auto" or "undefined".
void PrintTo(const YGValue& value, std::ostream* out);
