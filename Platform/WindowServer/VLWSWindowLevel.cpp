#include "Platform/WindowServer/VLWSWindowLevel.h"

int32_t VLWSWindowLevelForKey(VLWSWindowLevelKey key) {
    switch (key) {
    case VLWSDesktopWindowLevelKey:
        return VLWSDesktopWindowLevel;
    case VLWSDesktopIconWindowLevelKey:
        return VLWSDesktopIconWindowLevel;
    case VLWSNormalWindowLevelKey:
        return VLWSNormalWindowLevel;
    case VLWSFloatingWindowLevelKey:
        return VLWSFloatingWindowLevel;
    case VLWSModalPanelWindowLevelKey:
        return VLWSModalPanelWindowLevel;
    case VLWSDockWindowLevelKey:
        return VLWSDockWindowLevel;
    }
    return VLWSNormalWindowLevel;
}
