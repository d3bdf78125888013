#pragma once

#include "Platform/Foundation/VLAffineTransform.h"
#include "Platform/Graphics/VLColor.h"
#include "Platform/WindowServer/VLWSTimingFunction.h"

#include <string>
#include <variant>
#include <vector>

using VLWSAnimationValue = std::variant<double, VLPoint, VLSize, VLRect, VLAffineTransform, VLColor>;

// An animation of one layer property through key values. Layers keep them by key so that they can be
// read back; the compositor draws the layers' own values, not animated ones. A plain value.
struct VLWSAnimation {
    // The property, by its platform name ("transform", "opacity", ...).
    std::string keyPath;
    std::vector<VLWSAnimationValue> values;
    // Fractions of the duration, one per value; empty: evenly spaced.
    std::vector<double> keyTimes;
    // One per interval between values; empty: linear.
    std::vector<VLWSTimingFunction> timingFunctions;
    // Seconds.
    double duration = 0;

    friend bool operator==(const VLWSAnimation&, const VLWSAnimation&) = default;
};
