#pragma once

#include "Platform/WindowServer/VLWSWindow.h"

// A window that serves others: it never becomes main, and it hides while the application is inactive
// unless told otherwise. Only a panel's non-activating style bit has an effect.
class VLWSPanel : public VLWSWindow {
public:
    VLWSPanel(VLRect contentRect, uint64_t styleMask);

    bool isPanel() const override { return true; }
};
