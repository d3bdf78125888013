#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Runtime/Rendering/VLFrameSourceFactory.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/Rendering/VLScreenUpdate.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContextJSBinding.h"
#include "Modules/Canvas/Context2D/VLCanvas2DScreenRenderingContext.h"
#include "Modules/Canvas/Element/VLCanvas.h"
#include "Modules/Canvas/Element/VLCanvasJSBinding.h"
#include "Modules/Canvas/GL/VLEGLLayer.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Modules/Canvas/GL/VLGLMemoryTracker.h"
#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Modules/Canvas/VLCanvasModuleExports.h"
#include "Modules/Canvas/VLCanvasServices.h"
#include "Modules/Canvas/VLCanvasView.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLGLTest.h"
#include "Tests/Support/VLManualFrameSourceFactory.h"
#include "Tests/Support/VLTestWidget.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr char kLossMessage[] =
    "The GPU stopped this canvas' work (it took too long or failed): nothing it draws shows any more.";

// A widget running the script after a panel `w` at 100, 100 sized 200 × 100 with a canvas `c` in it at
// 10, 10 sized 40 × 20, shown and laid out.
std::unique_ptr<VLTestWidget> launch(const std::string& script) {
    auto widget = std::make_unique<VLTestWidget>(std::map<std::string, std::string>{
        {"index.js", "globalThis.w = new Velto.Window({ style: { left: 100, top: 100, width: 200, "
                     "height: 100 } });\n"
                     "globalThis.c = new Velto.Canvas({ style: { position: 'absolute', left: 10, top: 10, "
                     "width: 40, height: 20 } });\n"
                     "w.appendChild(c);\nw.show();\n" +
                         script}});
    widget->settle();
    return widget;
}

// The canvas binding of the script's `c`.
std::shared_ptr<VLCanvasJSBinding> canvasOf(VLTestWidget& widget) {
    std::shared_ptr<VLCanvasJSBinding> binding;
    widget.inspect("c", [&](JSContextRef ctx, JSValueRef value) {
        if (auto* canvas = VLJSBindingGetObjectOfClass<VLCanvasJSBinding>(ctx, value))
            binding = canvas->sharedFromThis();
    });
    return binding;
}

std::shared_ptr<VLCanvas2DScreenRenderingContext> contextOf(VLTestWidget& widget) {
    std::shared_ptr<VLCanvasJSBinding> canvas = canvasOf(widget);
    return canvas ? std::dynamic_pointer_cast<VLCanvas2DScreenRenderingContext>(canvas->renderingContext())
                  : nullptr;
}

std::shared_ptr<VLEGLLayer> layerOf(const VLCanvas2DScreenRenderingContext& context) {
    return std::static_pointer_cast<VLCanvasView>(context.view())->eglLayer();
}

// Draws a red rectangle over the whole canvas, pending until the next present.
void fillRed(VLCanvas2DScreenRenderingContext& context) {
    context.makeContextCurrent();
    context.state()->fillColor = VLColorRGBA(255, 0, 0, 255);
    context.fillRectX(0, 0, context.width(), context.height());
}

// What a rendering tick does after the ports: present, then put the held changes on screen.
bool presentAndFlush(VLCanvas2DScreenRenderingContext& context) {
    const bool presented = context.present();
    VLScreenUpdateFlush();
    return presented;
}

std::vector<std::string> linesContaining(const VLTestWidget& widget, const std::string& text) {
    std::vector<std::string> lines;
    for (const std::string& line : widget.console())
        if (line.find(text) != std::string::npos)
            lines.push_back(line);
    return lines;
}

// Widgets with canvases on a fresh window server, whose rendering ticks only a test fires: the tests
// present by hand. The suite shares its GL contexts, so llvmpipe starts once.
class VLCanvasElementTest : public VLGLTest {
protected:
    void SetUp() override {
        sharedContext(2);
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        VLFrameSourceFactory::setShared(_frames);
    }
    void TearDown() override {
        VLCanvasJSBinding::setMaxSamplesForTesting(std::nullopt);
        VLFrameSourceFactory::setShared(nullptr);
        VLWindowServer::setShared(nullptr);
        VLGLTest::TearDown();
    }

private:
    const std::shared_ptr<VLManualFrameSourceFactory> _frames =
        std::make_shared<VLManualFrameSourceFactory>();
};

TEST_F(VLCanvasElementTest, AnInjectedLossTellsTheScriptOnceAfterThePresentAndTheHost) {
    int notifications = 0;
    auto observer = VLNotificationCenter::defaultCenter().addObserver(
        VLRuntimeGraphicsResetNotification, nullptr, [&](const VLNotification&) { ++notifications; });
    auto widget = launch("c.getContext('2d');\n"
                         "c.oncontextlost = e => console.log('contextlost', e.statusMessage);\n");
    std::shared_ptr<VLCanvas2DScreenRenderingContext> context = contextOf(*widget);
    ASSERT_NE(context, nullptr);
    widget->perform([&] {
        fillRed(*context);
        context->glContext()->setResetStatusForTesting(GL_GUILTY_CONTEXT_RESET);
        EXPECT_FALSE(context->present());
        // Not inside the present.
        EXPECT_TRUE(linesContaining(*widget, "contextlost").empty());
        fillRed(*context);
        EXPECT_FALSE(context->needsPresenting());
        EXPECT_FALSE(context->present());
    });
    EXPECT_EQ(linesContaining(*widget, "contextlost"),
              std::vector<std::string>{std::string("log: contextlost ") + kLossMessage});
    const std::vector<std::string> errors = linesContaining(*widget, std::string("Canvas: ") + kLossMessage);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("error: ", 0), 0u) << errors[0];
    EXPECT_EQ(notifications, 1);
    VLNotificationCenter::defaultCenter().removeObserver(observer);
}

TEST_F(VLCanvasElementTest, APresentWithNothingNewAnswersNoAndLeavesTheLayerAsItWas) {
    auto widget = launch("c.getContext('2d');\n");
    std::shared_ptr<VLCanvas2DScreenRenderingContext> context = contextOf(*widget);
    ASSERT_NE(context, nullptr);
    std::shared_ptr<VLEGLLayer> layer = layerOf(*context);
    std::shared_ptr<const VLPixelSource> shown;
    widget->perform([&] {
        fillRed(*context);
        EXPECT_TRUE(context->needsPresenting());
        EXPECT_TRUE(presentAndFlush(*context));
        shown = layer->contents();
        EXPECT_FALSE(context->needsPresenting());
        EXPECT_FALSE(presentAndFlush(*context));
    });
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(layer->contents(), shown);
}

TEST_F(VLCanvasElementTest, TheViewTakesTheStyleAndAZeroSideTheCanvasSize) {
    auto widget = launch("c.getContext('2d');\nc.width = 30;\nc.height = 12;\n");
    std::shared_ptr<VLCanvas2DScreenRenderingContext> context = contextOf(*widget);
    ASSERT_NE(context, nullptr);
    // Laid out 40 × 20 in its component, below whatever the component holds.
    EXPECT_EQ(context->view()->frame(), VLRect(0, 0, 40, 20));
    EXPECT_EQ(canvasOf(*widget)->canvas()->view()->subviews().front(), context->view());
    for (const VLRect& style : {VLRect(0, 0, 0, 0), VLRect(0, 0, 0, 7), VLRect(0, 0, 9, 0)}) {
        widget->perform([&] { context->setStyle(style); });
        EXPECT_EQ(context->view()->frame(), VLRect(0, 0, style.size.width ? style.size.width : 30,
                                                   style.size.height ? style.size.height : 12));
    }
}

TEST_F(VLCanvasElementTest, AComponentResizeWhileAFrameIsPendingShowsWithThatFrame) {
    auto widget = launch("c.getContext('2d');\n");
    std::shared_ptr<VLCanvas2DScreenRenderingContext> context = contextOf(*widget);
    ASSERT_NE(context, nullptr);
    const std::shared_ptr<VLCanvas> canvas = canvasOf(*widget)->canvas();
    widget->perform([&] { presentAndFlush(*context); });
    const std::shared_ptr<VLWSView> view = context->view();
    widget->perform([&] {
        fillRed(*context);
        canvas->updateStyle(
            {{"position", "absolute"}, {"left", 10}, {"top", 10}, {"width", 80}, {"height", 20}});
        canvas->layoutIfNeeded();
    });
    EXPECT_EQ(view->frame(), VLRect(0, 0, 40, 20));
    widget->perform([&] { EXPECT_TRUE(presentAndFlush(*context)); });
    EXPECT_EQ(view->frame(), VLRect(0, 0, 80, 20));

    // Without a pending frame the new size shows at once.
    widget->perform([&] {
        canvas->updateStyle({{"position", "absolute"}, {"width", 60}, {"height", 20}});
        canvas->layoutIfNeeded();
    });
    EXPECT_EQ(view->frame(), VLRect(0, 0, 60, 20));
}

TEST_F(VLCanvasElementTest, ImageRenderingSetsTheLayerFilters) {
    struct Case {
        const char* style;
        VLWSLayerFilter magnification;
        VLWSLayerFilter minification;
    };
    const Case cases[] = {
        {"'crisp-edges'", VLWSLayerFilter::Nearest, VLWSLayerFilter::Nearest},
        {"'pixelated'", VLWSLayerFilter::Nearest, VLWSLayerFilter::Linear},
        {"'auto'", VLWSLayerFilter::Linear, VLWSLayerFilter::Linear},
        {"'Pixelated'", VLWSLayerFilter::Linear, VLWSLayerFilter::Linear},
    };
    // Set before the view exists, and changed after.
    auto widget = launch("c.style.imageRendering = 'crisp-edges';\nc.getContext('2d');\n");
    std::shared_ptr<VLCanvas2DScreenRenderingContext> context = contextOf(*widget);
    ASSERT_NE(context, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        widget->evaluate(std::string("c.style.imageRendering = ") + c.style);
        EXPECT_EQ(context->view()->layer()->magnificationFilter(), c.magnification);
        EXPECT_EQ(context->view()->layer()->minificationFilter(), c.minification);
    }
}

TEST_F(VLCanvasElementTest, AntialiasUsesAtMostFourSamples) {
    for (int32_t available : {8, 0}) {
        SCOPED_TRACE(available ? "8 available" : "llvmpipe's");
        VLCanvasJSBinding::setMaxSamplesForTesting(available ? std::optional<int32_t>(available)
                                                             : std::nullopt);
        auto widget = launch("c.getContext('2d', { antialias: true });\n");
        std::shared_ptr<VLCanvas2DScreenRenderingContext> context = contextOf(*widget);
        ASSERT_NE(context, nullptr);
        EXPECT_TRUE(context->msaaEnabled());
        EXPECT_EQ(context->msaaSamples(), 4);
        // What it draws is resolved into the presented picture.
        std::shared_ptr<VLEGLLayer> layer = layerOf(*context);
        widget->perform([&] {
            fillRed(*context);
            EXPECT_TRUE(presentAndFlush(*context));
            std::shared_ptr<VLGLTexture> picture = context->texture();
            EXPECT_EQ(picture, context->texture());
        });
        ASSERT_NE(layer->contents(), nullptr);
    }
}

TEST_F(VLCanvasElementTest, ThePresentableAndTheMemoryReporterAreRegisteredOnce) {
    auto widget = launch("c.getContext('2d');\nc.getContext('2d');\nc.getContext('webgl');\n");
    std::shared_ptr<VLCanvas2DScreenRenderingContext> context = contextOf(*widget);
    ASSERT_NE(context, nullptr);
    const std::shared_ptr<VLJSBindingContext> bindingContext = canvasOf(*widget)->bindingContext();
    widget->perform([&] {
        presentAndFlush(*context);
        const std::shared_ptr<VLRenderingLoop> loop = widget->runtime()->renderingLoop();
        EXPECT_EQ(loop->presentables().size(), 1u);
        const uint64_t shared =
            VLCanvasServices::madeGLSharegroup(bindingContext)->memoryTracker()->renderingMemorySize();
        EXPECT_GT(context->renderingMemorySize(), 0u);
        EXPECT_EQ(loop->renderingMemorySize(), shared + context->renderingMemorySize());
    });
}

TEST_F(VLCanvasElementTest, ASnapshotIsKeptUntilSomethingIsDrawn) {
    auto widget = launch("c.getContext('2d');\n");
    std::shared_ptr<VLCanvas2DScreenRenderingContext> context = contextOf(*widget);
    ASSERT_NE(context, nullptr);
    const std::shared_ptr<VLCanvasJSBinding> canvas = canvasOf(*widget);
    widget->perform([&] {
        fillRed(*context);
        std::shared_ptr<VLGLTexture> first = canvas->texture();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->width(), 40);
        EXPECT_EQ(canvas->texture(), first);
        fillRed(*context);
        EXPECT_NE(canvas->texture(), first);
    });
}

TEST_F(VLCanvasElementTest, TheLastCollectedContextLetsTheRuntimesSharedGPUServicesGo) {
    const int64_t before = VLCanvas2DRenderingContextJSBinding::liveCount();
    auto widget = launch("c.getContext('2d');\nnew Velto.Canvas().getContext('2d');\n");
    const std::shared_ptr<VLJSBindingContext> bindingContext = canvasOf(*widget)->bindingContext();
    widget->collectGarbage();
    // The canvas without references went with its context.
    EXPECT_EQ(VLCanvas2DRenderingContextJSBinding::liveCount(), before + 1);
    EXPECT_NE(VLCanvasServices::madeGLSharegroup(bindingContext), nullptr);

    widget->evaluate("c.remove(); c = null");
    widget->collectGarbage();
    EXPECT_EQ(VLCanvas2DRenderingContextJSBinding::liveCount(), before);
    if (before == 0) {
        EXPECT_EQ(VLCanvasServices::madeGLSharegroup(bindingContext), nullptr);
    }
}

// A failure to start EGL is final for the process: the case runs in a process of its own, where no GL
// context was made before.
TEST(VLCanvasUnavailableTest, WithoutEGLGetContextSaysCanvasesAreUnavailable) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // Mesa finds no driver there.
            setenv("LIBGL_DRIVERS_PATH", "/nonexistent", 1);
            VLWindowServer::setShared(std::make_shared<VLWindowServer>());
            VLFrameSourceFactory::setShared(std::make_shared<VLManualFrameSourceFactory>());
            auto widget =
                launch("console.log(c.getContext('2d'), c.getContext('webgl'), c.getContext('2d'));\n");
            const std::string unavailable = "Canvas is unavailable: this Mac's graphics don't support Metal, "
                                            "`Canvas.getContext` returns null";
            const bool told = linesContaining(*widget, unavailable).size() == 3 &&
                              linesContaining(*widget, "log: null null null").size() == 1 &&
                              linesContaining(*widget, "already created").empty() &&
                              canvasOf(*widget)->contextMode() == VLCanvasJSBinding::ContextModeNone;
            widget.reset();
            std::exit(told ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(VLCanvasModuleExportsTests, TheModulesComeInTheirOrder) {
    std::vector<std::string> names;
    for (const VLPart& part : VLCanvasModuleExports::exports())
        names.push_back(part.description());
    EXPECT_EQ(names, (std::vector<std::string>{"VLCanvasModule", "VLCanvasPath2DModule"}));
}

} // namespace
