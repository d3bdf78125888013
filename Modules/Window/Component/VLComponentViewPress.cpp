#include "Modules/Window/Component/VLComponentViewPress.h"

#include <cmath>
#include <utility>

namespace {

// Farther than this from the start, a press is a drag and no longer a click.
constexpr double VLComponentViewPressClickSlop = 3.0;

} // namespace

void VLComponentViewPress::follow(VLPoint position) {
    if (!_moved && std::hypot(position.x - _start.x, position.y - _start.y) > VLComponentViewPressClickSlop)
        _moved = true;
}

std::optional<VLDictionary> VLComponentViewPress::takeHeldDown() {
    return std::exchange(_heldDown, std::nullopt);
}
