#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"
#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Tests/Modules/Canvas/Context2D/VLCanvas2DPathTest.h"

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

constexpr int32_t kRound = 1;
constexpr int32_t kSquare = 2;
constexpr int32_t kBevel = 1;

using VLCanvas2DStrokeTest = VLCanvas2DPathTest;

TEST_F(VLCanvas2DStrokeTest, ATenPixelLineCoversRowsFortyFiveToFiftyFour) {
    onJSThread([&] {
        auto context = make();
        context->state()->lineWidth = 10;
        context->moveToX(10, 50);
        context->lineToX(90, 50);
        context->stroke();
        for (int row = 40; row < 60; ++row)
            EXPECT_EQ(context->pixel(50, row), row >= 45 && row <= 54 ? kRed : kClear) << "row " << row;
        // Butt ends stop at the points.
        expectCovered(*context, {{11, 50}, {88, 50}}, {{8, 50}, {91, 50}});
    });
}

TEST_F(VLCanvas2DStrokeTest, CapsReachHalfTheWidthAndOnlyWideLinesGetThem) {
    struct Case {
        const char* name;
        int32_t cap;
        std::initializer_list<std::pair<int, int>> covered;
        std::initializer_list<std::pair<int, int>> empty;
    };
    const Case cases[] = {
        {"butt", 0, {{21, 50}}, {{18, 50}, {81, 50}}},
        {"square", kSquare, {{16, 50}, {16, 46}, {83, 53}}, {{13, 50}, {86, 50}}},
        {"round", kRound, {{16, 50}, {83, 50}}, {{13, 50}, {86, 50}}},
    };
    onJSThread([&] {
        auto context = make();
        context->state()->lineWidth = 10;
        context->moveToX(20, 50);
        context->lineToX(80, 50);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            context->clearRectX(0, 0, 100, 100);
            context->state()->lineCap = c.cap;
            context->stroke();
            expectCovered(*context, c.covered, c.empty);
        }

        // A 1 px line is 3 device pixels wide at scale 3: only then does it get its caps.
        struct Scaled {
            float scale;
            int32_t cap;
            int triangles;
        };
        for (const Scaled s : {Scaled{1, kRound, 2}, Scaled{3, kRound, 4}, Scaled{3, kSquare, 6}}) {
            SCOPED_TRACE(testing::Message() << "scale " << s.scale << ", cap " << s.cap);
            context->state()->lineWidth = 1;
            context->state()->lineCap = s.cap;
            context->setTransformM11(s.scale, 0, 0, s.scale, 0, 0);
            context->beginPath();
            context->moveToX(10, 10);
            context->lineToX(20, 10);
            context->flushBuffers();
            VLDrawnTriangleCounter counter;
            context->stroke();
            context->flushBuffers();
            EXPECT_EQ(counter.triangles(), s.triangles);
        }
    });
}

TEST_F(VLCanvas2DStrokeTest, JoinsFillTheOuterCornerAsTheirKindAndLimitSay) {
    struct Case {
        const char* name;
        int32_t join;
        float miterLimit;
        bool tip;
        bool arc;
    };
    // A right angle at (50, 50), 40 px wide: the miter's corner is (30, 30), the round join's edge
    // crosses the diagonal at 35.9, the bevel's at 40.
    const Case cases[] = {
        {"miter", 0, 10, true, true},
        {"miter within its limit", 0, 1.5f, true, true},
        {"miter past its limit", 0, 1.4f, false, false},
        {"bevel", kBevel, 10, false, false},
        {"round", 2, 10, false, true},
    };
    onJSThread([&] {
        auto context = make();
        context->state()->lineWidth = 40;
        context->moveToX(50, 95);
        context->lineToX(50, 50);
        context->lineToX(95, 50);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            context->clearRectX(0, 0, 100, 100);
            context->state()->lineJoin = c.join;
            context->state()->miterLimit = c.miterLimit;
            context->stroke();
            EXPECT_EQ(context->pixel(31, 31)[3], c.tip ? 255 : 0);
            EXPECT_EQ(context->pixel(37, 37)[3], c.arc ? 255 : 0);
            EXPECT_EQ(context->pixel(42, 42)[3], 255);
        }
    });
}

TEST_F(VLCanvas2DStrokeTest, ARectanglesFourCornersAreAllJoined) {
    onJSThread([&] {
        auto context = make();
        context->state()->lineWidth = 10;
        const auto expectCorners = [&] {
            expectCovered(*context, {{16, 16}, {83, 16}, {83, 83}, {16, 83}}, {{13, 13}, {50, 50}});
        };
        context->rectX(20, 20, 60, 60);
        context->stroke();
        expectCorners();
        context->clearRectX(0, 0, 100, 100);
        context->beginPath();
        context->strokeRectX(20, 20, 60, 60);
        expectCorners();
        // strokeRect used a path of its own.
        context->stroke();
        context->flushBuffers();
        expectCovered(*context, {}, {{50, 50}});
    });
}

TEST_F(VLCanvas2DStrokeTest, ATranslucentStrokeBlendsOncePerPixelEvenWhereItCrossesItself) {
    onJSThread([&] {
        auto context = make();
        context->state()->lineWidth = 10;
        context->state()->strokeColor = {255, 0, 0, 128};
        context->moveToX(20, 50);
        context->lineToX(80, 50);
        context->moveToX(50, 20);
        context->lineToX(50, 80);
        double expected = 0;
        // Nine strokes: the stencil's bits run out after eight and are cleared for the ninth.
        for (int stroke = 1; stroke <= 9; ++stroke) {
            SCOPED_TRACE(testing::Message() << "stroke " << stroke);
            context->stroke();
            expected += 128 * (1 - expected / 255);
            const Pixel crossing = context->pixel(50, 50);
            EXPECT_NEAR(crossing[3], expected, 1);
            EXPECT_EQ(crossing, context->pixel(30, 50));
            EXPECT_EQ(crossing, context->pixel(50, 70));
        }
        EXPECT_EQ(context->stencilMask(), 2);
    });
}

TEST_F(VLCanvas2DStrokeTest, DashesFollowTheOffsetWindowTheScaleAndRestartForEachSubpath) {
    struct Case {
        const char* name;
        std::vector<double> dash;
        float offset;
        float scale;
        bool at5;
        bool at15;
        bool at25;
    };
    const Case cases[] = {
        {"plain", {10, 10}, 0, 1, true, false, true},
        {"offset 0.05 acts as none", {10, 10}, 0.05f, 1, true, false, true},
        {"offset 10 shifts", {10, 10}, 10, 1, false, true, false},
        {"offset 50 acts as none", {10, 10}, 50, 1, true, false, true},
        {"offset 100 acts as none", {10, 10}, 100, 1, true, false, true},
        {"scaled by 2", {10, 10}, 0, 2, true, true, false},
        {"all zero is solid", {0, 0}, 0, 1, true, true, true},
        {"too many cuts is solid", {0.0001, 0.0001}, 0, 1, true, true, true},
    };
    onJSThread([&] {
        auto context = make();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            context->clearRectX(0, 0, 100, 100);
            context->state()->lineWidth = 6 / c.scale;
            context->state()->lineDash = c.dash;
            context->state()->lineDashOffset = c.offset;
            context->setTransformM11(c.scale, 0, 0, c.scale, 0, 0);
            context->beginPath();
            context->moveToX(0, 50 / c.scale);
            context->lineToX(100 / c.scale, 50 / c.scale);
            context->stroke();
            context->setTransformM11(1, 0, 0, 1, 0, 0);
            EXPECT_EQ(context->pixel(5, 50)[3], c.at5 ? 255 : 0);
            EXPECT_EQ(context->pixel(15, 50)[3], c.at15 ? 255 : 0);
            EXPECT_EQ(context->pixel(25, 50)[3], c.at25 ? 255 : 0);
        }

        // The first line ends 15 into its pattern; the second starts afresh at 3: on until 13.
        context->clearRectX(0, 0, 100, 100);
        context->state()->lineDash = {10, 10};
        context->state()->lineDashOffset = 0;
        context->beginPath();
        context->moveToX(0, 30);
        context->lineToX(95, 30);
        context->moveToX(3, 70);
        context->lineToX(100, 70);
        context->stroke();
        expectCovered(*context, {{5, 70}, {11, 70}, {25, 70}}, {{15, 70}});
    });
}

TEST_F(VLCanvas2DStrokeTest, AbsurdWidthsDrawNothingOrEverythingWithBoundedRoundPieces) {
    onJSThread([&] {
        auto context = make();
        context->state()->lineJoin = 2;
        // A right turn at the centre whose lines run past the canvas's edges.
        context->moveToX(-50, 50);
        context->lineToX(50, 50);
        context->lineToX(50, -50);

        context->state()->lineWidth = std::numeric_limits<float>::quiet_NaN();
        context->stroke();
        expectCovered(*context, {}, {{30, 50}, {50, 50}, {50, 30}});

        context->state()->lineWidth = -3;
        context->stroke();

        context->clearRectX(0, 0, 100, 100);
        context->state()->lineWidth = 1e9f;
        context->flushBuffers();
        VLDrawnTriangleCounter counter;
        context->stroke();
        context->flushBuffers();
        // Two quads and one fan, which stops at its bound.
        EXPECT_EQ(counter.triangles(), 4 + 1024);
        expectCovered(*context, {{0, 0}, {99, 0}, {0, 99}, {99, 99}, {50, 50}}, {});
    });
}

using VLCanvas2DHitTest = VLCanvas2DPathTest;

TEST_F(VLCanvas2DHitTest, PointsInPathFollowTheRuleTheEdgesAndTheDeviceSpace) {
    onJSThread([&] {
        auto context = make();
        polygon(*context, {{10, 10}, {90, 10}, {90, 90}, {10, 90}});
        polygon(*context, {{30, 30}, {70, 30}, {70, 70}, {30, 70}});
        struct Case {
            double x;
            double y;
            bool nonzero;
            bool evenodd;
        };
        const double nan = std::numeric_limits<double>::quiet_NaN();
        for (const Case& c : {Case{20, 20, true, true}, Case{50, 50, true, false}, Case{10, 50, true, true},
                              Case{30, 50, true, true}, Case{5, 5, false, false}, Case{nan, 50, false, false},
                              Case{50, std::numeric_limits<double>::infinity(), false, false}}) {
            SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
            EXPECT_EQ(context->isPointInPath(nullptr, c.x, c.y, nullptr, ctx()), c.nonzero);
            EXPECT_EQ(context->isPointInPath(nullptr, c.x, c.y, evenOdd(), ctx()), c.evenodd);
        }

        // Points are tested where the path was drawn, after its transform.
        context->beginPath();
        context->scaleX(2, 2);
        context->rectX(10, 10, 10, 10);
        EXPECT_TRUE(context->isPointInPath(nullptr, 30, 30, nullptr, ctx()));
        EXPECT_FALSE(context->isPointInPath(nullptr, 15, 15, nullptr, ctx()));
    });
}

TEST_F(VLCanvas2DHitTest, AfterTheFirstTestPathsAreRecordedAndTestedPrecisely) {
    onJSThread([&] {
        auto context = make();
        // Halfway between two of the 32 corners that a radius of 40 is drawn with, just inside the circle.
        const double angle = std::numbers::pi / 32;
        const double x = 50 + 39.95 * std::cos(angle);
        const double y = 50 + 39.95 * std::sin(angle);
        context->arcX(50, 50, 40, 0, 2 * std::numbers::pi_v<float>, false);
        EXPECT_FALSE(context->isPointInPath(nullptr, x, y, nullptr, ctx()));
        context->beginPath();
        EXPECT_FALSE(context->isPointInPath(nullptr, 50, 50, nullptr, ctx()));
        context->arcX(50, 50, 40, 0, 2 * std::numbers::pi_v<float>, false);
        EXPECT_TRUE(context->isPointInPath(nullptr, x, y, nullptr, ctx()));
        EXPECT_TRUE(context->isPointInStroke(nullptr, 90, 50));
        // Drawing still uses the flattened path as before.
        context->fill(ctx(), nullptr);
        expectCovered(*context, {{50, 50}}, {});
    });
}

TEST_F(VLCanvas2DHitTest, PointsInStrokeFollowWidthTransformDashesAndMiterTips) {
    onJSThread([&] {
        auto context = make();
        VLCanvasState& state = *context->state();
        state.lineWidth = 10;
        context->moveToX(10, 50);
        context->lineToX(90, 50);
        EXPECT_TRUE(context->isPointInStroke(nullptr, 50, 54));
        EXPECT_FALSE(context->isPointInStroke(nullptr, 50, 56));
        EXPECT_FALSE(context->isPointInStroke(nullptr, std::numeric_limits<double>::quiet_NaN(), 50));
        state.lineWidth = 20;
        EXPECT_TRUE(context->isPointInStroke(nullptr, 50, 56));

        state.lineDash = {10, 10};
        EXPECT_TRUE(context->isPointInStroke(nullptr, 15, 50));
        EXPECT_FALSE(context->isPointInStroke(nullptr, 25, 50));
        state.lineDash.clear();

        context->beginPath();
        context->scaleX(2, 2);
        state.lineWidth = 4;
        context->moveToX(10, 25);
        context->lineToX(45, 25);
        EXPECT_TRUE(context->isPointInStroke(nullptr, 50, 53));
        EXPECT_FALSE(context->isPointInStroke(nullptr, 50, 55));
        context->setTransformM11(1, 0, 0, 1, 0, 0);

        // An apex at (50, 10) whose miter reaches up to y = -1.2; the bevel stops at y = 7.8.
        context->beginPath();
        state.lineWidth = 10;
        context->moveToX(10, 90);
        context->lineToX(50, 10);
        context->lineToX(90, 90);
        EXPECT_TRUE(context->isPointInStroke(nullptr, 50, 4));
        state.miterLimit = 2;
        EXPECT_FALSE(context->isPointInStroke(nullptr, 50, 4));
    });
}

TEST_F(VLCanvas2DHitTest, PointsInStrokeDrawNothingAndLeaveTheState) {
    onJSThread([&] {
        auto context = make();
        VLCanvasState& state = *context->state();
        state.lineWidth = 10;
        state.strokeColor = {0, 0, 255, 100};
        context->setGlobalAlpha(0.5f);
        context->setGlobalCompositeOperation(1);
        context->moveToX(10, 50);
        context->lineToX(90, 50);
        context->flushBuffers();
        const uint64_t version = context->contentVersion();
        const uint8_t stencilMask = context->stencilMask();
        EXPECT_TRUE(context->isPointInStroke(nullptr, 50, 50));
        EXPECT_EQ(context->contentVersion(), version);
        EXPECT_EQ(context->stencilMask(), stencilMask);
        EXPECT_EQ(state.strokeColor.packed(), VLColorRGBA(0, 0, 255, 100).packed());
        EXPECT_EQ(state.globalAlpha, 0.5f);
        EXPECT_EQ(state.globalCompositeOperation, 1);
        EXPECT_EQ(context->pixel(50, 50), kClear);
    });
}

using VLCanvas2DImageTest = VLCanvas2DPathTest;

TEST_F(VLCanvas2DImageTest, AnImageLandsUprightAtItsSizeAndScaled) {
    // Rows as GL takes them, the first at the top of the image: red, green / blue, white.
    const std::vector<uint8_t> pixels = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    const Pixel red = {255, 0, 0, 255};
    const Pixel green = {0, 255, 0, 255};
    const Pixel blue = {0, 0, 255, 255};
    const Pixel white = {255, 255, 255, 255};
    for (const bool upsideDown : {false, true}) {
        SCOPED_TRACE(upsideDown ? "upside down" : "upright");
        onJSThread([&] {
            auto context = make(100, {.upsideDown = upsideDown});
            std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithWidth(2, 2, pixels);
            context->setImageSmoothingEnabled(false);
            context->drawImage(texture, 0, 0, 2, 2, 0, 0, 2, 2);
            EXPECT_EQ(context->pixel(0, 0), red);
            EXPECT_EQ(context->pixel(1, 0), green);
            EXPECT_EQ(context->pixel(0, 1), blue);
            EXPECT_EQ(context->pixel(1, 1), white);
            context->drawImage(texture, 0, 0, 2, 2, 10, 10, 20, 20);
            EXPECT_EQ(context->pixel(12, 12), red);
            EXPECT_EQ(context->pixel(27, 12), green);
            EXPECT_EQ(context->pixel(12, 27), blue);
            EXPECT_EQ(context->pixel(27, 27), white);
            // Half the global alpha: the picture at half strength, premultiplied.
            context->clearRectX(0, 0, 100, 100);
            context->setGlobalAlpha(0.5f);
            context->drawImage(texture, 0, 0, 2, 2, 0, 0, 2, 2);
            const Pixel half = context->pixel(0, 0);
            EXPECT_NEAR(half[0], 127, 1);
            EXPECT_EQ(half[1], 0);
            EXPECT_NEAR(half[3], 127, 1);
        });
    }
}

} // namespace
