#include "Platform/Graphics/VLCompositor.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSTransaction.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Tests/Support/VLTestBitmap.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

class VLWSTransactionTest : public VLWindowServerTest {
protected:
    void SetUp() override {
        VLWindowServerTest::SetUp();
        VLWSTransaction::clearCommitLog();
        VLWSTransaction::setRecordsCommits(true);
    }
    void TearDown() override {
        VLWSTransaction::setRecordsCommits(false);
        VLWSTransaction::clearCommitLog();
        VLWindowServerTest::TearDown();
    }

    const std::thread::id main = std::this_thread::get_id();
};

} // namespace

// Found by GoogleTest next to the type.
static void PrintTo(const VLWSTransactionCommit& commit, std::ostream* out) {
    *out << (commit.isExplicit ? "explicit" : "implicit") << (commit.disablesActions ? ", no actions" : "");
}

TEST_F(VLWSTransactionTest, NestedTransactionsCommitOnceAtTheOutermostLevel) {
    auto layer = std::make_shared<VLWSLayer>();
    VLWSTransaction::begin();
    VLWSTransaction::setDisableActions(true);
    layer->setOpacity(0.5f);
    VLWSTransaction::begin();
    EXPECT_TRUE(VLWSTransaction::disableActions());
    VLWSTransaction::setDisableActions(false);
    layer->setHidden(true);
    VLWSTransaction::commit();
    // The inner setting went with the inner transaction.
    EXPECT_TRUE(VLWSTransaction::disableActions());
    EXPECT_TRUE(VLWSTransaction::commitLog().empty());
    VLWSTransaction::commit();
    VLWSTransaction::commit(); // unbalanced: ignored
    EXPECT_FALSE(VLWSTransaction::disableActions());

    EXPECT_EQ((std::vector<VLWSTransactionCommit>{{main, true, true}}), VLWSTransaction::commitLog());
    EXPECT_EQ(0.5f, layer->opacity());
    EXPECT_TRUE(layer->isHidden());
}

TEST_F(VLWSTransactionTest, AChangeOutsideATransactionCommitsAtOnce) {
    auto layer = std::make_shared<VLWSLayer>();
    layer->setBackgroundColor(VLColor::redColor());
    VLWSTransaction::setDisableActions(true); // no transaction to apply to
    EXPECT_EQ((std::vector<VLWSTransactionCommit>{{main, false, false}}), VLWSTransaction::commitLog());

    // Another thread's change is its own, whatever the main thread has open.
    VLWSTransaction::clearCommitLog();
    VLWSTransaction::begin();
    std::thread::id other;
    std::thread([&] {
        other = std::this_thread::get_id();
        layer->setOpacity(0.5f);
    }).join();
    VLWSTransaction::commit();
    EXPECT_EQ((std::vector<VLWSTransactionCommit>{{other, false, false}, {main, true, false}}),
              VLWSTransaction::commitLog());
}

// Run under ThreadSanitizer: script threads replace contents while the main thread composites.
TEST_F(VLWSTransactionTest, ContentsChangeOnOtherThreadsWhileTheMainThreadComposites) {
    auto window = std::make_shared<VLWSWindow>(VLRect(0, 0, 64, 64), VLWSWindowStyleMaskBorderless);
    window->orderFront();
    std::shared_ptr<VLWSLayer> layers[2];
    for (auto& layer : layers) {
        layer = std::make_shared<VLWSLayer>();
        layer->setFrame({0, 0, 32, 32});
        window->contentView()->layer()->addSublayer(layer);
    }
    VLWSTransaction::setRecordsCommits(false);

    std::atomic<bool> stop{false};
    std::vector<std::thread> painters;
    for (int i = 0; i < 2; ++i)
        painters.emplace_back([&, i] {
            for (int frame = 0; !stop; ++frame) {
                auto next = VLTestBitmap::make(2, 2, std::vector<VLTestRGBA>(4, {frame % 256, 0, 0, 255}));
                VLWSTransaction::begin();
                layers[i]->setContents(std::move(next));
                layers[i]->setContentsGravity(frame % 2 ? VLWSLayerContentsGravity::Center
                                                        : VLWSLayerContentsGravity::Resize);
                VLWSTransaction::commit();
            }
        });
    VLTestBitmap screen(1440, 900);
    for (int pass = 0; pass < 20; ++pass)
        EXPECT_TRUE(
            VLCompositor::compositeScreen(server(), VLWSScreen::defaultScreen(), screen.mutablePixels()));
    stop = true;
    for (auto& painter : painters)
        painter.join();
}
