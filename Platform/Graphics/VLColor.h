#pragma once

#include <string>

// A colour in sRGB: red, green, blue and alpha, each in 0...1 (not premultiplied). The default is clear.
// A plain value, so it may be copied freely between threads.
struct VLColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 0;

    // Constructors rather than an aggregate, so that both parentheses and braces build one with any compiler.
    constexpr VLColor() = default;
    constexpr VLColor(double red, double green, double blue, double alpha)
        : red(red), green(green), blue(blue), alpha(alpha) {}

    // A grey of that level, opaque.
    static constexpr VLColor grey(double white) { return {white, white, white, 1}; }

    // The platform's named colours, which are not always the CSS colours of the same names.
    static constexpr VLColor blackColor() { return grey(0); }
    static constexpr VLColor whiteColor() { return grey(1); }
    static constexpr VLColor grayColor() { return grey(0.5); }
    static constexpr VLColor lightGrayColor() { return grey(2.0 / 3.0); }
    static constexpr VLColor darkGrayColor() { return grey(1.0 / 3.0); }
    static constexpr VLColor redColor() { return {1, 0, 0, 1}; }
    static constexpr VLColor yellowColor() { return {1, 1, 0, 1}; }
    static constexpr VLColor blueColor() { return {0, 0, 1, 1}; }
    static constexpr VLColor cyanColor() { return {0, 1, 1, 1}; }
    static constexpr VLColor magentaColor() { return {1, 0, 1, 1}; }
    static constexpr VLColor orangeColor() { return {1, 0.5, 0, 1}; }
    static constexpr VLColor purpleColor() { return {0.5, 0, 0.5, 1}; }
    static constexpr VLColor brownColor() { return {0.6, 0.4, 0.2, 1}; }
    static constexpr VLColor clearColor() { return {0, 0, 0, 0}; }

    // "rgba(r, g, b, a)" with the components in 0...1, for messages and test failures.
    std::string description() const;

    friend bool operator==(const VLColor&, const VLColor&) = default;
};
