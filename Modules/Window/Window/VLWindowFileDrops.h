#pragma once

#include "Platform/Foundation/VLRect.h"
#include "Platform/Foundation/VLValue.h"
#include "Platform/WindowServer/VLWSDraggingInfo.h"

#include <cstdint>
#include <optional>
#include <string>

class VLWindow;
class VLWSWindow;

// Files dragged over an overlay window that accepts them: "dragenter", "dragover", "dragleave" and
// "drop" inside its hit region, refused outside it. Part of its window; main thread only.
class VLWindowFileDrops final {
public:
    explicit VLWindowFileDrops(VLWindow& owner) : _owner(owner) {}

    static bool isDragEvent(const std::string& name);

    bool accepts() const { return _accepts; }
    // An overlay window accepts files while a drag event is listened and the runtime allows drops.
    void update();
    // What the platform window's drag of files does; see VLNSWindowFileDropDelegate.
    uint64_t dragWithType(VLWSWindow& window, const std::string& type, const VLWSDraggingInfo* info);

private:
    void stopAccepting();
    // Fires "dragleave" when the drag was inside.
    void leave();

    VLWindow& _owner;
    bool _accepts = false;
    bool _inside = false;
    std::optional<VLArray> _files;
    VLPoint _point;
    int64_t _sequence = 0;
};
