#pragma once

#include "Platform/Foundation/VLValue.h"

class VLYGLayout;

// Feeds a component's style dictionary into its layout node: the 43 layout keys, every one set on every
// update, so a key that leaves the style returns to its default. Keywords must be strings matching
// Yoga's names exactly; numbers and lengths go through the style converters; what does not convert
// takes the key's default. The gap keys pass undefined on, so a missing "rowGap" falls back to "gap".
//
// Runs on the thread that owns the node.
class VLComponentLayoutStyle {
public:
    VLComponentLayoutStyle() = delete;

    static void apply(VLYGLayout& layout, const VLDictionary& style);
};
