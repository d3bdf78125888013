#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSShapeLayer.h"
#include "Tests/Support/VLColorPrinter.h"
#include "Tests/Support/VLGeometryPrinter.h"
#include "Tests/Support/VLTestBitmap.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>

namespace {

std::shared_ptr<VLWSLayer> makeLayer() {
    return std::make_shared<VLWSLayer>();
}

} // namespace

TEST(VLWSLayerTest, EveryPropertyReadsBackAndCopiesWhole) {
    auto layer = makeLayer();
    const VLWSLayerProperties defaults;
    EXPECT_EQ(defaults, layer->properties());
    EXPECT_EQ(VLPoint(0.5, 0.5), defaults.anchorPoint);
    EXPECT_EQ(VLColor::clearColor(), defaults.backgroundColor);
    EXPECT_EQ(VLColor::blackColor(), defaults.borderColor);
    EXPECT_EQ(VLWSLayerContentsGravity::Resize, defaults.contentsGravity);

    VLWSLayerProperties p;
    p.bounds = {1, 2, 30, 40};
    p.position = {5, 6};
    p.anchorPoint = {0, 1};
    p.transform = VLAffineTransform::rotation(1);
    p.sublayerTransform = VLAffineTransform::scale(2, 3);
    p.geometryFlipped = true;
    p.hidden = true;
    p.opacity = 0.25f;
    p.masksToBounds = true;
    p.cornerRadius = 4;
    p.maskedCorners = VLWSLayerMinXMaxYCorner;
    p.backgroundColor = VLColor::redColor();
    p.borderWidth = 2;
    p.borderColor = VLColor::blueColor();
    p.contents = std::make_shared<VLTestBitmap>(1, 1);
    p.contentsGravity = VLWSLayerContentsGravity::TopRight;
    p.contentsRect = {0, 0, 0.5, 0.5};
    p.contentsCenter = {0.25, 0.25, 0.5, 0.5};
    p.contentsScale = 2;
    p.magnificationFilter = VLWSLayerFilter::Nearest;
    p.minificationFilter = VLWSLayerFilter::Nearest;
    p.opaque = true;
    layer->setProperties(p);
    EXPECT_EQ(p, layer->properties());
    EXPECT_EQ(p.contents, layer->contents());
    EXPECT_EQ(0.25f, layer->opacity());

    // The frame is the bounds placed by position and anchor; setting it moves the position.
    auto framed = makeLayer();
    framed->setBounds({0, 0, 10, 20});
    framed->setPosition({100, 100});
    EXPECT_EQ(VLRect(95, 90, 10, 20), framed->frame());
    framed->setTransform(VLAffineTransform::scale(2, 2));
    EXPECT_EQ(VLRect(90, 80, 20, 40), framed->frame());
    framed->setTransform({});
    framed->setFrame({0, 0, 4, 6});
    EXPECT_EQ(VLPoint(2, 3), framed->position());
    EXPECT_EQ(VLRect(0, 0, 4, 6), framed->bounds());
}

TEST(VLWSLayerTest, BadValuesAreRefusedOrKeptInRange) {
    struct Case {
        const char* name;
        std::function<void(VLWSLayer&)> set;
        std::function<bool(const VLWSLayerProperties&)> holds;
    } cases[] = {
        {"NaN bounds",
         [](auto& l) {
             l.setBounds({NAN, 0, 1, 1});
         },
         [](const auto& p) { return p.bounds == VLRect(0, 0, 10, 10); }},
        {"negative size",
         [](auto& l) {
             l.setBounds({0, 0, -1, 1});
         },
         [](const auto& p) { return p.bounds == VLRect(0, 0, 10, 10); }},
        {"infinite position",
         [](auto& l) {
             l.setPosition({INFINITY, 0});
         },
         [](const auto& p) { return p.position == VLPoint(); }},
        {"NaN transform",
         [](auto& l) {
             l.setTransform({NAN, 0, 0, 1, 0, 0});
         },
         [](const auto& p) { return p.transform.isIdentity(); }},
        {"opacity above 1", [](auto& l) { l.setOpacity(3); }, [](const auto& p) { return p.opacity == 1; }},
        {"NaN opacity", [](auto& l) { l.setOpacity(NAN); }, [](const auto& p) { return p.opacity == 1; }},
        {"negative radius", [](auto& l) { l.setCornerRadius(-5); },
         [](const auto& p) { return p.cornerRadius == 0; }},
        {"unknown corners", [](auto& l) { l.setMaskedCorners(0xFF); },
         [](const auto& p) { return p.maskedCorners == VLWSLayerAllCorners; }},
        {"NaN colour",
         [](auto& l) {
             l.setBackgroundColor({NAN, 0, 0, 1});
         },
         [](const auto& p) { return p.backgroundColor == VLColor::clearColor(); }},
        {"zero contents scale", [](auto& l) { l.setContentsScale(0); },
         [](const auto& p) { return p.contentsScale == 1; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto layer = makeLayer();
        layer->setBounds({0, 0, 10, 10});
        c.set(*layer);
        EXPECT_TRUE(c.holds(layer->properties()));
    }
}

TEST(VLWSLayerTest, TheTreeKeepsOrderRefusesCyclesAndLetsGo) {
    auto root = makeLayer(), a = makeLayer(), b = makeLayer(), c = makeLayer();
    root->addSublayer(a);
    root->insertSublayer(b, 0);
    root->insertSublayerAbove(c, b.get());
    EXPECT_EQ((VLWSLayer::Layers{b, c, a}), root->sublayers());
    root->insertSublayerBelow(a, b.get());
    EXPECT_EQ((VLWSLayer::Layers{a, b, c}), root->sublayers());
    root->insertSublayer(b, 99);
    EXPECT_EQ((VLWSLayer::Layers{a, c, b}), root->sublayers());
    EXPECT_EQ(root, b->superlayer());

    // No layer becomes its own ancestor, through sublayers or masks.
    a->addSublayer(c);
    c->addSublayer(root);
    c->addSublayer(c);
    c->setMask(a);
    EXPECT_TRUE(c->sublayers().empty());
    EXPECT_EQ(nullptr, c->mask());

    // A mask has no superlayer; becoming one takes it from where it was.
    root->setMask(b);
    EXPECT_EQ(b, root->mask());
    EXPECT_EQ(nullptr, b->superlayer());
    EXPECT_EQ((VLWSLayer::Layers{a}), root->sublayers());
    a->addSublayer(b);
    EXPECT_EQ(nullptr, root->mask());

    root->setSublayers({c, c, b});
    EXPECT_EQ((VLWSLayer::Layers{c, b}), root->sublayers());
    EXPECT_EQ(nullptr, a->superlayer());
    EXPECT_TRUE(a->sublayers().empty());

    // A superlayer that goes leaves its sublayers without one.
    root.reset();
    EXPECT_EQ(nullptr, c->superlayer());
    b->removeFromSuperlayer();
}

TEST(VLWSLayerTest, FlipsAddUpAlongTheTree) {
    auto root = makeLayer(), middle = makeLayer(), leaf = makeLayer();
    root->addSublayer(middle);
    middle->addSublayer(leaf);
    root->setGeometryFlipped(true);
    EXPECT_TRUE(leaf->contentsAreFlipped());
    leaf->setGeometryFlipped(true);
    EXPECT_FALSE(leaf->contentsAreFlipped());
    EXPECT_TRUE(middle->contentsAreFlipped());
}

TEST(VLWSLayerTest, AnimationsAreKeptByKey) {
    auto layer = makeLayer();
    VLWSAnimation nudge{"transform",
                        {VLAffineTransform(), VLAffineTransform::translation(3, 3), VLAffineTransform()},
                        {0, 0.5, 1},
                        {VLWSTimingFunction::easeInEaseOut(), VLWSTimingFunction::easeInEaseOut()},
                        1.2};
    layer->addAnimation(nudge, "nudge");
    layer->addAnimation({"opacity", {0.0, 1.0}, {}, {}, 0.25}, "fade");
    EXPECT_EQ(nudge, layer->animation("nudge"));
    nudge.duration = 2;
    layer->addAnimation(nudge, "nudge");
    EXPECT_EQ((std::vector<std::string>{"nudge", "fade"}), layer->animationKeys());
    EXPECT_EQ(2, layer->animation("nudge")->duration);
    layer->removeAnimation("nudge");
    EXPECT_FALSE(layer->animation("nudge"));
    layer->removeAllAnimations();
    EXPECT_TRUE(layer->animationKeys().empty());
    // The model value stays what it was.
    EXPECT_TRUE(layer->transform().isIdentity());
}

TEST(VLWSLayerTest, ShapeLayersKeepTheirOutline) {
    auto shape = std::make_shared<VLWSShapeLayer>();
    VLWSPath path;
    path.moveTo({0, 0});
    path.lineTo({10, 0});
    path.addArc({10, 10}, 10, -std::numbers::pi / 2, 0, false);
    path.lineTo({NAN, 1});
    shape->setPath(path);
    shape->setStrokeColor(VLColor::whiteColor());
    shape->setLineWidth(5);
    shape->setLineWidth(-1);
    shape->setLineCap(VLWSLineCap::Round);
    shape->setLineJoin(VLWSLineJoin::Round);
    EXPECT_EQ(path, shape->path());
    EXPECT_EQ(3u, shape->path().elements().size());
    EXPECT_NEAR(20, shape->path().currentPoint().x, 1e-12);
    EXPECT_NEAR(10, shape->path().currentPoint().y, 1e-12);
    EXPECT_EQ(VLColor::blackColor(), shape->fillColor());
    EXPECT_EQ(5, shape->lineWidth());
    EXPECT_EQ(VLWSLineCap::Round, shape->lineCap());
    EXPECT_EQ(VLWSLineJoin::Round, shape->lineJoin());
}
