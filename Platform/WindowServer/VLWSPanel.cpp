#include "Platform/WindowServer/VLWSPanel.h"

VLWSPanel::VLWSPanel(VLRect contentRect, uint64_t styleMask) : VLWSWindow(contentRect, styleMask) {
    setHidesOnDeactivate(true);
}
