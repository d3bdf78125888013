#include "Platform/WindowServer/VLWSKeyTap.h"

void VLWSKeyTap::hear(Happening happening, const VLWSEvent* event) {
    if (happening == Happening::DisabledByTimeout) {
        if (!isEnabled())
            return;
        _enabled = false;
    } else if (!isEnabled()) {
        return;
    }
    // A copy: the callback may invalidate the tap and let go of it.
    const Callback callback = _callback;
    callback(happening, event);
}
