#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Graphics/VLCompositor.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Tests/Support/VLTestBitmap.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>

namespace {

constexpr VLTestRGBA kHalfRed{128, 0, 0, 128};

std::shared_ptr<VLWSLayer> layer(VLRect frame, VLColor background = VLColor::clearColor()) {
    auto made = std::make_shared<VLWSLayer>();
    made->setFrame(frame);
    made->setBackgroundColor(background);
    return made;
}

std::shared_ptr<VLWSLayer> sublayer(const std::shared_ptr<VLWSLayer>& superlayer, VLRect frame,
                                    VLColor background = VLColor::clearColor()) {
    auto made = layer(frame, background);
    superlayer->addSublayer(made);
    return made;
}

// Contents of solid colours, given row by row from the top.
std::shared_ptr<VLTestBitmap> image(uint32_t width, uint32_t height, std::vector<VLTestRGBA> colours) {
    return VLTestBitmap::make(width, height, colours);
}

VLTestBitmap render(const VLWSLayer& root, uint32_t width, uint32_t height, double scale = 1,
                    VLPoint translation = {}) {
    VLTestBitmap target(width, height);
    EXPECT_TRUE(VLCompositor::renderLayer(root, target.mutablePixels(), scale, translation));
    return target;
}

// A pixel to read (column, row from the top) and what it must hold.
struct Probe {
    uint32_t x, y;
    VLTestRGBA expected;
    int tolerance = 1;
};

struct PixelCase {
    const char* name;
    uint32_t size; // of the square target
    std::function<std::shared_ptr<VLWSLayer>()> build;
    std::vector<Probe> probes;
    double scale = 1;
};

void check(const PixelCase& c) {
    SCOPED_TRACE(c.name);
    const auto root = c.build();
    const VLTestBitmap target = render(*root, c.size, c.size, c.scale);
    for (const Probe& probe : c.probes) {
        SCOPED_TRACE(testing::Message() << "at " << probe.x << ", " << probe.y);
        EXPECT_PRED_FORMAT2(
            [&](const char*, const char*, const VLTestRGBA& expected, const VLTestRGBA& actual) {
                if (actual.near(expected, probe.tolerance))
                    return testing::AssertionSuccess();
                return testing::AssertionFailure() << testing::PrintToString(actual) << " instead of "
                                                   << testing::PrintToString(expected);
            },
            probe.expected, target.pixel(probe.x, probe.y));
    }
}

// Red on the left, blue on the right: 2 by 1 pixels.
std::shared_ptr<VLTestBitmap> redBlue() {
    return image(2, 1, {kVLTestRed, kVLTestBlue});
}

// Red above blue: 1 by 2 pixels.
std::shared_ptr<VLTestBitmap> redOverBlue() {
    return image(1, 2, {kVLTestRed, kVLTestBlue});
}

std::shared_ptr<VLWSLayer> showing(std::shared_ptr<const VLPixelSource> contents,
                                   VLWSLayerContentsGravity gravity,
                                   VLWSLayerFilter filter = VLWSLayerFilter::Nearest,
                                   VLRect frame = {0, 0, 10, 10}) {
    auto root = layer(frame);
    root->setContents(std::move(contents));
    root->setContentsGravity(gravity);
    root->setMagnificationFilter(filter);
    return root;
}

} // namespace

// Targets are read as (column, row from the top); layers have y up, so layer y = size − row.
TEST(VLCompositorTest, LayersDrawTheirLook) {
    const PixelCase cases[] = {
        {"background fill",
         10,
         [] {
             auto root = layer({0, 0, 10, 10}, VLColor::blueColor());
             sublayer(root, {2, 2, 4, 4}, VLColor::redColor());
             return root;
         },
         {{2, 4, kVLTestRed},
          {5, 7, kVLTestRed},
          {6, 4, kVLTestBlue},
          {2, 3, kVLTestBlue},
          {2, 8, kVLTestBlue}}},
        {"the overlap of two children under a half-opaque parent equals the rest",
         10,
         [] {
             auto root = layer({0, 0, 10, 10});
             root->setOpacity(0.5f);
             sublayer(root, {0, 0, 6, 10}, VLColor::redColor());
             sublayer(root, {4, 0, 6, 10}, VLColor::redColor());
             return root;
         },
         {{1, 5, kHalfRed}, {4, 5, kHalfRed}, {8, 5, kHalfRed}}},
        {"a lone layer's opacity",
         10,
         [] {
             auto root = layer({0, 0, 10, 10}, VLColor::redColor());
             root->setOpacity(0.5f);
             return root;
         },
         {{5, 5, kHalfRed}}},
        {"masks to bounds",
         10,
         [] {
             auto root = layer({0, 0, 10, 10});
             auto clip = sublayer(root, {2, 2, 4, 4});
             clip->setMasksToBounds(true);
             sublayer(clip, {-2, -2, 10, 10}, VLColor::redColor());
             return root;
         },
         {{3, 5, kVLTestRed}, {1, 5, kVLTestClear}, {6, 5, kVLTestClear}, {3, 3, kVLTestClear}}},
        {"a rounded corner",
         20,
         [] {
             auto root = layer({0, 0, 20, 20}, VLColor::redColor());
             root->setCornerRadius(8);
             return root;
         },
         {{0, 0, kVLTestClear}, {19, 19, kVLTestClear}, {10, 10, kVLTestRed}, {0, 10, kVLTestRed}}},
        {"only the masked corners round",
         20,
         [] {
             auto root = layer({0, 0, 20, 20}, VLColor::redColor());
             root->setCornerRadius(8);
             root->setMaskedCorners(VLWSLayerMinXMaxYCorner); // top-left as seen
             return root;
         },
         {{0, 0, kVLTestClear}, {19, 0, kVLTestRed}, {0, 19, kVLTestRed}}},
        {"a rounded clip cuts the sublayers",
         20,
         [] {
             auto root = layer({0, 0, 20, 20});
             root->setCornerRadius(8);
             root->setMasksToBounds(true);
             sublayer(root, {0, 0, 20, 20}, VLColor::redColor());
             return root;
         },
         {{0, 0, kVLTestClear}, {0, 19, kVLTestClear}, {10, 10, kVLTestRed}}},
        {"a border lies inside the bounds, above the sublayers",
         10,
         [] {
             auto root = layer({0, 0, 10, 10}, VLColor::redColor());
             root->setBorderWidth(2);
             root->setBorderColor(VLColor::blueColor());
             sublayer(root, {0, 0, 10, 10}, VLColor{0, 1, 0, 1});
             return root;
         },
         {{0, 5, kVLTestBlue},
          {1, 5, kVLTestBlue},
          {2, 5, kVLTestGreen},
          {5, 9, kVLTestBlue},
          {5, 5, kVLTestGreen}}},
        {"later sublayers on top",
         10,
         [] {
             auto root = layer({0, 0, 10, 10});
             sublayer(root, {0, 0, 6, 10}, VLColor::redColor());
             sublayer(root, {4, 0, 6, 10}, VLColor::blueColor());
             return root;
         },
         {{5, 5, kVLTestBlue}, {3, 5, kVLTestRed}}},
        {"a sublayer moved below its sibling",
         10,
         [] {
             auto root = layer({0, 0, 10, 10});
             auto red = sublayer(root, {0, 0, 6, 10}, VLColor::redColor());
             auto blue = sublayer(root, {4, 0, 6, 10}, VLColor::blueColor());
             root->insertSublayerAbove(red, blue.get());
             return root;
         },
         {{5, 5, kVLTestRed}, {7, 5, kVLTestBlue}}},
        {"hidden layers and what they hold are not drawn",
         10,
         [] {
             auto root = layer({0, 0, 10, 10});
             auto hidden = sublayer(root, {0, 0, 5, 10}, VLColor::redColor());
             sublayer(hidden, {0, 0, 10, 10}, VLColor::blueColor());
             hidden->setHidden(true);
             sublayer(root, {5, 0, 5, 10}, VLColor{0, 1, 0, 1})->setHidden(false);
             return root;
         },
         {{2, 5, kVLTestClear}, {7, 5, kVLTestGreen}}},
        {"a mask keeps what its alpha covers",
         10,
         [] {
             auto root = layer({0, 0, 10, 10}, VLColor::redColor());
             root->setMask(layer({0, 0, 5, 10}, VLColor::blackColor()));
             return root;
         },
         {{2, 5, kVLTestRed}, {7, 5, kVLTestClear}}},
        {"a turned layer",
         20,
         [] {
             auto root = layer({0, 0, 20, 20});
             auto turned = sublayer(root, {5, 5, 10, 10}, VLColor::redColor());
             turned->setTransform(VLAffineTransform::rotation(std::numbers::pi / 4));
             return root;
         },
         {{10, 10, kVLTestRed}, {10, 4, kVLTestRed}, {10, 1, kVLTestClear}, {5, 14, kVLTestClear}}},
        {"sizes double at scale 2",
         20,
         [] {
             auto root = layer({0, 0, 10, 10});
             sublayer(root, {2, 2, 4, 4}, VLColor::redColor());
             return root;
         },
         {{4, 8, kVLTestRed},
          {11, 15, kVLTestRed},
          {3, 8, kVLTestClear},
          {12, 15, kVLTestClear},
          {4, 7, kVLTestClear}},
         2},
    };
    for (const auto& c : cases)
        check(c);
}

TEST(VLCompositorTest, ContentsFollowGravityFilterAndFlips) {
    using Gravity = VLWSLayerContentsGravity;
    auto green = [] { return image(2, 2, std::vector<VLTestRGBA>(4, kVLTestGreen)); };
    const struct {
        Gravity gravity;
        uint32_t x, y; // a pixel the 2-point contents cover in a 10-point layer
        uint32_t outsideX, outsideY;
    } placed[] = {
        {Gravity::Center, 4, 4, 3, 4},      {Gravity::Top, 4, 0, 4, 2},
        {Gravity::Bottom, 5, 9, 5, 7},      {Gravity::Left, 0, 5, 2, 5},
        {Gravity::Right, 9, 4, 7, 4},       {Gravity::TopLeft, 0, 0, 2, 0},
        {Gravity::TopRight, 9, 0, 9, 2},    {Gravity::BottomLeft, 0, 9, 0, 7},
        {Gravity::BottomRight, 9, 9, 7, 9},
    };
    std::vector<PixelCase> cases;
    for (const auto& p : placed)
        cases.push_back({"placed by gravity",
                         10,
                         [&, gravity = p.gravity] { return showing(green(), gravity); },
                         {{p.x, p.y, kVLTestGreen}, {p.outsideX, p.outsideY, kVLTestClear}}});
    const PixelCase more[] = {
        {"resize stretches",
         10,
         [] { return showing(redBlue(), Gravity::Resize); },
         {{0, 0, kVLTestRed}, {4, 9, kVLTestRed}, {5, 0, kVLTestBlue}, {9, 9, kVLTestBlue}}},
        {"resize-aspect fits whole",
         10,
         [] { return showing(redBlue(), Gravity::ResizeAspect); },
         {{0, 0, kVLTestClear}, {0, 5, kVLTestRed}, {9, 5, kVLTestBlue}, {9, 9, kVLTestClear}}},
        {"resize-aspect-fill covers",
         10,
         [] { return showing(redBlue(), Gravity::ResizeAspectFill); },
         {{0, 0, kVLTestRed}, {9, 9, kVLTestBlue}}},
        {"contents scale halves the size",
         10,
         [&] {
             auto root = showing(green(), Gravity::BottomLeft);
             root->setContentsScale(2);
             return root;
         },
         {{0, 9, kVLTestGreen}, {1, 9, kVLTestClear}}},
        {"contents rectangle shows a part",
         10,
         [] {
             auto root = showing(redBlue(), Gravity::Resize);
             root->setContentsRect({0.5, 0, 0.5, 1});
             return root;
         },
         {{0, 0, kVLTestBlue}, {9, 9, kVLTestBlue}}},
        {"magnified with nearest: hard edges",
         8,
         [] {
             return showing(redBlue(), Gravity::Resize, VLWSLayerFilter::Nearest, {0, 0, 8, 4});
         },
         {{3, 6, kVLTestRed}, {4, 6, kVLTestBlue}}},
        {"magnified with linear: a blend, edges kept",
         8,
         [] {
             return showing(redBlue(), Gravity::Resize, VLWSLayerFilter::Linear, {0, 0, 8, 4});
         },
         {{3, 6, {159, 0, 96, 255}, 2},
          {4, 6, {96, 0, 159, 255}, 2},
          {0, 6, kVLTestRed},
          {7, 6, kVLTestBlue}}},
        {"upright in a flipped geometry, top still the top",
         10,
         [&] {
             auto root = layer({0, 0, 10, 10});
             auto flipped = sublayer(root, {0, 0, 10, 10});
             flipped->setGeometryFlipped(true);
             flipped->addSublayer(showing(redOverBlue(), Gravity::Resize));
             auto top = showing(green(), Gravity::Top);
             flipped->addSublayer(top);
             top->setBounds({0, 0, 10, 5});
             top->setPosition({5, 7.5}); // the lower half of the flipped space: the bottom as seen
             return root;
         },
         {{5, 0, kVLTestRed}, {5, 4, kVLTestRed}, {5, 5, kVLTestGreen}, {5, 9, kVLTestBlue}}},
        {"a vertical flip by scale (1, -1)",
         10,
         [] {
             auto root = layer({0, 0, 10, 10});
             auto flipped = showing(redOverBlue(), Gravity::Resize);
             flipped->setTransform(VLAffineTransform::scale(1, -1));
             root->addSublayer(flipped);
             return root;
         },
         {{5, 0, kVLTestBlue}, {5, 9, kVLTestRed}}},
    };
    cases.insert(cases.end(), std::begin(more), std::end(more));
    for (const auto& c : cases)
        check(c);
}

TEST(VLCompositorTest, RendersASliceOfALayerAtATranslation) {
    auto root = layer({0, 0, 20, 20});
    sublayer(root, {15, 15, 5, 5}, VLColor::redColor());
    const VLTestBitmap corner = render(*root, 10, 10, 1, {-10, -10});
    EXPECT_EQ(kVLTestRed, corner.pixel(5, 0));
    EXPECT_EQ(kVLTestRed, corner.pixel(9, 4));
    EXPECT_EQ(kVLTestClear, corner.pixel(4, 0));
    EXPECT_EQ(kVLTestClear, corner.pixel(9, 5));
    // A target in the other byte order gets the same colours.
    VLTestBitmap rgba(10, 10, VLBitmapByteOrder::RGBA);
    ASSERT_TRUE(VLCompositor::renderLayer(*root, rgba.mutablePixels(), 1, {-10, -10}));
    EXPECT_EQ(kVLTestRed, rgba.pixel(5, 0));

    // Or into a bitmap of its own, made only for sizes within the caps.
    const auto bitmap = VLCompositor::renderLayer(*root, 10, 10, 1, {-10, -10});
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(VLBitmapByteOrder::BGRA, bitmap->byteOrder());
    EXPECT_EQ(0, std::memcmp(bitmap->row(0) + 5 * 4, "\x00\x00\xff\xff", 4));
    EXPECT_EQ(0, std::memcmp(bitmap->row(0) + 4 * 4, "\x00\x00\x00\x00", 4));
    EXPECT_FALSE(VLCompositor::renderLayer(*root, 0, 10, 1, {}));
    EXPECT_FALSE(VLCompositor::renderLayer(*root, 100000, 100000, 1, {}));
}

TEST(VLCompositorTest, BadInputDrawsNothingAndNeverCrashes) {
    auto root = layer({0, 0, 10, 10}, VLColor::redColor());
    VLTestBitmap target(4, 4);
    EXPECT_FALSE(VLCompositor::renderLayer(*root, target.mutablePixels(), NAN, {}));
    EXPECT_FALSE(VLCompositor::renderLayer(*root, target.mutablePixels(), 0, {}));
    EXPECT_FALSE(VLCompositor::renderLayer(*root, target.mutablePixels(), 1, {INFINITY, 0}));
    EXPECT_FALSE(VLCompositor::renderLayer(*root, VLMutablePixels{}, 1, {}));
    VLMutablePixels huge = target.mutablePixels();
    huge.width = VLCompositor::kMaximumSide + 1;
    EXPECT_FALSE(VLCompositor::renderLayer(*root, huge, 1, {}));
    huge.width = huge.height = VLCompositor::kMaximumSide; // within each side, beyond the pixel cap
    EXPECT_FALSE(VLCompositor::renderLayer(*root, huge, 1, {}));
    VLMutablePixels shortRows = target.mutablePixels();
    shortRows.rowBytes = 15;
    EXPECT_FALSE(VLCompositor::renderLayer(*root, shortRows, 1, {}));

    // Vast geometry, scales past what doubles hold and deep trees draw what they can.
    auto vast = sublayer(root, {-1e300, -1e300, 1e300, 1e300}, VLColor::blueColor());
    vast->setCornerRadius(1e299);
    vast->setBorderWidth(1e300);
    vast->setTransform(VLAffineTransform::rotation(1).scaledBy(1e300, 1e300));
    vast->setContents(redBlue());
    auto deep = root;
    for (int i = 0; i < 5000; ++i)
        deep = sublayer(deep, {0, 0, 10, 10});
    deep->setBackgroundColor(VLColor{0, 1, 0, 1});
    for (auto* layer = deep.get(); layer; layer = layer->superlayer().get())
        if (layer != root.get())
            layer->setOpacity(0.99f);
    EXPECT_TRUE(VLCompositor::renderLayer(*root, target.mutablePixels(), 1e200, {}));
    EXPECT_TRUE(VLCompositor::renderLayer(*root, target.mutablePixels(), 1, {}));
    EXPECT_EQ(255, target.pixel(0, 0).alpha);

    // Contents a surface cannot lend as pixman takes them are left out.
    auto odd = std::make_shared<VLTestBitmap>(3, 3);
    struct Unaligned final : VLPixelSource {
        std::shared_ptr<VLTestBitmap> bitmap;
        void lendPixels(const Reader& reader) const override {
            VLPixels pixels = bitmap->pixels();
            pixels.rowBytes = 13;
            reader(pixels);
        }
    };
    auto unaligned = std::make_shared<Unaligned>();
    unaligned->bitmap = odd;
    root->setContents(unaligned);
    EXPECT_TRUE(VLCompositor::renderLayer(*root, target.mutablePixels(), 1, {}));
}
