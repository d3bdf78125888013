#include "Modules/Canvas/Context2D/VLPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace {

// "(x,y) (x,y) ..." with two decimals, and " closed" for a closed subpath.
std::string describe(const subpath_t& subpath) {
    std::string text;
    for (const VLVector2& point : subpath.points) {
        char item[64];
        std::snprintf(item, sizeof item, "%s(%.2f,%.2f)", text.empty() ? "" : " ", double(point.x) + 0.0,
                      double(point.y) + 0.0);
        text += item;
    }
    return subpath.isClosed ? text + " closed" : text;
}

// Every finished subpath, then the current one, one a line.
std::string describe(const VLPath& path) {
    std::string text;
    for (const subpath_t& subpath : path.paths())
        text += describe(subpath) + "\n";
    return text + "current " + describe(path.currentPath());
}

// Twice the signed area of the polygon: its sign gives the direction the points run.
double signedArea(const std::vector<VLVector2>& points) {
    double area = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const VLVector2 a = points[i];
        const VLVector2 b = points[(i + 1) % points.size()];
        area += double(a.x) * b.y - double(b.x) * a.y;
    }
    return area;
}

std::vector<VLVector2> sortedPoints(std::vector<VLVector2> points) {
    std::sort(points.begin(), points.end(),
              [](VLVector2 a, VLVector2 b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

// The points of one arc drawn into a fresh path with the given transform and precision.
std::vector<VLVector2> arcPoints(float radius, float start, float end, bool antiClockwise,
                                 VLAffineTransform transform = {}, bool precise = false) {
    VLPath path;
    path.setTransform(transform);
    path.setPrecise(precise);
    path.arcX(0, 0, radius, start, end, antiClockwise);
    return path.currentPath().points;
}

TEST(VLPathTests, PointsAreStoredOnceAndLoneMovesLeaveNoSubpath) {
    VLPath path;
    path.moveToX(5, 5);
    path.moveToX(1, 1);
    path.lineToX(1, 1);
    path.lineToX(2, 2);
    path.lineToX(2, 2);
    path.moveToX(7, 7);
    EXPECT_EQ(describe(path), "(1.00,1.00) (2.00,2.00)\ncurrent (7.00,7.00)");
    EXPECT_EQ(path.longestSubpath(), 2u);
    EXPECT_EQ(path.minPos(), VLVector2(1, 1));
    EXPECT_EQ(path.maxPos(), VLVector2(7, 7));

    path.reset();
    EXPECT_EQ(describe(path), "current ");
    EXPECT_EQ(path.minPos().x, std::numeric_limits<float>::infinity());
    EXPECT_EQ(path.maxPos().y, -std::numeric_limits<float>::infinity());
}

TEST(VLPathTests, PointsAreTransformedIntoDeviceSpace) {
    VLPath path;
    path.setTransform(VLAffineTransform::translation(10, 20).scaledBy(2, 3));
    path.moveToX(1, 1);
    path.lineToX(2, 0);
    EXPECT_EQ(describe(path), "current (12.00,23.00) (14.00,20.00)");
}

TEST(VLPathTests, ACommandAfterCloseStartsAtTheClosedSubpathsFirstPoint) {
    VLPath path;
    path.moveToX(0, 0);
    path.lineToX(10, 0);
    path.lineToX(10, 10);
    path.close();
    path.lineToX(20, 20);
    EXPECT_EQ(describe(path), "(0.00,0.00) (10.00,0.00) (10.00,10.00) (0.00,0.00) closed\n"
                              "current (0.00,0.00) (20.00,20.00)");
    EXPECT_EQ(path.currentPos(), VLVector2(20, 20));

    // A move forgets the closed subpath; closing an empty subpath does nothing.
    path.close();
    path.moveToX(5, 5);
    path.close();
    path.close();
    path.lineToX(6, 6);
    EXPECT_EQ(describe(path.currentPath()), "(5.00,5.00) (6.00,6.00)");
}

TEST(VLPathTests, ArcToDrawsALineWhenThereIsNoCornerToRound) {
    struct Case {
        const char* name;
        float x2, y2, radius;
        const char* expected;
    };
    for (const Case& c : {Case{"collinear", 20, 0, 5, "(0.00,0.00) (10.00,0.00)"},
                          Case{"backwards", -5, 0, 5, "(0.00,0.00) (10.00,0.00)"},
                          Case{"radius 0", 10, 10, 0, "(0.00,0.00) (10.00,0.00)"}}) {
        VLPath path;
        path.moveToX(0, 0);
        path.arcToX1(10, 0, c.x2, c.y2, c.radius);
        EXPECT_EQ(describe(path.currentPath()), c.expected) << c.name;
    }
}

TEST(VLPathTests, ArcToRoundsTheCornerBetweenItsTangentPoints) {
    VLPath path;
    path.setTransform(VLAffineTransform::scale(2, 2));
    path.moveToX(0, 0);
    path.arcToX1(10, 0, 10, 10, 5);
    const std::vector<VLVector2>& points = path.currentPath().points;
    ASSERT_GT(points.size(), 3u);
    // Device space: the tangent points (5, 0) and (10, 5) are doubled; every arc point lies 10 from (10, 10).
    EXPECT_NEAR(points[1].x, 10, 1e-4);
    EXPECT_NEAR(points[1].y, 0, 1e-4);
    EXPECT_NEAR(points.back().x, 20, 1e-4);
    EXPECT_NEAR(points.back().y, 10, 1e-4);
    for (size_t i = 1; i < points.size(); ++i)
        EXPECT_NEAR(std::hypot(points[i].x - 10, points[i].y - 10), 10, 1e-4);
    EXPECT_TRUE(path.currentPath().hasEndTangent);
}

TEST(VLPathTests, ArcSweepsFollowTheirDirection) {
    // A full circle closes exactly on its first point; so does any sweep of a whole turn or more.
    const std::vector<VLVector2> circle = arcPoints(10, 0, 2 * std::numbers::pi_v<float>, false);
    ASSERT_EQ(circle.size(), 21u);
    EXPECT_EQ(circle.front(), circle.back());
    EXPECT_EQ(arcPoints(10, 0, 4 * std::numbers::pi_v<float>, false), circle);

    struct Case {
        const char* name;
        float start, end;
        bool antiClockwise;
        VLVector2 first, last;
        float middleY;
    };
    for (const Case& c :
         {Case{"clockwise pi to 0", std::numbers::pi_v<float>, 0, false, {-10, 0}, {10, 0}, -10},
          Case{"anticlockwise 0 to pi", 0, std::numbers::pi_v<float>, true, {10, 0}, {-10, 0}, -10},
          Case{"clockwise 0 to pi", 0, std::numbers::pi_v<float>, false, {10, 0}, {-10, 0}, 10}}) {
        const std::vector<VLVector2> points = arcPoints(10, c.start, c.end, c.antiClockwise);
        ASSERT_EQ(points.size(), 21u) << c.name;
        EXPECT_NEAR(points.front().x, c.first.x, 1e-4) << c.name;
        EXPECT_NEAR(points.front().y, c.first.y, 1e-4) << c.name;
        EXPECT_NEAR(points.back().x, c.last.x, 1e-4) << c.name;
        EXPECT_NEAR(points.back().y, c.last.y, 1e-4) << c.name;
        EXPECT_NEAR(points[10].y, c.middleY, 1e-4) << c.name;
    }
}

TEST(VLPathTests, ArcSegmentCountsFollowSizeAndPrecision) {
    // Even a sliver of an arc gets the 20 segments; a large circle gets at most 64.
    EXPECT_EQ(arcPoints(10, 0, 0.001f, false).size(), 21u);
    EXPECT_EQ(arcPoints(1e4f, 0, 2 * std::numbers::pi_v<float>, false).size(), 64u);
    EXPECT_EQ(arcPoints(10, 1, 1, false).size(), 1u);

    for (const float radius : {0.001f, 5.0f, 100.0f, 2000.0f}) {
        const double step = radius > 0.01 ? 2 * std::acos(1 - 0.01 / radius) : std::numbers::pi;
        const double wanted = std::ceil(double(std::numbers::pi_v<float>) / step);
        const size_t expected = size_t(std::min(16384.0, std::max(20.0, wanted)));
        EXPECT_EQ(arcPoints(radius, 0, std::numbers::pi_v<float>, false, {}, true).size(), expected + 1)
            << radius;
    }
    EXPECT_EQ(arcPoints(1e6f, 0, 2 * std::numbers::pi_v<float>, false, {}, true).size(), 16385u);
}

TEST(VLPathTests, AbsurdRadiiAndScalesEndWithBoundedPoints) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        float radius;
        VLAffineTransform transform;
        size_t fewest, most;
    };
    for (const bool precise : {false, true}) {
        for (const Case& c :
             {Case{"radius 1e30", 1e30f, {}, 2, 16385},
              Case{"infinite radius", std::numeric_limits<float>::infinity(), {}, 1, 1},
              Case{"NaN radius", nan, {}, 1, 1},
              Case{"NaN scale", 10, VLAffineTransform(std::nan(""), 0, 0, 1, 0, 0), 1, 1},
              Case{"infinite scale", 10, VLAffineTransform(infinity, 0, 0, 1, 0, 0), 1, 1},
              Case{"negative infinite scale", 10, VLAffineTransform(-infinity, 0, 0, 1, 0, 0), 1, 1},
              Case{"huge scale", 10, VLAffineTransform(1e300, 0, 0, 1e300, 0, 0), 1, 16385}}) {
            VLPath path;
            path.setTransform(c.transform);
            path.setPrecise(precise);
            path.moveToX(1, 1);
            path.arcX(0, 0, c.radius, 0, 2 * std::numbers::pi_v<float>, false);
            path.ellipseX(0, 0, c.radius, 1, 0.5f, 0, 2 * std::numbers::pi_v<float>, true);
            path.bezierCurveToCpx1(0, c.radius, c.radius, c.radius, c.radius, 0, float(c.transform.a));
            path.quadraticCurveToCpx(c.radius, c.radius, 0, c.radius, float(c.transform.a));
            path.arcToX1(c.radius, 0, c.radius, c.radius, c.radius);
            const VLVector2 radii[4] = {{c.radius, c.radius}, {nan, 1}, {1, 1}, {c.radius, 0}};
            path.roundRectX(0, 0, c.radius, -c.radius, radii);
            const size_t count =
                arcPoints(c.radius, 0, 2 * std::numbers::pi_v<float>, false, c.transform, precise).size();
            EXPECT_GE(count, c.fewest) << c.name << (precise ? ", precise" : "");
            EXPECT_LE(count, c.most) << c.name << (precise ? ", precise" : "");
        }
    }
}

TEST(VLPathTests, RoundRectWithANegativeWidthMirrorsItsRadiiAndRunsTheOtherWay) {
    const VLVector2 radii[4] = {{1, 1}, {2, 2}, {3, 3}, {4, 4}};
    const VLVector2 mirrored[4] = {radii[1], radii[0], radii[3], radii[2]};
    VLPath forwards;
    forwards.roundRectX(0, 0, 10, 10, mirrored);
    VLPath backwards;
    backwards.roundRectX(10, 0, -10, 10, radii);

    ASSERT_EQ(backwards.paths().size(), 1u);
    const subpath_t& shape = backwards.paths()[0];
    EXPECT_TRUE(shape.isClosed);
    EXPECT_EQ(sortedPoints(shape.points), sortedPoints(forwards.paths()[0].points));
    EXPECT_GT(signedArea(forwards.paths()[0].points), 0);
    EXPECT_LT(signedArea(shape.points), 0);
    // The rectangle is followed by a move to the corner given, before normalising.
    EXPECT_EQ(describe(backwards.currentPath()), "(10.00,0.00)");
    // Both negative: mirrored twice, and the same direction again.
    VLPath both;
    both.roundRectX(10, 10, -10, -10, radii);
    EXPECT_GT(signedArea(both.paths()[0].points), 0);
}

TEST(VLPathTests, RoundRectRadiiShrinkToFitAndZeroRadiiGiveARectangle) {
    const VLVector2 none[4] = {};
    VLPath path;
    path.roundRectX(0, 0, 10, 5, none);
    EXPECT_EQ(describe(path), "(0.00,0.00) (10.00,0.00) (10.00,5.00) (0.00,5.00) (0.00,0.00) closed\n"
                              "current (0.00,0.00)");

    // Radii of 10 on a 10-wide square scale by a half: the top edge is a single point.
    const VLVector2 large[4] = {{10, 10}, {10, 10}, {10, 10}, {10, 10}};
    path.reset();
    path.roundRectX(0, 0, 10, 10, large);
    for (const VLVector2& point : path.paths()[0].points)
        EXPECT_NEAR(std::hypot(point.x - 5, point.y - 5), 5, 1e-4);
}

TEST(VLPathTests, CurvesGainPointsWithScaleAndPrecision) {
    const auto countFor = [](float scale, bool precise) {
        VLPath path;
        path.setPrecise(precise);
        path.moveToX(0, 0);
        path.bezierCurveToCpx1(0, 100, 100, 100, 100, 0, scale);
        const size_t cubic = path.currentPath().points.size();
        path.reset();
        path.moveToX(0, 0);
        path.quadraticCurveToCpx(50, 100, 100, 0, scale);
        return std::make_pair(cubic, path.currentPath().points.size());
    };
    const auto coarse = countFor(0.25f, false);
    const auto plain = countFor(1, false);
    const auto zoomed = countFor(4, false);
    const auto precise = countFor(1, true);
    EXPECT_GT(coarse.first, 2u);
    EXPECT_LT(coarse.first, plain.first);
    EXPECT_LT(plain.first, zoomed.first);
    EXPECT_LT(zoomed.first, precise.first);
    EXPECT_LT(coarse.second, plain.second);
    EXPECT_LT(plain.second, zoomed.second);
    EXPECT_LT(zoomed.second, precise.second);
}

TEST(VLPathTests, CurvePointsLieOnTheCurveAndCarryItsTangents) {
    VLPath path;
    path.moveToX(0, 0);
    path.bezierCurveToCpx1(0, 0, 100, 100, 100, 0, 1);
    const subpath_t& cubic = path.currentPath();
    // The first control point coincides with the start: the tangent falls to the second.
    EXPECT_TRUE(cubic.hasStartTangent);
    EXPECT_EQ(cubic.startTangent, VLVector2(100, 100));
    EXPECT_TRUE(cubic.hasEndTangent);
    EXPECT_EQ(cubic.endTangent, VLVector2(0, -100));
    EXPECT_EQ(cubic.points.back(), VLVector2(100, 0));
    // Flattened points are points of the curve, whose y = 300·t²(1 − t) peaks at 44.4.
    for (const VLVector2& point : cubic.points)
        EXPECT_LE(point.y, 44.5f);

    // A line after the curve clears the end tangent; a curve that does not open the subpath leaves the
    // start tangent alone.
    path.lineToX(200, 0);
    EXPECT_FALSE(path.currentPath().hasEndTangent);
    path.quadraticCurveToCpx(250, 50, 300, 0, 1);
    EXPECT_EQ(path.currentPath().startTangent, VLVector2(100, 100));
    EXPECT_EQ(path.currentPath().endTangent, VLVector2(50, -50));
}

TEST(VLPathTests, ACopyKeepsItsPointsAndState) {
    VLPath path;
    path.setTransform(VLAffineTransform::translation(1, 1));
    path.setPrecise(true);
    path.moveToX(0, 0);
    path.lineToX(10, 0);
    path.lineToX(10, 10);
    path.close();
    path.moveToX(-1, -1);
    path.lineToX(0, 0);
    path.close();

    VLPath copy = path.copyWithZone();
    EXPECT_EQ(describe(copy), describe(path));
    EXPECT_EQ(copy.fillRule(), 0);
    EXPECT_TRUE(copy.precise());
    EXPECT_EQ(copy.transform(), path.transform());
    EXPECT_EQ(copy.minPos(), path.minPos());
    EXPECT_EQ(copy.maxPos(), path.maxPos());
    EXPECT_EQ(copy.longestSubpath(), 4u);
    // The copy continues from the closed subpath's start, as the original does, and still recognises its
    // last point.
    copy.lineToX(5, 5);
    copy.lineToX(5, 5);
    path.lineToX(5, 5);
    EXPECT_EQ(describe(copy), describe(path));
    EXPECT_EQ(describe(copy.currentPath()), "(0.00,0.00) (6.00,6.00)");
}

TEST(VLPathTests, PointsOnEdgesAreInsideAndFillRulesCountWindings) {
    const auto square = [](VLPath& path, float left, float top, float size, bool reversed) {
        path.moveToX(left, top);
        if (reversed) {
            path.lineToX(left, top + size);
            path.lineToX(left + size, top + size);
            path.lineToX(left + size, top);
        } else {
            path.lineToX(left + size, top);
            path.lineToX(left + size, top + size);
            path.lineToX(left, top + size);
        }
        path.close();
    };
    VLPath single;
    square(single, 0, 0, 10, false);
    VLPath nested;
    square(nested, 0, 0, 30, false);
    square(nested, 10, 10, 10, false);
    VLPath hole;
    square(hole, 0, 0, 30, false);
    square(hole, 10, 10, 10, true);
    // A figure eight, left open: the closing edge counts all the same.
    VLPath eight;
    eight.moveToX(0, 0);
    eight.lineToX(10, 10);
    eight.lineToX(10, 0);
    eight.lineToX(0, 10);

    struct Case {
        const char* name;
        const VLPath& path;
        VLVector2 point;
        bool nonzero, evenodd;
    };
    for (const Case& c :
         {Case{"square inside", single, {5, 5}, true, true},
          Case{"square outside", single, {15, 5}, false, false},
          Case{"square top edge", single, {5, 0}, true, true},
          Case{"square right edge", single, {10, 5}, true, true},
          Case{"square corner", single, {0, 0}, true, true},
          Case{"square closing edge", single, {0, 5}, true, true},
          Case{"nested centre", nested, {15, 15}, true, false},
          Case{"nested ring", nested, {5, 15}, true, true},
          Case{"nested inner edge", nested, {10, 15}, true, true},
          Case{"hole centre", hole, {15, 15}, false, false}, Case{"hole ring", hole, {25, 25}, true, true},
          Case{"eight left lobe", eight, {2, 5}, true, true},
          Case{"eight right lobe", eight, {8, 5}, true, true},
          Case{"eight between the lobes", eight, {5, 1}, false, false},
          Case{"eight crossing", eight, {5, 5}, true, true}}) {
        EXPECT_EQ(c.path.containsPoint(c.point, 0), c.nonzero) << c.name << ", nonzero";
        EXPECT_EQ(c.path.containsPoint(c.point, 1), c.evenodd) << c.name << ", evenodd";
    }
    EXPECT_FALSE(VLPath().containsPoint({0, 0}, 0));
}

} // namespace
