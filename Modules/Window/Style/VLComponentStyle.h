#pragma once

#include <string_view>
#include <unordered_set>

// A component's style is a dictionary from these names to numbers or strings, replaced whole on every
// change and converted when applied. There are no shorthand names. Made once; any thread.
const std::unordered_set<std::string_view>& VLComponentStyleNames();

// The decimal number that the whole text holds, white space around it allowed; NaN for anything else
// ("12px", "0x10", "inf").
double VLComponentStyleNumberFromString(std::string_view text);
