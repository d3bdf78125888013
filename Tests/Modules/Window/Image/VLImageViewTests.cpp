#include "Modules/Window/Image/VLImageView.h"

#include "Modules/Window/Image/VLImageFitting.h"
#include "Modules/Window/Image/VLImagePictureView.h"
#include "Platform/Graphics/VLBitmap.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using VLImageViewTest = VLWindowServerTest;

} // namespace

TEST(VLImageFitting, TextsReadAsTheirModesAndAnythingElseAsTheDefault) {
    const struct {
        std::optional<std::string> text;
        VLImageSize size;
        VLImagePosition position;
    } cases[] = {
        {"contain", VLImageSize::Contain, VLImagePosition::Center},
        {"cover", VLImageSize::Cover, VLImagePosition::Center},
        {"fill", VLImageSize::Fill, VLImagePosition::Center},
        {"none", VLImageSize::None, VLImagePosition::Center},
        {"Cover", VLImageSize::Contain, VLImagePosition::Center},
        {"top", VLImageSize::Contain, VLImagePosition::Top},
        {"bottom-right", VLImageSize::Contain, VLImagePosition::BottomRight},
        {"top-left ", VLImageSize::Contain, VLImagePosition::Center},
        {"", VLImageSize::Contain, VLImagePosition::Center},
        {std::nullopt, VLImageSize::Contain, VLImagePosition::Center},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.text.value_or("(none)"));
        EXPECT_EQ(VLImageSizeFromNSString(test.text), test.size);
        EXPECT_EQ(VLImagePositionFromNSString(test.text), test.position);
    }
    for (const char* text : {"contain", "cover", "fill", "none"})
        EXPECT_EQ(VLImageSizeToNSString(VLImageSizeFromNSString(text)), text);
    for (const char* text :
         {"top", "left", "center", "bottom", "right", "top-left", "top-right", "bottom-left", "bottom-right"})
        EXPECT_EQ(VLImagePositionToNSString(VLImagePositionFromNSString(text)), text);
}

// The picture view's frame for a picture, a fit, an alignment and a view size, set before and after
// the picture; pictures larger than the view overflow it and are clipped.
TEST_F(VLImageViewTest, ThePictureViewIsPlacedByFitAndAlignment) {
    using S = VLImageSize;
    using P = VLImagePosition;
    const struct {
        VLSize picture;
        VLSize view;
        S size;
        P position;
        VLRect frame;
    } cases[] = {
        {{200, 100}, {100, 100}, S::Contain, P::Center, {0, 25, 100, 50}},
        {{100, 200}, {100, 100}, S::Contain, P::BottomRight, {50, 0, 50, 100}},
        {{50, 50}, {200, 100}, S::Contain, P::Right, {100, 0, 100, 100}},
        {{50, 50}, {200, 100}, S::Contain, P::TopLeft, {0, 0, 100, 100}},
        {{200, 100}, {100, 100}, S::Cover, P::Center, {-50, 0, 200, 100}},
        {{200, 100}, {100, 100}, S::Cover, P::Left, {0, 0, 200, 100}},
        {{100, 200}, {100, 100}, S::Cover, P::Bottom, {0, -100, 100, 200}},
        {{100, 200}, {100, 100}, S::Cover, P::Top, {0, 0, 100, 200}},
        {{10, 10}, {40, 20}, S::Cover, P::BottomLeft, {0, -20, 40, 40}},
        {{200, 100}, {100, 60}, S::Fill, P::BottomRight, {0, 0, 100, 60}},
        {{200, 100}, {100, 100}, S::None, P::TopLeft, {0, 0, 200, 100}},
        {{200, 100}, {100, 100}, S::None, P::BottomRight, {-100, 0, 200, 100}},
        {{20, 10}, {100, 100}, S::None, P::Center, {40, 45, 20, 10}},
        {{20, 10}, {100, 100}, S::None, P::TopRight, {80, 0, 20, 10}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(VLImageSizeToNSString(test.size) + " " + VLImagePositionToNSString(test.position));
        auto view = std::make_shared<VLImageView>(VLRect(0, 0, 1, 1));
        view->setImageSize(test.size);
        view->setImagePosition(test.position);
        view->setImage(VLBitmap::make(uint32_t(test.picture.width), uint32_t(test.picture.height)));
        view->setFrame({{7, 9}, test.view});
        EXPECT_EQ(view->pictureView()->frame(), test.frame);
        EXPECT_TRUE(view->layer()->masksToBounds());
        EXPECT_EQ(view->pictureView()->image(), view->image());
        EXPECT_TRUE(view->pictureView()->acceptsFirstMouse(nullptr));
    }
}

TEST_F(VLImageViewTest, ReleasingThePictureLeavesAFreshEmptyPictureView) {
    auto view = std::make_shared<VLImageView>(VLRect(0, 0, 50, 50));
    view->setImage(VLBitmap::make(10, 10));
    const std::shared_ptr<VLImagePictureView> old = view->pictureView();
    view->releaseImage();
    EXPECT_EQ(view->image(), nullptr);
    EXPECT_NE(view->pictureView(), old);
    EXPECT_EQ(view->pictureView()->image(), nullptr);
    EXPECT_EQ(old->superview(), nullptr);
    ASSERT_EQ(view->subviews().size(), 1u);
    EXPECT_EQ(view->subviews()[0], view->pictureView());
}
