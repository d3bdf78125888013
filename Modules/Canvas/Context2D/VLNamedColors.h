#pragma once

#include "Modules/Canvas/Context2D/VLColorRGBA.h"

#include <span>
#include <string_view>

// One named colour: its ASCII lower-case name and value.
struct VLNamedColor {
    const char* name;
    VLColorRGBA color;
};

// The canvas's 149 named colours (the CSS keywords and "transparent"), sorted by name in byte order.
std::span<const VLNamedColor> VLNamedColors();

// The byte-wise order of the table.
int VLNamedColorCompare(std::string_view a, std::string_view b);

// The entry of exactly that (lower-case) name, by binary search; nullptr when none.
const VLNamedColor* VLNamedColorLookup(std::string_view name);
