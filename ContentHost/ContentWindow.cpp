#include "ContentHost/ContentWindow.h"

#include "ContentHost/ContentHostReading.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWSWindowLevel.h"

ContentWindow ContentWindow::of(const VLWSWindow& window, bool isWidgetWindow) {
    ContentWindow record;
    record.number = window.windowNumber();
    record.level = window.level();
    if (record.level <= VLWSDesktopWindowLevel)
        record.kind = Kind::Desktop;
    else if (window.isPanel())
        record.kind = Kind::Overlay;
    else if (window.styleMask() & VLWSWindowStyleMaskTitled)
        record.kind = Kind::Panel;
    else
        record.kind = Kind::Widget;
    record.isWidgetWindow = isWidgetWindow;
    record.frame = window.frame();
    const auto& content = window.contentView();
    record.contentFrame =
        content ? window.convertRectToScreen(content->convertRectToView(content->bounds(), nullptr))
                : record.frame;
    if (const std::optional<VLWSScreen> screen = window.screen())
        record.displayId = screen->screenNumber().value_or(0);
    record.backingScaleFactor = window.backingScaleFactor();
    record.isVisible = window.isVisible();
    record.isUncovered = (window.occlusionState() & VLWSWindowOcclusionStateVisible) != 0;
    record.inLiveResize = window.inLiveResize();
    return record;
}

std::string_view ContentWindow::kindName(Kind kind) {
    switch (kind) {
    case Kind::Desktop:
        return "desktop";
    case Kind::Widget:
        return "widget";
    case Kind::Overlay:
        return "overlay";
    case Kind::Panel:
        return "panel";
    }
    return "widget";
}

VLDictionary ContentWindow::dictionary() const {
    VLDictionary result;
    result.reserve(11);
    result.set("number", number);
    result.set("kind", kindName(kind));
    result.set("widget", isWidgetWindow);
    result.set("frame", ContentHostReading::value(frame));
    result.set("contentFrame", ContentHostReading::value(contentFrame));
    if (displayId)
        result.set("display", int64_t(*displayId));
    result.set("scale", backingScaleFactor);
    result.set("level", int64_t(level));
    result.set("visible", isVisible);
    result.set("uncovered", isUncovered);
    result.set("liveResize", inLiveResize);
    return result;
}
