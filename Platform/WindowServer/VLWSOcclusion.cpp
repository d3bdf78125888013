#include "Platform/WindowServer/VLWSOcclusion.h"

#include <pixman.h>

#include <algorithm>
#include <cmath>

namespace {

// Eighths of a point, kept well inside pixman's 32-bit coordinates.
constexpr double unitsPerPoint = 8;
constexpr double limit = 1 << 27;

int32_t units(double points, bool up) {
    const double scaled = points * unitsPerPoint;
    if (std::isnan(scaled))
        return 0;
    return static_cast<int32_t>(std::clamp(up ? std::ceil(scaled) : std::floor(scaled), -limit, limit));
}

// `outward` rounds the edges away from the middle, for what is looked at; covers round inward, so that a
// sliver left open by rounding is never taken for covered.
class Region {
public:
    Region() { pixman_region32_init(&_region); }
    Region(const VLRect& rect, bool outward) {
        const VLRect r = rect.standardized();
        const int32_t x1 = units(r.minX(), !outward), y1 = units(r.minY(), !outward);
        const int32_t x2 = units(r.maxX(), outward), y2 = units(r.maxY(), outward);
        if (rect.isEmpty() || x2 <= x1 || y2 <= y1)
            pixman_region32_init(&_region);
        else
            pixman_region32_init_rect(&_region, x1, y1, uint32_t(x2 - x1), uint32_t(y2 - y1));
    }
    ~Region() { pixman_region32_fini(&_region); }
    Region(const Region&) = delete;
    Region& operator=(const Region&) = delete;

    void add(const Region& other) { pixman_region32_union(&_region, &_region, &other._region); }
    void intersect(const Region& other) { pixman_region32_intersect(&_region, &_region, &other._region); }
    void subtract(const Region& other) { pixman_region32_subtract(&_region, &_region, &other._region); }
    bool isEmpty() const { return !pixman_region32_not_empty(&_region); }

private:
    pixman_region32_t _region;
};

} // namespace

std::vector<bool> VLWSVisibleWindows(const std::vector<VLWSOcclusionInput>& frontToBack,
                                     const std::vector<VLRect>& screens) {
    Region onScreens;
    for (const VLRect& screen : screens)
        onScreens.add(Region(screen, false));
    Region covered;
    std::vector<bool> visible;
    visible.reserve(frontToBack.size());
    for (const auto& window : frontToBack) {
        Region seen(window.frame, true);
        seen.intersect(onScreens);
        seen.subtract(covered);
        visible.push_back(!seen.isEmpty());
        if (window.covers)
            covered.add(Region(window.frame, false));
    }
    return visible;
}
