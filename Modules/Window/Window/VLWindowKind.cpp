#include "Modules/Window/Window/VLWindowKind.h"

#include "Platform/Graphics/VLColor.h"
#include "Platform/WindowServer/VLWSPanel.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWSWindowLevel.h"

namespace {

constexpr uint64_t kCanJoinAllSpaces = 1 << 0;
constexpr uint64_t kStationary = 1 << 4;
constexpr uint64_t kIgnoresCycle = 1 << 6;
constexpr uint64_t kFullScreenAuxiliary = 1 << 8;
constexpr uint64_t kTitledWindow = VLWSWindowStyleMaskTitled | VLWSWindowStyleMaskClosable |
                                   VLWSWindowStyleMaskMiniaturizable | VLWSWindowStyleMaskResizable;

using enum VLWindowKind::Setting;

// clang-format off
const VLWindowKind kKinds[] = {
    {"desktop", false, kTitledWindow, VLWSWindowStyleMaskBorderless,
     VLWSDesktopWindowLevel - 1, kCanJoinAllSpaces | kStationary | kIgnoresCycle,
     NoShadow | ForwardsDesktopMouse, false},
    {"widget", false, kTitledWindow, VLWSWindowStyleMaskClosable | VLWSWindowStyleMaskMiniaturizable,
     VLWSDesktopIconWindowLevel + 1, kStationary,
     NoShadow | MovableByWindowBackground | Transparent, false},
    {"overlay", true, VLWSWindowStyleMaskNonactivatingPanel, std::nullopt,
     VLWSFloatingWindowLevel, kCanJoinAllSpaces | kStationary | kIgnoresCycle | kFullScreenAuxiliary,
     StaysOnDeactivate | NoShadow | Transparent | MovableByWindowBackground, false},
    {"panel", false, kTitledWindow, std::nullopt, VLWSModalPanelWindowLevel, std::nullopt, 0, true},
};
const VLWindowKind kUntyped = {nullptr, false, kTitledWindow, std::nullopt, std::nullopt, std::nullopt, 0, true};
// clang-format on

} // namespace

const VLWindowKind& VLWindowKind::forType(const std::optional<std::string>& type) {
    if (type) {
        for (const VLWindowKind& kind : kKinds)
            if (*type == kind.name)
                return kind;
    }
    return kUntyped;
}

std::shared_ptr<VLWSWindow> VLWindowKind::makeWindow() const {
    // The window server's classes stand in for the engine's own window and panel.
    const VLRect content{0, 0, 1, 1};
    if (isPanel)
        return std::make_shared<VLWSPanel>(content, initialStyleMask);
    return std::make_shared<VLWSWindow>(content, initialStyleMask);
}

void VLWindowKind::apply(VLWSWindow& window) const {
    if (level)
        window.setLevel(*level);
    if (collectionBehavior)
        window.setCollectionBehavior(*collectionBehavior);
    if (styleMask)
        window.setStyleMask(*styleMask);
    if (settings & StaysOnDeactivate)
        window.setHidesOnDeactivate(false);
    if (settings & NoShadow)
        window.setHasShadow(false);
    if (settings & Transparent) {
        window.setOpaque(false);
        window.setBackgroundColor(VLColor::clearColor());
    }
    if (settings & MovableByWindowBackground)
        window.setMovableByWindowBackground(true);
}
