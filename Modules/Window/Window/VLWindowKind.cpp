#include "Modules/Window/Window/VLWindowKind.h"

#include "Modules/Window/Window/VLNSPanel.h"
#include "Modules/Window/Window/VLNSWindow.h"
#include "Platform/Graphics/VLColor.h"
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
    const VLRect content{0, 0, 1, 1};
    if (isPanel)
        return std::make_shared<VLNSPanel>(content, initialStyleMask);
    return std::make_shared<VLNSWindow>(content, initialStyleMask);
}

void VLWindowKind::apply(VLWSWindow& window,
                         const std::weak_ptr<VLNSWindowMouseEventDelegate>& mouseDelegate) const {
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
    if (auto* engineWindow = dynamic_cast<VLNSWindow*>(&window);
        engineWindow && (settings & ForwardsDesktopMouse))
        engineWindow->setMouseEventDelegate(mouseDelegate);
    if (settings & Transparent) {
        window.setOpaque(false);
        window.setBackgroundColor(VLColor::clearColor());
    }
    if (settings & MovableByWindowBackground)
        window.setMovableByWindowBackground(true);
}
