#pragma once

#include "Platform/Foundation/VLRect.h"
#include "Platform/Foundation/VLSize.h"

#include <cstdint>

struct VLWSScreen;

// One display, named by its id. Every property is read from the window server at each call, so a
// screen kept across a change answers for the display as it is now; a display that went away answers
// zeros and false. Any thread.
class VLScreen final {
public:
    explicit VLScreen(uint32_t displayId) : _displayId(displayId) {}

    uint32_t displayId() const { return _displayId; }
    // The identifier the main application pairs with the display; the display id without a provider.
    uint32_t identifier() const;

    bool isActive() const;
    bool isAsleep() const;
    bool isOnline() const;
    bool isMain() const;
    bool isBuiltin() const;
    // Mirrors another display or is mirrored by one.
    bool isInMirrorSet() const;

    // Points, global display coordinates: the main display's top-left corner at 0,0, y downwards.
    VLRect bounds() const;
    // The bounds less the menu bar and the Dock, as the screen manager last computed them.
    VLRect visibleFrame() const;
    // Pixels of the current mode; the bounds at the display's scale when the mode cannot be read.
    VLSize resolution() const;
    // Millimetres.
    VLSize physicalSize() const;

private:
    // One property of the display as last published, or `absent` when there is no such display.
    template <typename Value, typename Read>
    Value read(Read read, Value absent) const;

    const uint32_t _displayId;
};
