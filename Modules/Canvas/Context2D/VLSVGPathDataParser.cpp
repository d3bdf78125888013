#include "Modules/Canvas/Context2D/VLSVGPathDataParser.h"

#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"
#include "Platform/Foundation/VLCLocale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <numbers>
#include <string>

namespace {

bool svgPathIsWhitespace(uint16_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool svgPathIsDigit(uint16_t c) {
    return c >= '0' && c <= '9';
}

bool svgPathIsLetter(uint16_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Relative coordinates, mirrored control points and arc centres can leave the float range even though
// every number read is within it; such a segment ends parsing like a number out of range.
bool svgPathIsFinite(std::initializer_list<float> values) {
    return std::all_of(values.begin(), values.end(), [](float value) { return std::isfinite(value); });
}

uint16_t svgPathUpper(uint16_t letter) {
    return letter >= 'a' && letter <= 'z' ? uint16_t(letter - 'a' + 'A') : letter;
}

// The C library's reading of an ASCII number text, whatever the process's locale.
double svgPathConvertNumber(std::span<const uint16_t> text) {
    char small[64];
    std::string large;
    char* chars = small;
    if (text.size() >= sizeof small) {
        large.resize(text.size());
        chars = large.data();
    }
    std::copy(text.begin(), text.end(), chars);
    chars[text.size()] = '\0';
    return strtod_l(chars, nullptr, VLCLocale());
}

} // namespace

void VLSVGPathDataParser::parse() {
    for (;;) {
        skipWhitespace();
        if (atEnd())
            return;
        uint16_t letter = _data[_pos];
        if (svgPathIsLetter(letter)) {
            ++_pos;
        } else {
            // Numbers without a letter repeat the previous command; a move's repeats are lines.
            if (_previous == 0 || _previous == 'Z' || _previous == 'z')
                return;
            letter = _previous == 'M' ? 'L' : _previous == 'm' ? 'l' : _previous;
        }
        if (_previous == 0 && letter != 'M' && letter != 'm')
            return;
        if (!command(letter) || _path.isFull())
            return;
        _previous = letter;
    }
}

bool VLSVGPathDataParser::command(uint16_t letter) {
    const uint16_t upper = svgPathUpper(letter);
    const bool relative = letter != upper;
    switch (upper) {
    case 'M': {
        const std::optional<VLVector2> to = point(relative);
        if (!to || !svgPathIsFinite({to->x, to->y}))
            return false;
        _path.moveToX(to->x, to->y);
        _current = _subpathStart = *to;
        return true;
    }
    case 'L':
    case 'H':
    case 'V':
        return lineCommand(upper, relative);
    case 'C':
    case 'S':
    case 'Q':
    case 'T':
        return curveCommand(upper, relative);
    case 'A':
        return arcCommand(relative);
    case 'Z':
        _path.closePath();
        _current = _subpathStart;
        return true;
    default:
        return false;
    }
}

void VLSVGPathDataParser::moveAfterClose() {
    // A closed subpath's next segment starts a new subpath where the closed one began.
    if (_previous == 'Z' || _previous == 'z')
        _path.moveToX(_current.x, _current.y);
}

bool VLSVGPathDataParser::lineCommand(uint16_t upper, bool relative) {
    VLVector2 to = _current;
    if (upper == 'L') {
        const std::optional<VLVector2> read = point(relative);
        if (!read)
            return false;
        to = *read;
    } else {
        const std::optional<float> value = number();
        if (!value)
            return false;
        float& coordinate = upper == 'H' ? to.x : to.y;
        coordinate = relative ? coordinate + *value : *value;
    }
    if (!svgPathIsFinite({to.x, to.y}))
        return false;
    moveAfterClose();
    _path.lineToX(to.x, to.y);
    _current = to;
    return true;
}

bool VLSVGPathDataParser::curveCommand(uint16_t upper, bool relative) {
    const bool cubic = upper == 'C' || upper == 'S';
    const bool reflects = upper == 'S' || upper == 'T';
    // S and T mirror the previous control point only after a curve of their own kind.
    const uint16_t previous = svgPathUpper(_previous);
    const bool previousPairs =
        cubic ? previous == 'C' || previous == 'S' : previous == 'Q' || previous == 'T';
    VLVector2 first = previousPairs ? _current * 2 - _control : _current;
    if (!reflects) {
        const std::optional<VLVector2> read = point(relative);
        if (!read)
            return false;
        first = *read;
    }
    VLVector2 second = first;
    if (cubic) {
        const std::optional<VLVector2> read = point(relative);
        if (!read)
            return false;
        second = *read;
    }
    const std::optional<VLVector2> to = point(relative);
    if (!to || !svgPathIsFinite({first.x, first.y, second.x, second.y, to->x, to->y}))
        return false;
    moveAfterClose();
    if (cubic)
        _path.bezierCurveToCpx1(first.x, first.y, second.x, second.y, to->x, to->y);
    else
        _path.quadraticCurveToCpx(first.x, first.y, to->x, to->y);
    _control = second;
    _current = *to;
    return true;
}

bool VLSVGPathDataParser::arcCommand(bool relative) {
    float values[3];
    if (!numbers(values, 3))
        return false;
    const std::optional<bool> largeArc = flag();
    if (!largeArc)
        return false;
    const std::optional<bool> sweep = flag();
    if (!sweep)
        return false;
    const std::optional<VLVector2> to = point(relative);
    if (!to || !svgPathIsFinite({to->x, to->y}))
        return false;
    return arcTo({values[0], values[1]}, values[2], *largeArc, *sweep, *to);
}

bool VLSVGPathDataParser::arcTo(VLVector2 radii, float rotation, bool largeArc, bool sweep, VLVector2 end) {
    if (end == _current)
        return true;
    if (radii.x == 0 || radii.y == 0) {
        moveAfterClose();
        _path.lineToX(end.x, end.y);
        _current = end;
        return true;
    }
    // The endpoint form turned into the centre form, in double precision.
    constexpr double kPi = std::numbers::pi;
    double rx = std::fabs(double(radii.x));
    double ry = std::fabs(double(radii.y));
    const double phi = std::fmod(double(rotation), 360.0) * kPi / 180.0;
    const double cosPhi = std::cos(phi);
    const double sinPhi = std::sin(phi);
    const double halfX = (double(_current.x) - end.x) / 2;
    const double halfY = (double(_current.y) - end.y) / 2;
    const double x1 = cosPhi * halfX + sinPhi * halfY;
    const double y1 = -sinPhi * halfX + cosPhi * halfY;
    // Radii too small to reach the end point grow until they just do.
    const double lambda = x1 * x1 / (rx * rx) + y1 * y1 / (ry * ry);
    if (lambda > 1) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    const double rx2 = rx * rx;
    const double ry2 = ry * ry;
    const double divisor = rx2 * y1 * y1 + ry2 * x1 * x1;
    double coefficient = divisor == 0 ? 0 : std::sqrt(std::max((rx2 * ry2 - divisor) / divisor, 0.0));
    if (largeArc == sweep)
        coefficient = -coefficient;
    const double cx1 = coefficient * rx * y1 / ry;
    const double cy1 = -coefficient * ry * x1 / rx;
    const double cx = cosPhi * cx1 - sinPhi * cy1 + (double(_current.x) + end.x) / 2;
    const double cy = sinPhi * cx1 + cosPhi * cy1 + (double(_current.y) + end.y) / 2;
    const double theta1 = std::atan2((y1 - cy1) / ry, (x1 - cx1) / rx);
    double delta = std::atan2((-y1 - cy1) / ry, (-x1 - cx1) / rx) - theta1;
    if (sweep && delta < 0)
        delta += 2 * kPi;
    else if (!sweep && delta > 0)
        delta -= 2 * kPi;
    const float centreX = float(cx), centreY = float(cy), radiusX = float(rx), radiusY = float(ry);
    const float start = float(theta1), stop = float(theta1 + delta);
    if (!svgPathIsFinite({centreX, centreY, radiusX, radiusY, start, stop}))
        return false;
    moveAfterClose();
    _path.ellipseX(centreX, centreY, radiusX, radiusY, float(phi), start, stop, !sweep);
    _current = end;
    return true;
}

void VLSVGPathDataParser::skipWhitespace() {
    while (!atEnd() && svgPathIsWhitespace(_data[_pos]))
        ++_pos;
}

void VLSVGPathDataParser::skipSeparator() {
    skipWhitespace();
    if (!atEnd() && _data[_pos] == ',') {
        ++_pos;
        skipWhitespace();
    }
}

std::optional<float> VLSVGPathDataParser::number() {
    const size_t restart = _pos;
    skipWhitespace();
    const size_t start = _pos;
    if (!atEnd() && (_data[_pos] == '+' || _data[_pos] == '-'))
        ++_pos;
    size_t digits = 0;
    auto skipDigits = [&] {
        const size_t from = _pos;
        while (!atEnd() && svgPathIsDigit(_data[_pos]))
            ++_pos;
        return _pos - from;
    };
    digits += skipDigits();
    if (!atEnd() && _data[_pos] == '.') {
        ++_pos;
        digits += skipDigits();
    }
    if (digits == 0) {
        _pos = restart;
        return std::nullopt;
    }
    // An exponent only when a digit follows it: in "1e" or "2em" the letter is the next command.
    if (!atEnd() && (_data[_pos] == 'e' || _data[_pos] == 'E')) {
        size_t exponent = _pos + 1;
        if (exponent < _data.size() && (_data[exponent] == '+' || _data[exponent] == '-'))
            ++exponent;
        if (exponent < _data.size() && svgPathIsDigit(_data[exponent])) {
            _pos = exponent;
            skipDigits();
        }
    }
    // Beyond the float range is as unusable as beyond the double range: the path's calls need finite floats.
    const float value = float(svgPathConvertNumber(_data.subspan(start, _pos - start)));
    if (!std::isfinite(value)) {
        _pos = restart;
        return std::nullopt;
    }
    skipSeparator();
    return value;
}

std::optional<bool> VLSVGPathDataParser::flag() {
    const size_t restart = _pos;
    skipWhitespace();
    if (atEnd() || (_data[_pos] != '0' && _data[_pos] != '1')) {
        _pos = restart;
        return std::nullopt;
    }
    const bool value = _data[_pos++] == '1';
    skipSeparator();
    return value;
}

bool VLSVGPathDataParser::numbers(float* values, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const std::optional<float> value = number();
        if (!value)
            return false;
        values[i] = *value;
    }
    return true;
}

std::optional<VLVector2> VLSVGPathDataParser::point(bool relative) {
    float values[2];
    if (!numbers(values, 2))
        return std::nullopt;
    const VLVector2 read(values[0], values[1]);
    return relative ? _current + read : read;
}
