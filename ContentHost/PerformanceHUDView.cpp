#include "ContentHost/PerformanceHUDView.h"

#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Graphics/VLCompositor.h"
#include "Platform/Text/VLFontCatalog.h"
#include "Platform/Text/VLTextBlock.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFontSize = 10;
constexpr int kMediumWeight = 500;
// Around the text on every side, and between the panel and the corner it sits in.
constexpr double kPadding = 4;
// The system's yellow.
constexpr VLColor kSystemYellowColor{1, 204.0 / 255, 0, 1};

// The panel's font, made once: nullptr when the system face cannot be opened. Main thread.
const std::shared_ptr<VLTextShaper>& hudShaper() {
    static const std::shared_ptr<VLTextShaper> shaper = []() -> std::shared_ptr<VLTextShaper> {
        std::unique_ptr<VLTextFont> font = VLTextFont::create(
            VLFontCatalog::shared().systemFace(VLFontSystemUI, false, kMediumWeight), kFontSize);
        return font ? std::make_shared<VLTextShaper>(std::move(font), std::vector<std::string>{"tnum"})
                    : nullptr;
    }();
    return shaper;
}

// Pixels along a side of `points`, within what the compositor takes.
uint32_t pixelsFor(double points, double scale) {
    return uint32_t(std::clamp(std::ceil(points * scale), 0.0, double(VLCompositor::kMaximumSide)));
}

} // namespace

PerformanceHUDView::PerformanceHUDView() = default;

PerformanceHUDView::~PerformanceHUDView() = default;

std::shared_ptr<VLWSLayer> PerformanceHUDView::makeBackingLayer() {
    auto layer = std::make_shared<VLWSLayer>();
    layer->update([](VLWSLayerProperties& properties) {
        properties.backgroundColor = VLColor(0, 0, 0, 0.7);
        properties.cornerRadius = 4;
    });
    return layer;
}

VLWSView* PerformanceHUDView::hitTest(VLPoint) {
    return nullptr;
}

void PerformanceHUDView::setText(const std::vector<std::string>& lines, bool warning) {
    std::string joined;
    for (size_t index = 0; index < lines.size(); ++index) {
        if (index > 0)
            joined += '\n';
        joined += lines[index];
    }
    _string = std::move(joined);
    _color = warning ? kSystemYellowColor : VLColor::whiteColor();
    const std::shared_ptr<VLTextShaper>& shaper = hudShaper();
    _text = shaper ? std::make_unique<VLTextBlock>(shaper, _string) : nullptr;
    if (!superview())
        return;
    place(_text ? _text->size() : VLSize{});
    display();
}

void PerformanceHUDView::place(VLSize textSize) {
    const VLSize size{std::ceil(textSize.width) + 2 * kPadding, std::ceil(textSize.height) + 2 * kPadding};
    VLWSView& parent = *superview();
    const VLRect bounds = parent.bounds();
    VLRect area = bounds;
    if (VLWSWindow* owner = window()) {
        if (const std::optional<VLWSScreen> screen = owner->screen()) {
            const VLRect visible =
                parent.convertRectFromView(owner->convertRectFromScreen(screen->visibleFrame), nullptr);
            const VLRect shown = bounds.intersection(visible);
            if (!shown.isEmpty())
                area = shown;
        }
    }
    const double x = std::max(area.maxX() - size.width - kPadding, area.minX());
    const bool flipped = parent.isFlipped();
    const double y = flipped ? area.minY() + kPadding : area.maxY() - size.height - kPadding;
    setFrame({x, y, size.width, size.height});
    // A flexible left margin and a flexible bottom one, as seen on the screen.
    setAutoresizingMask(flipped ? VLWSViewMinXMargin | VLWSViewMaxYMargin
                                : VLWSViewMinXMargin | VLWSViewMinYMargin);
}

void PerformanceHUDView::display() {
    const double scale = window() ? window()->backingScaleFactor() : 1;
    const uint32_t width = pixelsFor(frame().size.width, scale);
    uint32_t height = pixelsFor(frame().size.height, scale);
    if (width > 0)
        height = uint32_t(std::min<uint64_t>(height, VLCompositor::kMaximumPixels / width));
    std::shared_ptr<VLBitmap> bitmap;
    if (_text && !_string.empty() && width > 0 && height > 0)
        bitmap = VLBitmap::make(width, height);
    if (bitmap)
        _text->draw(bitmap->mutablePixels(), {kPadding, kPadding}, scale, _color);
    layer()->update([&](VLWSLayerProperties& properties) {
        properties.contents = bitmap;
        properties.contentsScale = scale;
        // A bitmap cut to the compositor's reach keeps its scale: it is not stretched over the frame.
        properties.contentsGravity = VLWSLayerContentsGravity::TopLeft;
    });
}
