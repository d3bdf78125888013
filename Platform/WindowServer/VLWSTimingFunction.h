#pragma once

// The pace of an animation: a cubic Bézier curve from (0, 0) to (1, 1) through two control points, the
// fraction of time on x and the fraction of progress on y. A plain value; any thread.
class VLWSTimingFunction {
public:
    static constexpr VLWSTimingFunction linear() { return {0, 0, 1, 1}; }
    static constexpr VLWSTimingFunction easeIn() { return {0.42, 0, 1, 1}; }
    static constexpr VLWSTimingFunction easeOut() { return {0, 0, 0.58, 1}; }
    static constexpr VLWSTimingFunction easeInEaseOut() { return {0.42, 0, 0.58, 1}; }

    // x1 and x2 are kept within 0…1 so that the curve gives one progress for each time.
    constexpr VLWSTimingFunction(double x1, double y1, double x2, double y2)
        : _x1(clampUnit(x1)), _y1(y1), _x2(clampUnit(x2)), _y2(y2) {}

    // The progress at a fraction of the time; 0 before the start, 1 from the end on (and for NaN).
    double progress(double time) const;

    friend bool operator==(const VLWSTimingFunction&, const VLWSTimingFunction&) = default;

private:
    static constexpr double clampUnit(double value) { return value < 0 ? 0 : value > 1 ? 1 : value; }

    double _x1, _y1, _x2, _y2;
};
