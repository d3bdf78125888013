// Dashing of VLPath: each subpath cut into the pieces that the dash list turns on.

#include "Modules/Canvas/Context2D/VLCanvasState.h"
#include "Modules/Canvas/Context2D/VLPath.h"

#include <cmath>
#include <numeric>

namespace {

// Only offsets in this window shift the pattern; any other acts as none.
constexpr float kVLDashOffsetMin = 0.1f;
constexpr float kVLDashOffsetMax = 50;
// A subpath cut more often than this is stroked solid.
constexpr size_t kVLDashMaxSplits = 100000;

// Where the pattern starts: the entry, whether it draws, and the entries with the first partly used.
struct VLDashPhase {
    std::vector<double> entries;
    size_t index = 0;
    bool on = true;
};

VLDashPhase VLDashPhaseForOffset(const std::vector<double>& dashes, double total, float lineDashOffset) {
    double offset =
        lineDashOffset > kVLDashOffsetMin && lineDashOffset < kVLDashOffsetMax ? lineDashOffset : 0;
    if (total < offset)
        offset = std::fmod(offset, total);
    VLDashPhase phase{dashes, 0, true};
    // The offset is below the total, so the walk ends within two passes; the bound only guards rounding.
    for (size_t step = 0; step < 4 * dashes.size(); ++step) {
        double& entry = phase.entries[phase.index];
        if (entry > offset) {
            entry -= offset;
            break;
        }
        offset -= entry;
        entry = 0;
        phase.on = !phase.on;
        if (++phase.index == phase.entries.size()) {
            phase.entries = dashes;
            phase.index = 0;
        }
    }
    return phase;
}

// Walks one subpath through the pattern, from the phase on, appending the pieces that draw.
class VLDashWalker {
public:
    VLDashWalker(const VLDashPhase& phase, const std::vector<double>& dashes, std::vector<subpath_t>& pieces)
        : _phase(phase), _dashes(dashes), _pieces(pieces) {}

    // False when the subpath needs too many cuts.
    bool walk(const std::vector<VLVector2>& points) {
        _entries = &_phase.entries;
        _index = _phase.index;
        _on = _phase.on;
        _remaining = (*_entries)[_index];
        _piece.points.clear();
        if (_on)
            _piece.points.push_back(points[0]);
        size_t splits = 0;
        for (size_t i = 0; i + 1 < points.size(); ++i) {
            const VLVector2 a = points[i];
            const VLVector2 b = points[i + 1];
            const double length = std::hypot(double(b.x) - a.x, double(b.y) - a.y);
            double position = 0;
            while (length - position > _remaining) {
                position += _remaining;
                const double t = position / length;
                const VLVector2 cut(float(a.x + (double(b.x) - a.x) * t),
                                    float(a.y + (double(b.y) - a.y) * t));
                if (_on) {
                    append(cut);
                    emit();
                }
                _on = !_on;
                if (_on)
                    _piece.points.assign(1, cut);
                advance();
                if (++splits > kVLDashMaxSplits)
                    return false;
            }
            _remaining -= length - position;
            if (_on)
                append(b);
        }
        if (_on)
            emit();
        return true;
    }

private:
    void append(VLVector2 point) {
        if (_piece.points.empty() || !(_piece.points.back() == point))
            _piece.points.push_back(point);
    }

    void emit() {
        if (_piece.points.size() >= 2)
            _pieces.push_back(_piece);
        _piece.points.clear();
    }

    // The next entry: the phase's entries first, then the plain pattern round and round.
    void advance() {
        if (++_index == _entries->size()) {
            _entries = &_dashes;
            _index = 0;
        }
        _remaining = (*_entries)[_index];
    }

    const VLDashPhase& _phase;
    const std::vector<double>& _dashes;
    std::vector<subpath_t>& _pieces;
    const std::vector<double>* _entries = nullptr;
    size_t _index = 0;
    bool _on = true;
    double _remaining = 0;
    subpath_t _piece;
};

} // namespace

bool VLPath::createLineDashPath(const VLCanvasState& state, std::vector<subpath_t>& pieces) const {
    pieces.clear();
    std::vector<double> dashes = state.lineDash;
    const double total = std::accumulate(dashes.begin(), dashes.end(), 0.0);
    if (dashes.empty() || !(total > 0) || !std::isfinite(total))
        return false;
    VLDashPhase phase = VLDashPhaseForOffset(dashes, total, state.lineDashOffset);
    // The points are in device space, so the lengths follow the drawing scale.
    const double scale = VLPathScaleOf(state.transform);
    if (std::fabs(scale - 1) > 0.01) {
        for (double& dash : dashes)
            dash *= scale;
        for (double& entry : phase.entries)
            entry *= scale;
    }
    VLDashWalker walker(phase, dashes, pieces);
    const auto walk = [&](const subpath_t& subpath) {
        return subpath.points.size() < 2 || walker.walk(subpath.points);
    };
    for (const subpath_t& subpath : _paths) {
        if (!walk(subpath)) {
            pieces.clear();
            return false;
        }
    }
    if (!walk(_currentPath)) {
        pieces.clear();
        return false;
    }
    return true;
}
