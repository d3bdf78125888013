#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"
#include "Tests/Modules/Canvas/Context2D/VLCanvas2DPathTest.h"

#include <numbers>

namespace {

using VLCanvas2DFillTest = VLCanvas2DPathTest;

TEST_F(VLCanvas2DFillTest, NestedSquaresFillByTheirWindingUnderEachRule) {
    struct Case {
        const char* name;
        bool innerReversed;
        bool evenOdd;
        bool centreFilled;
    };
    const Case cases[] = {
        {"same way, nonzero", false, false, true},
        {"same way, evenodd", false, true, false},
        {"reversed, nonzero", true, false, false},
        {"reversed, evenodd", true, true, false},
    };
    onJSThread([&] {
        auto context = make();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            context->clearRectX(0, 0, 100, 100);
            context->beginPath();
            polygon(*context, {{10, 10}, {90, 10}, {90, 90}, {10, 90}});
            if (c.innerReversed)
                polygon(*context, {{30, 30}, {30, 70}, {70, 70}, {70, 30}});
            else
                polygon(*context, {{30, 30}, {70, 30}, {70, 70}, {30, 70}});
            context->fill(ctx(), c.evenOdd ? evenOdd() : nullptr);
            expectCovered(*context, {{20, 20}, {80, 50}}, {{5, 5}, {95, 50}});
            EXPECT_EQ(context->pixel(50, 50), c.centreFilled ? kRed : kClear);
        }
    });
}

TEST_F(VLCanvas2DFillTest, APentagramsCentreIsFilledOnlyUnderNonzero) {
    onJSThread([&] {
        auto context = make();
        for (const bool odd : {false, true}) {
            SCOPED_TRACE(odd ? "evenodd" : "nonzero");
            context->clearRectX(0, 0, 100, 100);
            context->beginPath();
            // Every second point of a regular pentagon of radius 40, from the top.
            for (int i = 0; i < 5; ++i) {
                const float angle =
                    -std::numbers::pi_v<float> / 2 + float(i) * 4 * std::numbers::pi_v<float> / 5;
                const float x = 50 + 40 * std::cos(angle);
                const float y = 50 + 40 * std::sin(angle);
                if (i == 0)
                    context->moveToX(x, y);
                else
                    context->lineToX(x, y);
            }
            context->closePath();
            // An unknown rule is nonzero.
            context->fill(ctx(), odd ? evenOdd() : string("EvenOdd"));
            expectCovered(*context, {{50, 20}}, {{50, 95}});
            EXPECT_EQ(context->pixel(50, 50)[3], odd ? 0 : 255);
        }
    });
}

TEST_F(VLCanvas2DFillTest, CirclesHalvesEllipsesAndMirroredRoundRectsFillTheirShapes) {
    struct Case {
        const char* name;
        void (*build)(VLCanvas2DRenderingContext&);
        std::initializer_list<std::pair<int, int>> covered;
        std::initializer_list<std::pair<int, int>> empty;
    };
    const Case cases[] = {
        {"circle",
         [](VLCanvas2DRenderingContext& c) { c.arcX(50, 50, 30, 0, 2 * std::numbers::pi_v<float>, false); },
         {{50, 50}, {50, 22}, {22, 50}, {77, 50}},
         {{50, 17}, {17, 50}, {82, 50}, {25, 25}}},
        {"lower half, clockwise",
         [](VLCanvas2DRenderingContext& c) { c.arcX(50, 50, 30, 0, std::numbers::pi_v<float>, false); },
         {{50, 70}, {25, 53}},
         {{50, 30}, {50, 47}}},
        {"upper half, anticlockwise",
         [](VLCanvas2DRenderingContext& c) { c.arcX(50, 50, 30, 0, std::numbers::pi_v<float>, true); },
         {{50, 30}, {25, 46}},
         {{50, 70}, {50, 52}}},
        {"ellipse",
         [](VLCanvas2DRenderingContext& c) {
             c.ellipseX(50, 50, 40, 10, 0, 0, 2 * std::numbers::pi_v<float>, false);
         },
         {{50, 50}, {86, 50}, {50, 42}, {50, 57}},
         {{50, 37}, {50, 62}, {92, 50}}},
        {"rotated ellipse",
         [](VLCanvas2DRenderingContext& c) {
             c.ellipseX(50, 50, 40, 10, std::numbers::pi_v<float> / 2, 0, 2 * std::numbers::pi_v<float>,
                        false);
         },
         {{50, 14}, {50, 86}},
         {{14, 50}, {86, 50}}},
        // Mirrored by its negative width, the rounded rectangle runs the other way: a hole in the square.
        {"roundRect of negative width in a square",
         [](VLCanvas2DRenderingContext& c) {
             c.rectX(10, 10, 80, 80);
             const VLVector2 radii[4] = {{10, 10}, {0, 0}, {0, 0}, {0, 0}};
             c.roundRectX(70, 30, -40, 40, radii);
         },
         {{20, 20}, {69, 31}},
         {{50, 50}, {32, 32}, {5, 5}}},
    };
    onJSThread([&] {
        auto context = make();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            context->clearRectX(0, 0, 100, 100);
            context->beginPath();
            c.build(*context);
            context->fill(ctx(), nullptr);
            expectCovered(*context, c.covered, c.empty);
        }
    });
}

TEST_F(VLCanvas2DFillTest, PathsOfFewerThanThreePointsDrawNothing) {
    onJSThread([&] {
        auto context = make();
        context->moveToX(10, 10);
        context->lineToX(90, 90);
        context->moveToX(50, 10);
        context->fill(ctx(), nullptr);
        EXPECT_EQ(context->stencilBuffer(), 0u);
        expectCovered(*context, {}, {{50, 50}, {10, 10}, {89, 89}});
    });
}

using VLCanvas2DClipTest = VLCanvas2DPathTest;

TEST_F(VLCanvas2DClipTest, TwoClipsIntersectAndResetClipRemovesBoth) {
    onJSThread([&] {
        auto context = make();
        context->rectX(0, 0, 60, 100);
        context->clip(ctx(), nullptr);
        context->beginPath();
        context->rectX(40, 0, 60, 100);
        context->clip(ctx(), nullptr);
        context->fillRectX(0, 0, 100, 100);
        expectCovered(*context, {{42, 50}, {57, 50}}, {{37, 50}, {62, 50}});
        context->resetClip();
        context->fillRectX(0, 0, 100, 100);
        expectCovered(*context, {{37, 50}, {62, 50}, {0, 0}, {99, 99}}, {});
    });
}

TEST_F(VLCanvas2DClipTest, RestoreRebuildsOnlyAClipThatDiffersFromTheOneBelow) {
    onJSThread([&] {
        auto context = make();
        // No clip below: the clip goes, and nothing is drawn to put another back.
        context->save();
        context->rectX(0, 0, 50, 100);
        context->clip(ctx(), nullptr);
        context->flushBuffers();
        uint64_t version = context->contentVersion();
        context->restore();
        EXPECT_EQ(context->contentVersion(), version);
        context->fillRectX(0, 0, 100, 100);
        expectCovered(*context, {{25, 50}, {75, 50}}, {});

        // The left half below, the left top quarter above: the left half comes back whole.
        context->clearRectX(0, 0, 100, 100);
        context->beginPath();
        context->rectX(0, 0, 50, 100);
        context->clip(ctx(), nullptr);
        context->save();
        context->beginPath();
        context->rectX(0, 0, 100, 50);
        context->clip(ctx(), nullptr);
        context->restore();
        context->fillRectX(0, 0, 100, 100);
        expectCovered(*context, {{25, 25}, {25, 75}}, {{75, 25}, {75, 75}});

        // The same clip below: the depth buffer is left alone.
        context->save();
        context->flushBuffers();
        version = context->contentVersion();
        context->restore();
        EXPECT_EQ(context->contentVersion(), version);
        context->clearRectX(0, 0, 100, 100);
        context->fillRectX(0, 0, 100, 100);
        expectCovered(*context, {{25, 75}}, {{75, 75}});
    });
}

TEST_F(VLCanvas2DClipTest, ClearRectClearsOnlyInsideTheClip) {
    onJSThread([&] {
        auto context = make();
        context->fillRectX(0, 0, 100, 100);
        context->rectX(0, 0, 50, 100);
        context->clip(ctx(), nullptr);
        context->clearRectX(0, 0, 100, 100);
        expectCovered(*context, {{75, 50}}, {{25, 50}});
    });
}

TEST_F(VLCanvas2DClipTest, AClipFollowsTheTransformAndSurvivesAResize) {
    onJSThread([&] {
        auto context = make();
        // A square turned 45° about the centre: a diamond reaching 28.3 px from it.
        context->translateX(50, 50);
        context->rotate(std::numbers::pi_v<float> / 4);
        context->rectX(-20, -20, 40, 40);
        context->clip(ctx(), nullptr);
        context->setTransformM11(1, 0, 0, 1, 0, 0);
        context->fillRectX(0, 0, 100, 100);
        expectCovered(*context, {{50, 50}, {50, 25}, {74, 50}}, {{30, 30}, {70, 70}, {50, 19}});

        // The resize clears the canvas and drops the depth buffer; the clip is drawn into the new one.
        context->setWidth(120);
        context->fillRectX(0, 0, 120, 100);
        expectCovered(*context, {{50, 50}, {50, 25}}, {{30, 30}, {110, 50}});
    });
}

TEST_F(VLCanvas2DClipTest, AClipWithoutAreaClipsEverythingAway) {
    onJSThread([&] {
        auto context = make();
        context->moveToX(0, 0);
        context->lineToX(100, 100);
        context->clip(ctx(), nullptr);
        context->fillRectX(0, 0, 100, 100);
        expectCovered(*context, {}, {{50, 50}, {10, 80}});
        context->resetClip();
        context->fillRectX(0, 0, 100, 100);
        expectCovered(*context, {{50, 50}, {10, 80}}, {});
    });
}

using VLCanvas2DPath2DTest = VLCanvas2DPathTest;

TEST_F(VLCanvas2DPath2DTest, FillStrokeAndClipWithARecordedPathLeaveTheCurrentPathAlone) {
    onJSThread([&] {
        auto context = make();
        VLCanvasPath2D recorded;
        recorded.rectX(60, 60, 30, 30);
        context->rectX(10, 10, 30, 30);

        context->fill(ctx(), nullptr, &recorded);
        expectCovered(*context, {{75, 75}}, {{25, 25}});
        context->fill(ctx(), nullptr);
        expectCovered(*context, {{25, 25}}, {{50, 50}});

        context->clearRectX(0, 0, 100, 100);
        context->state()->lineWidth = 4;
        context->strokePath(&recorded);
        expectCovered(*context, {{60, 75}}, {{10, 25}, {75, 75}});
        context->stroke();
        expectCovered(*context, {{10, 25}}, {});

        context->clearRectX(0, 0, 100, 100);
        context->clip(ctx(), nullptr, &recorded);
        context->fill(ctx(), nullptr);
        expectCovered(*context, {}, {{25, 25}, {75, 75}});
        context->fillRectX(0, 0, 100, 100);
        expectCovered(*context, {{75, 75}}, {{25, 25}});
    });
}

TEST_F(VLCanvas2DPath2DTest, AnAddedPathsTransformComesBeforeTheContexts) {
    onJSThread([&] {
        auto context = make();
        VLCanvasPath2D square;
        square.rectX(0, 0, 10, 10);
        VLCanvasPath2D placed;
        placed.addPath(square, VLAffineTransform(2, 0, 0, 2, 40, 40));

        context->fill(ctx(), nullptr, &placed);
        expectCovered(*context, {{42, 42}, {57, 57}}, {{37, 50}, {62, 50}});

        context->clearRectX(0, 0, 100, 100);
        context->translateX(10, 0);
        context->fill(ctx(), nullptr, &placed);
        expectCovered(*context, {{52, 50}, {67, 50}}, {{47, 50}, {72, 50}});
        // And the context's own transform is back afterwards.
        context->clearRectX(-10, 0, 100, 100);
        context->fillRectX(0, 0, 5, 5);
        expectCovered(*context, {{12, 2}}, {{2, 2}});
    });
}

} // namespace
