// ContentHostAgent: the performance overlay over a runtime's windows.
#include "ContentHost/ContentHostAgent.h"

#include "ContentHost/ContentHostReading.h"
#include "ContentHost/PerformanceHUDView.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

namespace {

// On top of the content view's other subviews: moved there unless it is there already.
void attach(const std::shared_ptr<PerformanceHUDView>& view, const std::shared_ptr<VLWSView>& content) {
    if (view->superview() == content.get() && content->subviews().back() == view)
        return;
    view->removeFromSuperview();
    content->addSubview(view);
}

} // namespace

void ContentHostAgent::hud(const VLDictionary& message, Hosted& entry) {
    const std::optional<std::vector<std::string>> lines = ContentHostReading::texts(message.get("lines"));
    const bool warning = ContentHostReading::boolean(message.get("warning")).value_or(false);
    // Without lines no window keeps an overlay.
    std::map<int64_t, std::shared_ptr<VLWSWindow>> targets;
    if (lines) {
        for (const std::shared_ptr<VLWSWindow>& window : VLWindowServer::shared()->windows()) {
            if (window->contentView() && VLRuntime::runtimeOwningWindow(*window) == entry.runtime)
                targets.emplace(window->windowNumber(), window);
        }
    }
    std::erase_if(entry.hudViews, [&](const auto& overlay) {
        if (targets.contains(overlay.first))
            return false;
        overlay.second->removeFromSuperview();
        return true;
    });
    for (const auto& [number, window] : targets) {
        std::shared_ptr<PerformanceHUDView>& view = entry.hudViews[number];
        if (!view)
            view = std::make_shared<PerformanceHUDView>();
        attach(view, window->contentView());
        view->setText(*lines, warning);
    }
}
