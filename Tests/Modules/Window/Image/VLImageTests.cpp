#include "Modules/Window/Image/VLImage.h"

#include "Core/Runtime/VLBlobURLStore.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Window/Image/VLImageDelegate.h"
#include "Modules/Window/Image/VLImagePictureView.h"
#include "Modules/Window/Image/VLImageView.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Image/VLPNGWriter.h"
#include "Tests/Support/VLHTTPTestServer.h"
#include "Tests/Support/VLTableHostResolver.h"
#include "Tests/Support/VLTemporaryDirectory.h"
#include "Tests/Support/VLTestSignal.h"
#include "Tests/Support/VLTestWidget.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The component tests run on the main thread, which is then the component thread as well: loading
// and reporting happen inline.

namespace {

using VLImageTest = VLWindowServerTest;
using Lines = std::vector<std::string>;

std::string fixture(const std::string& name) {
    return std::string(VELTO_IMAGE_FIXTURES) + "/" + name;
}

std::string fixtureBytes(const std::string& name) {
    const std::optional<VLData> data = VLContentsOfFile(fixture(name));
    return data ? std::string(data->begin(), data->end()) : std::string();
}

// A root that stands for a shown window.
class ShownWindow final : public VLComponent {
public:
    static std::shared_ptr<ShownWindow> create() { return std::shared_ptr<ShownWindow>(new ShownWindow()); }
    bool isInWindow() const override { return true; }
    bool isTopLevel() const override { return true; }
};

class Outcomes final : public VLImageDelegate {
public:
    void imageDidLoaded(VLImage&, const std::shared_ptr<const VLBitmap>&) override {
        lines.push_back("load");
    }
    void imageDidFail(VLImage&, const VLErrorRef& error) override {
        lines.push_back("error " + error->domain() + " " + std::to_string(error->code()) + " " +
                        error->localizedDescription());
    }

    Lines lines;
};

// Pictures are read and decoded off the main thread: these wait for the outcome to come back.
bool reported(const std::shared_ptr<Outcomes>& outcomes, size_t count) {
    return VLMainQueue::runUntil([&] { return outcomes->lines.size() == count; });
}

bool shown(const std::shared_ptr<VLImage>& image) {
    return VLMainQueue::runUntil([&] { return image->imageView()->image() != nullptr; });
}

// An image with its view, reporting to the outcomes, given the package's wide picture.
std::shared_ptr<VLImage> imageShowingWidePicture(const std::shared_ptr<Outcomes>& outcomes) {
    auto image = VLImage::create();
    image->setDelegate(outcomes);
    image->view();
    image->setSrc(fixture("wide.png"));
    EXPECT_TRUE(reported(outcomes, 1));
    return image;
}

// A widget allowed on the network (on the given hosts only, when named) whose script shows the package's
// wide picture and prints its "load" and "error".
std::unique_ptr<VLTestWidget> widgetShowingWidePicture(std::optional<std::vector<std::string>> hosts = {}) {
    return std::make_unique<VLTestWidget>(
        std::map<std::string, std::string>{{"index.js", R"(
            globalThis.image = new Velto.Image({ src: 'wide.png' });
            image.onload = () => console.log('load');
            image.onerror = (e) => console.log('error', e.errMsg);
        )"},
                                           {"wide.png", fixtureBytes("wide.png")}},
        [hosts](VLLocalPathLaunchPayload& payload) {
            payload.setAllowsNetworkAccess(true);
            if (hosts)
                payload.setAllowedNetworkHosts(*hosts);
        });
}

} // namespace

TEST_F(VLImageTest, APictureOutsideAShownWindowKeepsOnlyItsBytesAndIsDecodedAgainOnReturn) {
    auto outcomes = std::make_shared<Outcomes>();
    auto image = imageShowingWidePicture(outcomes);
    EXPECT_EQ(outcomes->lines, Lines{"load"});
    EXPECT_EQ(image->imageRealSize(), (VLSize{48, 32}));
    EXPECT_TRUE(image->isImageSetAside());
    ASSERT_NE(image->imageData(), nullptr);
    const std::shared_ptr<const VLData> bytes = image->imageData();
    EXPECT_EQ(image->imageView()->image(), nullptr);

    auto window = ShownWindow::create();
    window->addComponent(image, -1);
    ASSERT_TRUE(shown(image));
    std::shared_ptr<const VLBitmap> picture = image->imageView()->image();
    EXPECT_EQ(picture->width(), 48u);
    EXPECT_FALSE(image->isImageSetAside());
    EXPECT_EQ(image->imageView()->pictureView()->image(), picture);

    image->removeFromParent();
    EXPECT_TRUE(image->isImageSetAside());
    EXPECT_EQ(image->imageView()->image(), nullptr);
    EXPECT_EQ(image->imageView()->pictureView()->image(), nullptr);
    EXPECT_EQ(image->imageData(), bytes);
    const std::weak_ptr<const VLBitmap> released = picture;
    picture.reset();
    EXPECT_TRUE(released.expired());

    // Back, out and back again before the picture is decoded once more: it shows once decoded.
    window->addComponent(image, -1);
    image->removeFromParent();
    EXPECT_TRUE(image->isImageSetAside());
    window->addComponent(image, -1);
    ASSERT_TRUE(shown(image));
    EXPECT_EQ(image->imageView()->image()->height(), 32u);
    EXPECT_FALSE(image->isImageSetAside());

    // A picture that arrives while shown is shown at once; a failed one clears it.
    image->setSrc(fixture("alpha.png"));
    ASSERT_TRUE(reported(outcomes, 2));
    EXPECT_FALSE(image->isImageSetAside());
    ASSERT_NE(image->imageView()->image(), nullptr);
    EXPECT_EQ(image->imageView()->image()->width(), 32u);
    image->setSrc(fixture("missing.png"));
    ASSERT_TRUE(reported(outcomes, 3));
    EXPECT_EQ(image->imageView()->image(), nullptr);
    EXPECT_EQ(image->imageData(), nullptr);
    image->setUnresolvableSrc("nowhere");
    EXPECT_EQ(outcomes->lines, (Lines{"load", "load", "error VLImageErrorDomain -1 load image failed",
                                      "error VLImageErrorDomain -1 can't load nowhere"}));
}

TEST_F(VLImageTest, LargeMediaStartsAtExactly4194304Points) {
    VLTemporaryDirectory directory;
    const struct {
        uint32_t width;
        uint32_t height;
        bool large;
    } cases[] = {{2048, 2048, true}, {2048, 2047, false}, {4194304 / 1024, 1024, true}};
    for (const auto& test : cases) {
        SCOPED_TRACE(std::to_string(test.width) + "x" + std::to_string(test.height));
        const std::string path = directory / (std::to_string(test.height) + ".png");
        ASSERT_EQ(VLPNGWriter::writeSource(*VLBitmap::make(test.width, test.height), path), nullptr);
        auto image = VLImage::create();
        auto outcomes = std::make_shared<Outcomes>();
        image->setDelegate(outcomes);
        EXPECT_FALSE(image->_holdsLargeMedia());
        image->setSrc(path);
        ASSERT_TRUE(reported(outcomes, 1));
        EXPECT_EQ(image->imageRealSize(), (VLSize{double(test.width), double(test.height)}));
        EXPECT_EQ(image->_holdsLargeMedia(), test.large);
    }
}

// Loading runs once per source change, however often it is asked for, and a newer source or a stop
// makes the older one's outcome vanish.
TEST_F(VLImageTest, OnlyTheCurrentGenerationLoadsAndReports) {
    auto outcomes = std::make_shared<Outcomes>();
    auto image = imageShowingWidePicture(outcomes);
    image->setImageSize(VLImageSize::Cover);
    image->setImagePosition(VLImagePosition::Top);
    EXPECT_EQ(outcomes->lines, Lines{"load"});
    EXPECT_EQ(image->imageView()->imageSize(), VLImageSize::Cover);
    EXPECT_EQ(image->imageView()->imagePosition(), VLImagePosition::Top);
    image->stopLoading();
    image->setSrc(std::nullopt);
    EXPECT_EQ(outcomes->lines, Lines{"load"});
    EXPECT_EQ(image->imageData(), nullptr);
    EXPECT_EQ(image->attributes().get("srcGeneration").integerValue(), 3);
}

// A detached image is its own root and lays itself out as each picture arrives: at that picture's size.
TEST_F(VLImageTest, ADetachedImageTakesTheSizeOfEachNewPicture) {
    auto image = VLImage::create();
    auto outcomes = std::make_shared<Outcomes>();
    image->setDelegate(outcomes);
    image->setSrc(fixture("wide.png"));
    ASSERT_TRUE(reported(outcomes, 1));
    image->layoutIfNeeded();
    EXPECT_EQ(image->frame().size, (VLSize{48, 32}));
    image->setSrc(fixture("alpha.png"));
    ASSERT_TRUE(reported(outcomes, 2));
    image->layoutIfNeeded();
    EXPECT_EQ(image->frame().size, (VLSize{32, 32}));
}

TEST(VLImageJSBinding, ABlobURLFromTheRuntimesStoreLoadsWithoutTheScriptKeepingTheImage) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", R"(
        globalThis.show = (src) => {
            const image = new Velto.Image({ src });
            image.onload = () => console.log('load', image.width, image.height);
            image.onerror = (e) => console.log('error', e.errMsg);
        };
        console.log(typeof URL !== 'undefined' && 'createObjectURL' in URL);
    )"}});
    ASSERT_TRUE(widget.runtime()) << widget.launchError()->localizedDescription();
    const std::string bytes = fixtureBytes("wide.png");
    const std::string url =
        widget.runtime()->blobURLStore()->addData(VLData(bytes.begin(), bytes.end()), "image/png");
    widget.inspect("show('" + url + "')", [](JSContextRef, JSValueRef) {});
    widget.collectGarbage();
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return widget.console().size() == 2; }));
    EXPECT_EQ(widget.console(), (Lines{"log: true", "log: load 48 32"}));
}

TEST(VLImageJSBinding, DestroyingAnImageDuringItsDownloadFiresNothingAndEndsTheTransfer) {
    VLHTTPTestServer server;
    VLTestSignal requested;
    server.route("/endless.png", [&requested](const VLHTTPTestServer::Request&) {
        VLHTTPTestServer::Response response;
        response.endless = true;
        response.sendsContentLength = false;
        response.dripBytes = 1;
        response.dripInterval = std::chrono::milliseconds(20);
        requested.raise();
        return response;
    });
    const std::unique_ptr<VLTestWidget> owner = widgetShowingWidePicture();
    VLTestWidget& widget = *owner;
    ASSERT_TRUE(widget.runtime());
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return widget.console().size() == 1; }));
    widget.inspect("image.src = '" + server.url("/endless.png") + "'", [](JSContextRef, JSValueRef) {});
    ASSERT_TRUE(requested.wait());
    widget.inspect("image.destroy()", [](JSContextRef, JSValueRef) {});
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return server.openConnectionCount() == 0; }));
    widget.settle();
    EXPECT_EQ(widget.console(), Lines{"log: load"});
}

// A name on the widget's host list that leads into the local network is refused once resolved, with
// the same warning and error as a source the policy refuses at once.
TEST(VLImageJSBinding, ASourceWhoseAddressIsLocalWarnsAndFails) {
    VLScopedTableHostResolver resolver;
    resolver->answer("pictures.example", {"127.0.0.1"});
    const std::unique_ptr<VLTestWidget> owner =
        widgetShowingWidePicture(std::vector<std::string>{"pictures.example"});
    VLTestWidget& widget = *owner;
    ASSERT_TRUE(widget.runtime()) << widget.launchError()->localizedDescription();
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return widget.console().size() == 1; }));
    const std::string url = "http://pictures.example/wide.png";
    widget.inspect("image.src = '" + url + "'", [](JSContextRef, JSValueRef) {});
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return widget.console().size() == 3; }));
    EXPECT_THAT(widget.console(),
                testing::ElementsAre("log: load",
                                     testing::EndsWith("Can't load " + url +
                                                       ": \"pictures.example\" resolves to a local network "
                                                       "address, which content can't reach"),
                                     "log: error can't load " + url));
    EXPECT_THAT(widget.console()[1], testing::StartsWith("warn: "));
}
