#pragma once

#include "Modules/Canvas/Context2D/VLVector2.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

class VLCanvasPath2D;

// Reads SVG path data, on its UTF-16 code units, into path calls on a recording. It stops at the first
// letter that is no command or the first malformed number or flag, and keeps what came before; it never
// fails otherwise. Every code unit is looked at a bounded number of times, so hostile data parses in
// linear time. Used on one thread.
class VLSVGPathDataParser {
public:
    VLSVGPathDataParser(std::span<const uint16_t> data, VLCanvasPath2D& path) : _data(data), _path(path) {}

    void parse();

private:
    // One command's letter and its arguments; false stops parsing.
    bool command(uint16_t letter);
    bool lineCommand(uint16_t upper, bool relative);
    bool curveCommand(uint16_t upper, bool relative);
    bool arcCommand(bool relative);
    bool arcTo(VLVector2 radii, float rotation, bool largeArc, bool sweep, VLVector2 end);
    // After Z, the next segment first moves to the start of the closed subpath.
    void moveAfterClose();

    bool atEnd() const { return _pos >= _data.size(); }
    void skipWhitespace();
    void skipSeparator();
    std::optional<float> number();
    std::optional<bool> flag();
    // Reads `count` numbers into `values`; false at the first that fails.
    bool numbers(float* values, size_t count);
    // Reads a coordinate pair, relative to the current point for lowercase commands.
    std::optional<VLVector2> point(bool relative);

    std::span<const uint16_t> _data;
    VLCanvasPath2D& _path;
    size_t _pos = 0;
    // The previous command's letter, 0 before the first.
    uint16_t _previous = 0;
    VLVector2 _current;
    VLVector2 _subpathStart;
    // The last control point of a C/S or Q/T command, reflected by a following S or T.
    VLVector2 _control;
};
