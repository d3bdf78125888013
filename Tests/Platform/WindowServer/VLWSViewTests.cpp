#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <cmath>
#include <gtest/gtest.h>

using VLWSViewTest = VLWindowServerTest;

TEST_F(VLWSViewTest, SubviewsFollowTheirWindowAndNeverFormACycle) {
    auto window = std::make_shared<VLWSWindow>(VLRect(0, 0, 100, 100), VLWSWindowStyleMaskBorderless);
    auto parent = std::make_shared<VLWSView>(VLRect(0, 0, 50, 50));
    auto child = std::make_shared<VLWSView>(VLRect(5, 5, 10, 10));
    parent->addSubview(child);
    window->contentView()->addSubview(parent);
    EXPECT_EQ(window.get(), child->window());

    child->addSubview(parent);
    child->addSubview(child);
    EXPECT_TRUE(child->subviews().empty());
    EXPECT_EQ(parent.get(), child->superview());

    // A new content view takes the window from the old one's subtree.
    auto replacement = std::make_shared<VLWSView>();
    window->setContentView(replacement);
    EXPECT_EQ(nullptr, child->window());
    EXPECT_EQ(VLRect(0, 0, 100, 100), replacement->frame());

    replacement->addSubview(child);
    EXPECT_EQ(window.get(), child->window());
    EXPECT_TRUE(parent->subviews().empty());
    child->setFrame({NAN, 0, 1, 1});
    EXPECT_EQ(VLRect(5, 5, 10, 10), child->frame());
    window.reset();
    EXPECT_EQ(nullptr, child->window());
}
