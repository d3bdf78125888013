#pragma once

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"
#include "Platform/Graphics/VLGLLoader.h"
#include "Tests/Support/VLCanvasRuntimeTest.h"
#include "Tests/Support/VLOffscreenCanvas2DContext.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

// Paths filled, clipped and stroked on a 100 × 100 offscreen canvas, read back pixel by pixel.
class VLCanvas2DPathTest : public VLCanvasRuntimeTest {
protected:
    using Pixel = std::array<uint8_t, 4>;
    static constexpr Pixel kRed = {255, 0, 0, 255};
    static constexpr Pixel kClear = {0, 0, 0, 0};

    std::shared_ptr<VLOffscreenCanvas2DContext> make(int16_t side = 100,
                                                     VLOffscreenCanvas2DContext::Options options = {}) {
        auto context = VLOffscreenCanvas2DContext::make(bindingContext(), side, side, options);
        context->state()->fillColor = {255, 0, 0, 255};
        context->state()->strokeColor = {255, 0, 0, 255};
        return context;
    }

    JSGlobalContextRef ctx() const { return bindingContext()->globalCtx(); }

    JSValueRef string(const char* text) const {
        JSStringRef string = JSStringCreateWithUTF8CString(text);
        JSValueRef value = JSValueMakeString(ctx(), string);
        JSStringRelease(string);
        return value;
    }
    JSValueRef evenOdd() const { return string("evenodd"); }

    static void polygon(VLCanvas2DRenderingContext& context,
                        std::initializer_list<std::pair<float, float>> points) {
        bool first = true;
        for (const auto& [x, y] : points) {
            if (first)
                context.moveToX(x, y);
            else
                context.lineToX(x, y);
            first = false;
        }
        context.closePath();
    }

    // Whether each pixel is covered (alpha 255) or untouched (alpha 0), as listed.
    static void expectCovered(VLOffscreenCanvas2DContext& context,
                              std::initializer_list<std::pair<int, int>> covered,
                              std::initializer_list<std::pair<int, int>> empty) {
        for (const auto& [x, y] : covered)
            EXPECT_EQ(context.pixel(x, y)[3], 255) << "(" << x << ", " << y << ") should be covered";
        for (const auto& [x, y] : empty)
            EXPECT_EQ(context.pixel(x, y)[3], 0) << "(" << x << ", " << y << ") should be empty";
    }
};

// Counts the triangles drawn by glDrawArrays while it lives, by standing in for the entry point.
class VLDrawnTriangleCounter {
public:
    VLDrawnTriangleCounter() {
        VLGLLoader::load();
        _original = glDrawArrays;
        _triangles = 0;
        glDrawArrays = &counting;
    }
    ~VLDrawnTriangleCounter() { glDrawArrays = _original; }
    VLDrawnTriangleCounter(const VLDrawnTriangleCounter&) = delete;
    VLDrawnTriangleCounter& operator=(const VLDrawnTriangleCounter&) = delete;

    int triangles() const { return _triangles; }

private:
    static void GL_APIENTRY counting(GLenum mode, GLint first, GLsizei count) {
        if (mode == GL_TRIANGLES)
            _triangles += count / 3;
        _original(mode, first, count);
    }

    static inline PFNGLDRAWARRAYSPROC _original = nullptr;
    static inline int _triangles = 0;
};
