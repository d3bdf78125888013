#pragma once

#include "Tests/Tools/velto/VLVeltoProcess.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

class VLBitmap;

// A run of the tool that writes a screenshot, and the screen as it was written: straight RGBA, or
// null when the file could not be read as a PNG.
class VLVeltoScreenshot {
public:
    using Pixel = std::array<uint8_t, 4>;
    struct Point {
        uint32_t x, y;
        Pixel colour;
    };

    // Runs `velto run --screenshot FILE` with the arguments (quoted for the shell) after it.
    explicit VLVeltoScreenshot(const std::string& arguments);

    const VLVeltoProcess::Outcome& outcome() const { return _outcome; }
    const std::shared_ptr<VLBitmap>& screen() const { return _screen; }
    // The pixel at the point of the screen, top left first: red, green, blue and alpha.
    Pixel pixel(uint32_t x, uint32_t y) const;
    // Expects each point of the screen to have its colour exactly.
    void expectColours(std::span<const Point> points) const;

private:
    VLVeltoProcess::Outcome _outcome;
    std::shared_ptr<VLBitmap> _screen;
};
