// One window mirror stream in the test's process, with manual time: its surfaces arrive on a socket pair
// as the main application receives them, its "frame" announcements on a connection to a test peer.
#include "ContentHost/ContentHostConnection.h"
#include "ContentHost/WindowMirrorRenderer.h"
#include "Modules/Canvas/GL/VLEGLLayer.h"
#include "Platform/Graphics/VLSurface.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Tests/Support/VLReceivedSurface.h"
#include "Tests/Support/VLTestMainApplication.h"
#include "Tests/Support/VLValuePrinter.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstring>

namespace {

using Pixel = std::array<uint8_t, 4>; // B, G, R, A
constexpr Pixel kRed{0, 0, 255, 255};
constexpr Pixel kBlue{255, 0, 0, 255};
constexpr Pixel kGreen{0, 255, 0, 255};
constexpr Pixel kClear{0, 0, 0, 0};

VLColor colorOf(const Pixel& pixel) {
    return {pixel[2] / 255.0, pixel[1] / 255.0, pixel[0] / 255.0, pixel[3] / 255.0};
}

std::shared_ptr<VLWSLayer> solidLayer(VLRect frame, const Pixel& color) {
    auto layer = std::make_shared<VLWSLayer>();
    layer->setFrame(frame);
    layer->setBackgroundColor(colorOf(color));
    return layer;
}

class WindowMirrorRendererTest : public VLWindowServerTest {
protected:
    void SetUp() override {
        VLWindowServerTest::SetUp();
        int pair[2];
        ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair));
        applicationSide = pair[0];
        hostSide = pair[1];
        connection = ContentHostConnection::create(peer.takeHostSocket());
        connection->start();
    }

    void TearDown() override {
        renderer.reset();
        connection->close();
        close(applicationSide);
        close(hostSide);
        VLWindowServerTest::TearDown();
    }

    // A window of that content size on the main screen, red above blue.
    std::shared_ptr<VLWSWindow> makeWindow(VLSize size) {
        auto made = std::make_shared<VLWSWindow>(VLRect{{100, 100}, size}, VLWSWindowStyleMaskBorderless);
        const std::shared_ptr<VLWSLayer>& content = made->contentView()->layer();
        const double half = size.height / 2;
        content->addSublayer(solidLayer({0, 0, size.width, half}, kBlue));
        content->addSublayer(solidLayer({0, half, size.width, half}, kRed));
        made->orderFront();
        return made;
    }

    void mirror(std::shared_ptr<VLWSWindow> mirrored, VLSize maximumSize, int64_t fps = 30,
                WindowMirrorRenderer::SurfaceFactory makeSurface = {}) {
        renderer = WindowMirrorRenderer::create(stream, std::move(mirrored), connection,
                                                ContentHostAppPort(hostSide), maximumSize, fps,
                                                std::move(makeSurface));
    }

    // Runs one frame tick and its announcement; answers the "frame" message, if one came. Without
    // `expected`, only what the main queue already sent is looked at.
    std::optional<VLDictionary> frame(bool expected = true) {
        const size_t before = peer.messages().size();
        server().clock().advance(renderer->timerInterval());
        drainMainQueue();
        return peer.waitForMessageAfter(
            before, [](const VLDictionary& m) { return m.get("op") == VLValue("frame"); },
            expected ? std::chrono::milliseconds(20000) : std::chrono::milliseconds(0));
    }

    // The surfaces the host sent since the last call.
    std::vector<VLReceivedSurface> receivedSurfaces() {
        std::vector<VLReceivedSurface> received;
        while (auto surface = VLReceivedSurface::receive(applicationSide, std::chrono::milliseconds(0)))
            received.push_back(std::move(*surface));
        return received;
    }

    // The surface of the current generation that a frame names.
    const VLReceivedSurface& named(const VLDictionary& frameMessage) {
        for (VLReceivedSurface& surface : receivedSurfaces())
            kept[surface.index] = std::move(surface);
        return kept[size_t(frameMessage.get("index").integerValue()) % 3];
    }

    const int64_t stream = 0x100000007;
    VLTestMainApplication peer;
    std::shared_ptr<ContentHostConnection> connection;
    int applicationSide = -1;
    int hostSide = -1;
    std::shared_ptr<WindowMirrorRenderer> renderer;
    std::array<VLReceivedSurface, 3> kept;
};

} // namespace

TEST_F(WindowMirrorRendererTest, TheFrameRateIsKeptBetweenOneAndSixty) {
    const auto window = makeWindow({40, 30});
    const struct {
        int64_t fps;
        double interval;
    } rates[] = {{0, 1}, {-5, 1}, {1, 1}, {30, 1.0 / 30}, {60, 1.0 / 60}, {240, 1.0 / 60}};
    for (const auto& rate : rates) {
        mirror(window, {40, 30}, rate.fps);
        EXPECT_DOUBLE_EQ(rate.interval, renderer->timerInterval()) << rate.fps;
    }
    renderer->ask({40, 30}, 0);
    EXPECT_DOUBLE_EQ(1, renderer->timerInterval()) << "a new rate restarts the timer";
    renderer->end();
    EXPECT_EQ(0, renderer->timerInterval());
}

TEST_F(WindowMirrorRendererTest, EachSizeGetsThreeSurfacesThatFramesNameInTurn) {
    const auto window = makeWindow({400, 300});
    mirror(window, {200, 200});
    std::vector<int64_t> indices;
    for (int i = 0; i < 4; ++i) {
        const auto announced = frame();
        ASSERT_TRUE(announced);
        EXPECT_EQ(VLValue(stream), announced->get("stream"));
        EXPECT_EQ(VLValue(1), announced->get("generation"));
        indices.push_back(announced->get("index").integerValue());
        if (i == 0) {
            const std::vector<VLReceivedSurface> surfaces = receivedSurfaces();
            ASSERT_EQ(3u, surfaces.size());
            for (uint32_t index = 0; index < 3; ++index) {
                const VLReceivedSurface& surface = surfaces[index];
                SCOPED_TRACE(index);
                EXPECT_EQ(32u, surface.byteCount);
                EXPECT_EQ(1u, surface.descriptorCount);
                EXPECT_EQ(0x46534C56u, surface.magic);
                EXPECT_EQ(7u, surface.stream) << "the stream's low 32 bits";
                EXPECT_EQ(1u, surface.generation);
                EXPECT_EQ(index, surface.index);
                EXPECT_EQ(200u, surface.width);
                EXPECT_EQ(150u, surface.height);
                EXPECT_GE(surface.bytesPerRow, 800u);
                EXPECT_EQ(0x42475241u, surface.pixelFormat);
                EXPECT_GE(surface.fileSize, size_t(surface.bytesPerRow) * surface.height);
                kept[index] = surface;
            }
            EXPECT_EQ(kRed, kept[0].pixel(100, 5)) << "upright: the first row is the top";
            EXPECT_EQ(kBlue, kept[0].pixel(100, 145));
        }
    }
    EXPECT_EQ((std::vector<int64_t>{0, 1, 2, 0}), indices);
    EXPECT_TRUE(receivedSurfaces().empty()) << "one set per size";

    window->setContentSize({200, 100});
    const auto resized = frame();
    ASSERT_TRUE(resized);
    EXPECT_EQ(VLValue(2), resized->get("generation"));
    EXPECT_EQ(VLValue(0), resized->get("index"));
    const std::vector<VLReceivedSurface> surfaces = receivedSurfaces();
    ASSERT_EQ(3u, surfaces.size());
    for (uint32_t index = 0; index < 3; ++index) {
        EXPECT_EQ(2u, surfaces[index].generation);
        EXPECT_EQ(index, surfaces[index].index);
        EXPECT_EQ(200u, surfaces[index].width);
        EXPECT_EQ(100u, surfaces[index].height);
    }
}

TEST_F(WindowMirrorRendererTest, TheOutputIsBoundByTheMaximumAndTheScreensScale) {
    VLWSScreen retina = VLWSScreen::defaultScreen();
    retina.backingScaleFactor = 2;
    ASSERT_TRUE(server().setScreens({retina}));
    drainMainQueue();
    const struct {
        const char* name;
        VLSize window;
        VLSize maximum;
        uint32_t width;
        uint32_t height;
    } cases[] = {
        {"the maximum", {400, 300}, {200, 200}, 200, 150},
        {"the scale", {400, 300}, {2000, 2000}, 800, 600},
        {"halves away from zero", {5, 8}, {2.5, 100}, 3, 4},
        {"at least a pixel", {400, 1}, {100, 100}, 100, 1},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        mirror(makeWindow(test.window), test.maximum);
        ASSERT_TRUE(frame());
        const std::vector<VLReceivedSurface> surfaces = receivedSurfaces();
        ASSERT_EQ(3u, surfaces.size());
        EXPECT_EQ(test.width, surfaces[0].width);
        EXPECT_EQ(test.height, surfaces[0].height);
    }
}

TEST_F(WindowMirrorRendererTest, NothingIsRenderedWithoutAMaximumOrForAnOutputTooLarge) {
    int made = 0;
    const auto counting = [&](uint32_t width, uint32_t height) {
        ++made;
        return VLSurface::create(width, height);
    };
    const struct {
        const char* name;
        VLSize window;
        VLSize maximum;
    } cases[] = {
        {"no width", {40, 30}, {0, 100}},
        {"a width below 1", {40, 30}, {0.5, 100}},
        {"no height", {40, 30}, {100, 0}},
        {"a side too long", {20000, 10}, {1e9, 1e9}},
        {"too many pixels", {6000, 6000}, {1e9, 1e9}},
        {"a window of no height", {40, 0}, {100, 100}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        mirror(makeWindow(test.window), test.maximum, 30, counting);
        EXPECT_FALSE(frame(false));
        EXPECT_EQ(0, made);
        EXPECT_TRUE(receivedSurfaces().empty());
        EXPECT_TRUE(renderer->surfaces().empty());
    }
    renderer->ask({100, 100}, 30);
    EXPECT_FALSE(frame(false)) << "still no height";
    mirror(makeWindow({40, 30}), {0, 0}, 30, counting);
    EXPECT_FALSE(frame(false));
    renderer->ask({1, 100}, 30);
    EXPECT_TRUE(frame()) << "a width of 1 is enough";
    EXPECT_EQ(3, made);
}

TEST_F(WindowMirrorRendererTest, ASetThatFailedPartWayIsMadeAgainWithANewGeneration) {
    int calls = 0;
    mirror(makeWindow({40, 30}), {40, 30}, 30, [&](uint32_t width, uint32_t height) {
        return ++calls == 2 ? nullptr : VLSurface::create(width, height);
    });
    EXPECT_FALSE(frame(false)) << "the tick is skipped";
    std::vector<VLReceivedSurface> surfaces = receivedSurfaces();
    ASSERT_EQ(1u, surfaces.size());
    EXPECT_EQ(1u, surfaces[0].generation);
    EXPECT_EQ(1u, renderer->surfaces().size());

    const auto announced = frame();
    ASSERT_TRUE(announced);
    EXPECT_EQ(VLValue(2), announced->get("generation"));
    surfaces = receivedSurfaces();
    ASSERT_EQ(3u, surfaces.size());
    for (uint32_t index = 0; index < 3; ++index) {
        EXPECT_EQ(2u, surfaces[index].generation);
        EXPECT_EQ(index, surfaces[index].index);
    }
    ASSERT_TRUE(frame());
    EXPECT_TRUE(receivedSurfaces().empty()) << "a whole set is kept";
    EXPECT_EQ(5, calls) << "two for the broken set, three for the next";
}

TEST_F(WindowMirrorRendererTest, TheCopyFollowsTheWindowsLayersFromFrameToFrame) {
    const auto window = makeWindow({40, 30});
    const std::shared_ptr<VLWSLayer> content = window->contentView()->layer();
    const std::shared_ptr<VLWSLayer> blue = content->sublayers()[0];
    const std::shared_ptr<VLWSLayer> red = content->sublayers()[1];
    mirror(window, {40, 30});
    const auto look = [&](uint32_t x, uint32_t y) {
        const auto announced = frame();
        EXPECT_TRUE(announced);
        return announced ? named(*announced).pixel(x, y) : Pixel{};
    };
    EXPECT_EQ(kRed, look(10, 5));
    const std::shared_ptr<VLWSLayer> redCopy = renderer->mirror().copyOf(*red);
    ASSERT_TRUE(redCopy);
    EXPECT_EQ(3u, renderer->mirror().copyCount());

    const auto green = solidLayer({0, 0, 20, 30}, kGreen);
    content->addSublayer(green);
    EXPECT_EQ(kGreen, look(10, 5)) << "added on top";
    EXPECT_EQ(kRed, look(30, 5));

    content->insertSublayer(green, 0);
    EXPECT_EQ(kRed, look(10, 5)) << "moved to the back";
    EXPECT_EQ(kBlue, look(10, 25));

    red->setBackgroundColor(colorOf(kGreen));
    red->setOpacity(0.5);
    const Pixel halfGreen = look(30, 5);
    EXPECT_NEAR(128, halfGreen[1], 1);
    EXPECT_NEAR(128, halfGreen[3], 1);
    EXPECT_EQ(redCopy, renderer->mirror().copyOf(*red)) << "a copy is reused while its layer lives";

    blue->removeFromSuperlayer();
    EXPECT_EQ(kGreen, look(10, 25)) << "what the blue layer covered";
    EXPECT_EQ(kClear, look(30, 25));
    EXPECT_EQ(nullptr, renderer->mirror().copyOf(*blue));
    EXPECT_EQ(3u, renderer->mirror().copyCount()) << "the copy of a layer that went is dropped";

    const auto image = VLSurface::create(1, 1);
    std::memcpy(image->baseAddress(), kBlue.data(), 4);
    green->setContents(image);
    green->setBackgroundColor({});
    EXPECT_EQ(kBlue, look(10, 25)) << "plain contents are copied";
}

TEST_F(WindowMirrorRendererTest, AFlippedContentViewComesOutUprightToo) {
    struct FlippedView : VLWSView {
        bool isFlipped() const override { return true; }
    };
    const auto window = makeWindow({40, 30});
    auto flipped = std::make_shared<FlippedView>();
    window->setContentView(flipped);
    // Flipped, the first rows of the view are its top.
    flipped->layer()->addSublayer(solidLayer({0, 0, 40, 15}, kRed));
    flipped->layer()->addSublayer(solidLayer({0, 15, 40, 15}, kBlue));
    mirror(window, {40, 30});
    const auto announced = frame();
    ASSERT_TRUE(announced);
    EXPECT_EQ(kRed, named(*announced).pixel(20, 2));
    EXPECT_EQ(kBlue, named(*announced).pixel(20, 27));
}

TEST_F(WindowMirrorRendererTest, ACanvasShowsEveryPictureItPresentsInTheMirror) {
    const auto window = makeWindow({40, 30});
    auto canvas = std::make_shared<VLEGLLayer>();
    canvas->setFrame({0, 0, 40, 30});
    window->contentView()->layer()->addSublayer(canvas);
    const auto present = [&](const Pixel& color) {
        const std::shared_ptr<VLSurface> surface = canvas->nextSurfaceWithWidth(40, 30);
        ASSERT_TRUE(surface);
        for (uint32_t y = 0; y < 30; ++y) {
            for (uint32_t x = 0; x < 40; ++x)
                std::memcpy(surface->baseAddress() + y * surface->bytesPerRow() + x * 4, color.data(), 4);
        }
        canvas->surfaceDidDraw();
        canvas->presentSurface();
    };
    present(kGreen);
    mirror(window, {40, 30});
    auto announced = frame();
    ASSERT_TRUE(announced);
    EXPECT_EQ(kGreen, named(*announced).pixel(20, 15)) << "the picture shown when the mirror began";

    present(kBlue);
    announced = frame();
    ASSERT_TRUE(announced);
    EXPECT_EQ(kBlue, named(*announced).pixel(20, 15)) << "a later picture";
    const std::shared_ptr<VLWSLayer> copy = renderer->mirror().copyOf(*canvas);
    ASSERT_TRUE(copy);
    EXPECT_EQ(canvas->contents(), copy->contents());
}
