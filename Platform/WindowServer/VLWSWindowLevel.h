#pragma once

#include <cstdint>

// The keys of the platform's window levels that the engine asks for, with the platform's numbers.
enum VLWSWindowLevelKey : int32_t {
    VLWSDesktopWindowLevelKey = 2,
    VLWSNormalWindowLevelKey = 4,
    VLWSFloatingWindowLevelKey = 5,
    VLWSDockWindowLevelKey = 7,
    VLWSModalPanelWindowLevelKey = 10,
    VLWSDesktopIconWindowLevelKey = 18,
};

// The platform's levels at run time. Higher levels lie in front.
inline constexpr int32_t VLWSDesktopWindowLevel = -2147483623;
inline constexpr int32_t VLWSDesktopIconWindowLevel = -2147483603;
inline constexpr int32_t VLWSNormalWindowLevel = 0;
inline constexpr int32_t VLWSFloatingWindowLevel = 3;
inline constexpr int32_t VLWSModalPanelWindowLevel = 8;
inline constexpr int32_t VLWSDockWindowLevel = 20;

// The level of a key; the normal level for a key not listed above.
int32_t VLWSWindowLevelForKey(VLWSWindowLevelKey key);
