#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"
#include "Tests/Modules/Canvas/Context2D/VLRecordingPathBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

VLRecordingPathBuilder::Calls svgCalls(std::u16string_view data) {
    return VLRecordingPathBuilder::replayed(
        VLCanvasPath2D::createWithSVGPathData({reinterpret_cast<const uint16_t*>(data.data()), data.size()}));
}

} // namespace

TEST(VLSVGPathDataParserTests, CommandsGiveTheirPathCalls) {
    using Calls = VLRecordingPathBuilder::Calls;
    const struct {
        std::u16string_view data;
        Calls calls;
    } cases[] = {
        // Numbers, separators and implicit repeats.
        {u"M 10 10 20 20", {"moveTo(10,10)", "lineTo(20,20)"}},
        {u"M10-5", {"moveTo(10,-5)"}},
        {u"M.5.5", {"moveTo(0.5,0.5)"}},
        {u"M1e5 +.5", {"moveTo(1e+05,0.5)"}},
        {u"M1E+2,3", {"moveTo(100,3)"}},
        {u" \t\n\f\rM 1 , 2", {"moveTo(1,2)"}},
        {u"M 2 1e L 5 5", {"moveTo(2,1)"}},
        {u"M1,,2", {}},
        {u"M0 0 L1,,2", {"moveTo(0,0)"}},
        {u"M0 0 L 1e999 5", {"moveTo(0,0)"}},
        {u"M0 0 L 1e39 5", {"moveTo(0,0)"}},
        {u"M0 0 L 1", {"moveTo(0,0)"}},
        // Sums beyond the float range stop too.
        {u"m 3e38 0 3e38 0", {"moveTo(3e+38,0)"}},
        {u"M 3e38 0 C 0 0 -3e38 0 3e38 0 S 0 0 0 0",
         {"moveTo(3e+38,0)", "bezierCurveTo(0,0,-3e+38,0,3e+38,0)"}},
        // What may start and what stops.
        {u"L 10 10", {}},
        {u"10 10", {}},
        {u"M0 0 L 10 10 X 5", {"moveTo(0,0)", "lineTo(10,10)"}},
        {u"M 0 0 Z 5 5", {"moveTo(0,0)", "closePath()"}},
        {u"M 1 2\u0000 3 4", {"moveTo(1,2)"}},
        {u"M 1 2 \xd800 3 4", {"moveTo(1,2)"}},
        // After Z the next segment starts again where the subpath began.
        {u"M 0 0 Z L 5 5", {"moveTo(0,0)", "closePath()", "moveTo(0,0)", "lineTo(5,5)"}},
        {u"M 1 1 L 5 1 Z m 1 1 Z",
         {"moveTo(1,1)", "lineTo(5,1)", "closePath()", "moveTo(2,2)", "closePath()"}},
        // Relative forms.
        {u"m 10 10 20 0 0 20 z", {"moveTo(10,10)", "lineTo(30,10)", "lineTo(30,30)", "closePath()"}},
        {u"M 1 2 h 10 v 5 H 0 V 0",
         {"moveTo(1,2)", "lineTo(11,2)", "lineTo(11,7)", "lineTo(0,7)", "lineTo(0,0)"}},
        // S and T mirror the previous control point only after their own kind of curve.
        {u"M0 0 C 0 10 10 10 10 0 S 20 -10 20 0",
         {"moveTo(0,0)", "bezierCurveTo(0,10,10,10,10,0)", "bezierCurveTo(10,-10,20,-10,20,0)"}},
        {u"M10 10 c 0 10 10 10 10 0 s 10 -10 10 0",
         {"moveTo(10,10)", "bezierCurveTo(10,20,20,20,20,10)", "bezierCurveTo(20,0,30,0,30,10)"}},
        {u"M0 0 L 10 0 S 20 10 30 0", {"moveTo(0,0)", "lineTo(10,0)", "bezierCurveTo(10,0,20,10,30,0)"}},
        {u"M0 0 Q 5 10 10 0 S 20 10 30 0",
         {"moveTo(0,0)", "quadraticCurveTo(5,10,10,0)", "bezierCurveTo(10,0,20,10,30,0)"}},
        {u"M0 0 Q 5 10 10 0 T 20 0 t 10 0",
         {"moveTo(0,0)", "quadraticCurveTo(5,10,10,0)", "quadraticCurveTo(15,-10,20,0)",
          "quadraticCurveTo(25,10,30,0)"}},
        {u"M0 0 C 1 1 2 2 3 3 T 5 5",
         {"moveTo(0,0)", "bezierCurveTo(1,1,2,2,3,3)", "quadraticCurveTo(3,3,5,5)"}},
        // Arcs: flags are single digits, so "11" is both flags.
        {u"M0 0 A 10 10 0 1120 0", {"moveTo(0,0)", "ellipse(10,0,10,10,0,3.142,6.283,0)"}},
        {u"M0 0 A 10 10 0 0 0 20 0", {"moveTo(0,0)", "ellipse(10,0,10,10,0,3.142,0,1)"}},
        {u"m10 0 a 10 10 0 0 1 20 0", {"moveTo(10,0)", "ellipse(20,0,10,10,0,3.142,6.283,0)"}},
        {u"M5 5 A 10 10 0 0 1 5 5", {"moveTo(5,5)"}},
        {u"M0 0 A 0 10 0 0 1 10 0", {"moveTo(0,0)", "lineTo(10,0)"}},
        {u"M0 0 A 1 1 0 0 1 20 0", {"moveTo(0,0)", "ellipse(10,0,10,10,0,3.142,6.283,0)"}},
        {u"M0 0 A -1 -1 0 0 1 20 0", {"moveTo(0,0)", "ellipse(10,0,10,10,0,3.142,6.283,0)"}},
        // A quarter of a circle of radius 10 around (0, 10), the small arc and then the large one.
        {u"M0 0 A 10 10 0 0 1 10 10", {"moveTo(0,0)", "ellipse(0,10,10,10,0,-1.571,0,0)"}},
        {u"M0 0 A 10 10 0 1 1 10 10", {"moveTo(0,0)", "ellipse(10,0,10,10,0,3.142,7.854,0)"}},
        // The rotation is taken modulo 360 degrees.
        {u"M0 0 A 10 20 450 0 1 0 20", {"moveTo(0,0)", "ellipse(0,10,10,20,1.571,-3.142,0,0)"}},
        {u"M0 0 A 10 10 0 2 0 20 0", {"moveTo(0,0)"}},
        {u"M 0 0 Z A 1 1 0 0 1 2 0",
         {"moveTo(0,0)", "closePath()", "moveTo(0,0)", "ellipse(1,0,1,1,0,3.142,6.283,0)"}},
    };
    for (const auto& [data, calls] : cases)
        EXPECT_EQ(svgCalls(data), calls) << std::string(data.begin(), data.end());
}

// Hostile data parses to where the grammar stops, without crashing and in one pass.
TEST(VLSVGPathDataParserTests, HugeNumbersParseOrStop) {
    const std::u16string digits(1 << 20, u'1');
    EXPECT_EQ(svgCalls(u"M 0 0 L " + digits + u" 5"), VLRecordingPathBuilder::Calls{"moveTo(0,0)"});
    EXPECT_EQ(svgCalls(u"M 0." + digits + u" 5"), VLRecordingPathBuilder::Calls{"moveTo(0.1111,5)"});
    EXPECT_EQ(svgCalls(u"M 1e" + std::u16string(1 << 20, u'0') + u"1 5"),
              VLRecordingPathBuilder::Calls{"moveTo(10,5)"});
}
