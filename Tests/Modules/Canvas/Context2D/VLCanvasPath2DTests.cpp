#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"
#include "Tests/Modules/Canvas/Context2D/VLRecordingPathBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(VLCanvasPath2DTests, ReplaysEveryKindInOrder) {
    VLCanvasPath2D path;
    path.moveToX(1, 2);
    path.lineToX(3, 4);
    path.rectX(0, 0, 5, 6);
    path.bezierCurveToCpx1(1, 2, 3, 4, 5, 6);
    path.quadraticCurveToCpx(1, 2, 3, 4);
    path.arcToX1(1, 2, 3, 4, 5);
    path.arcX(1, 2, 3, 0, 1, true);
    path.ellipseX(1, 2, 3, 4, 0.5f, 0, 1, false);
    const VLVector2 radii[4] = {{1, 2}, {3, 4}, {5, 6}, {7, 8}};
    path.roundRectX(0, 0, 20, 30, radii);
    path.closePath();
    EXPECT_EQ(VLRecordingPathBuilder::replayed(path),
              (VLRecordingPathBuilder::Calls{
                  "moveTo(1,2)", "lineTo(3,4)", "rect(0,0,5,6)", "bezierCurveTo(1,2,3,4,5,6)",
                  "quadraticCurveTo(1,2,3,4)", "arcTo(1,2,3,4,5)", "arc(1,2,3,0,1,1)",
                  "ellipse(1,2,3,4,0.5,0,1,0)", "roundRect(0,0,20,30,1,2,3,4,5,6,7,8)", "closePath()"}));
    // The anticlockwise byte and the corner pairs are where the record's layout puts them.
    EXPECT_EQ(path.operations()[6].anticlockwise, 1);
    EXPECT_EQ(path.operations()[8].args[8], 1);
    EXPECT_EQ(path.operations()[8].args[15], 8);
    EXPECT_EQ(path.operations()[8].args[4], 0);
}

TEST(VLCanvasPath2DTests, TransformsArePushedOverTheCurrentOneAndRestored) {
    VLCanvasPath2D inner;
    inner.lineToX(1, 1);
    VLCanvasPath2D path;
    path.moveToX(0, 0);
    path.addPath(inner, VLAffineTransform::translation(10, 0));
    path.lineToX(2, 2);
    const float pop[1] = {};
    path._add(VLCanvasPath2D::kPopTransform, pop, 0); // nothing pushed: ignored
    path._add(99, pop, 0);                            // unknown: skipped
    path.setPathTransform(VLAffineTransform::scale(3, 3));
    path.lineToX(4, 4);
    // Under a scale of 2, the added path is translated first, then scaled: tx = 10 · 2.
    EXPECT_EQ(VLRecordingPathBuilder::replayed(path, VLAffineTransform::scale(2, 2)),
              (VLRecordingPathBuilder::Calls{"moveTo(0,0) @2,0,0,2,0,0", "lineTo(1,1) @2,0,0,2,20,0",
                                             "lineTo(2,2) @2,0,0,2,0,0", "lineTo(4,4) @3,0,0,3,0,0"}));
}

TEST(VLCanvasPath2DTests, AddPathToItselfDoublesOnceAndTheIdentityRecordsNoPair) {
    VLCanvasPath2D path;
    path.moveToX(1, 1);
    path.lineToX(2, 2);
    path.addPath(path, VLAffineTransform::identity());
    EXPECT_EQ(VLRecordingPathBuilder::replayed(path),
              (VLRecordingPathBuilder::Calls{"moveTo(1,1)", "lineTo(2,2)", "moveTo(1,1)", "lineTo(2,2)"}));

    path.addPath(path, VLAffineTransform::scale(2, 1));
    ASSERT_EQ(path.operations().size(), 10u);
    EXPECT_EQ(path.operations()[4].kind, VLCanvasPath2D::kPushTransform);
    EXPECT_EQ(path.operations()[9].kind, VLCanvasPath2D::kPopTransform);
}

// Doubling a path thirty times would ask for a billion operations; it stops at the limit instead.
TEST(VLCanvasPath2DTests, SelfAdditionStopsAtTheLimit) {
    VLCanvasPath2D path;
    path.moveToX(0, 0);
    for (int i = 0; i < 30; ++i)
        path.addPath(path, VLAffineTransform::identity());
    EXPECT_EQ(path.operations().size(), VLCanvasPath2D::kMaxOperations);
    EXPECT_TRUE(path.isFull());
    path.lineToX(1, 1);
    EXPECT_EQ(path.operations().size(), VLCanvasPath2D::kMaxOperations);
    EXPECT_EQ(path.operations().back().kind, VLCanvasPath2D::kMoveTo);
}
