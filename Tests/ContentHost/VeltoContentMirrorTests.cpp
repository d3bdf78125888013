// Window mirrors of the spawned VeltoContent, received as the main application receives them: surfaces on
// the SOCK_SEQPACKET socket of descriptor 4, "frame" messages on the connection.
#include "Tests/Support/VLReceivedSurface.h"
#include "Tests/Support/VLTemporaryDirectory.h"
#include "Tests/Support/VLTestMainApplication.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Pixel = std::array<uint8_t, 4>; // B, G, R, A

class VeltoContentMirrorTest : public testing::Test {
protected:
    void spawn(bool surfaceSocket) {
        VLTestMainApplication::SpawnOptions options;
        options.surfaceSocket = surfaceSocket;
        options.environment = {"VELTO_LOG=error", "TMPDIR=" + directory.path().string()};
        host = VLTestMainApplication::spawn(VELTO_TOOL, options);
    }

    VLDictionary answer(int64_t identifier) {
        const std::optional<VLDictionary> reply = host->waitForReply(identifier);
        EXPECT_TRUE(reply) << "no reply to " << identifier;
        return reply.value_or(VLDictionary{});
    }

    VLValue process() { return answer(host->request({{"op", "status"}})).get("process"); }

    // Launches the red and blue window and answers its number once it has its styled size.
    int64_t launchMirrored() {
        const VLDictionary launched = answer(host->request(
            {{"op", "launch"},
             {"rid", 1},
             {"payload", VLDictionary{{"localPath", std::string(VELTO_FIXTURES) + "/host/mirrored"}}}}));
        const VLValue& windows = launched.get("state")["windows"];
        EXPECT_FALSE(windows.arrayValue().empty()) << testing::PrintToString(VLValue(launched));
        // The window takes its styled size a moment after the launch is answered.
        const auto width = [&] {
            const VLDictionary status = answer(host->request({{"op", "status"}}));
            return status.get("runtimes")["1"]["state"]["windows"][0]["frame"][2].doubleValue();
        };
        for (int round = 0; round < 1000 && width() != 400; ++round) {
        }
        return windows[0]["number"].integerValue();
    }

    // The next `count` surfaces of a stream; fewer when they do not come.
    std::vector<VLReceivedSurface> surfacesOf(int64_t stream, size_t count) {
        std::vector<VLReceivedSurface> found;
        while (found.size() < count) {
            std::optional<VLReceivedSurface> surface = VLReceivedSurface::receive(host->surfaceSocket());
            if (!surface)
                break;
            if (surface->stream == uint32_t(stream))
                found.push_back(std::move(*surface));
        }
        return found;
    }

    // The first `count` "frame" messages of the stream after the first `skipped` messages; fewer when they
    // do not come.
    std::vector<VLDictionary> framesOf(int64_t stream, size_t count, size_t skipped = 0) {
        for (;;) {
            const std::vector<VLDictionary> messages = host->messages();
            std::vector<VLDictionary> frames;
            for (size_t index = skipped; index < messages.size() && frames.size() < count; ++index) {
                if (messages[index].get("op") == VLValue("frame") &&
                    messages[index].get("stream") == VLValue(stream))
                    frames.push_back(messages[index]);
            }
            if (frames.size() == count ||
                !host->waitForMessageAfter(messages.size(), [](const auto&) { return true; }))
                return frames;
        }
    }

    VLTemporaryDirectory directory;
    std::unique_ptr<VLTestMainApplication> host;
};

} // namespace

TEST_F(VeltoContentMirrorTest, AWindowIsMirroredUprightIntoThreeSurfacesPerSize) {
    spawn(true);
    const int64_t number = launchMirrored();
    EXPECT_EQ(VLValue(0), process()["gpuMemory"]) << "no surface yet";

    host->send(
        {{"op", "mirror"}, {"rid", 1}, {"stream", 7}, {"number", number}, {"width", 200}, {"height", 200}});
    std::vector<VLReceivedSurface> surfaces = surfacesOf(7, 3);
    ASSERT_EQ(3u, surfaces.size());
    for (uint32_t index = 0; index < 3; ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(1u, surfaces[index].descriptorCount);
        EXPECT_EQ(1u, surfaces[index].generation);
        EXPECT_EQ(index, surfaces[index].index);
        EXPECT_EQ(200u, surfaces[index].width);
        EXPECT_EQ(150u, surfaces[index].height);
    }
    const std::vector<VLDictionary> frames = framesOf(7, 3);
    ASSERT_EQ(3u, frames.size());
    for (int64_t index = 0; index < 3; ++index) {
        EXPECT_EQ(VLValue(index), frames[size_t(index)].get("index"));
        EXPECT_EQ(VLValue(1), frames[size_t(index)].get("generation"));
    }
    const VLReceivedSurface& shown = surfaces[size_t(frames[0].get("index").integerValue())];
    EXPECT_EQ((Pixel{0, 0, 255, 255}), shown.pixel(100, 5)) << "red on top";
    EXPECT_EQ((Pixel{255, 0, 0, 255}), shown.pixel(100, 145)) << "blue below";
    EXPECT_EQ(VLValue(int64_t(3 * surfaces[0].fileSize)), process()["gpuMemory"]);

    answer(host->request({{"op", "callJS"}, {"rid", 1}, {"method", "resize"}}));
    surfaces = surfacesOf(7, 3);
    ASSERT_EQ(3u, surfaces.size());
    for (uint32_t index = 0; index < 3; ++index) {
        EXPECT_EQ(2u, surfaces[index].generation);
        EXPECT_EQ(index, surfaces[index].index);
        EXPECT_EQ(200u, surfaces[index].width);
    }
}

TEST_F(VeltoContentMirrorTest, AStreamWithoutAWidthSendsNothingUntilOneComes) {
    spawn(true);
    const int64_t number = launchMirrored();
    host->send({{"op", "mirror"}, {"rid", 1}, {"stream", 8}, {"number", number}, {"height", 200}});
    // Stream 8's ticks come first: by the first frame of stream 9, it has had its chance to send.
    host->send(
        {{"op", "mirror"}, {"rid", 1}, {"stream", 9}, {"number", number}, {"width", 100}, {"height", 100}});
    ASSERT_EQ(1u, framesOf(9, 1).size());
    while (const auto surface =
               VLReceivedSurface::receive(host->surfaceSocket(), std::chrono::milliseconds(0)))
        EXPECT_EQ(9u, surface->stream);

    const size_t before = host->messages().size();
    host->send({{"op", "mirror"}, {"rid", 1}, {"stream", 8}, {"width", 1}, {"height", 200}});
    const std::vector<VLReceivedSurface> surfaces = surfacesOf(8, 3);
    ASSERT_EQ(3u, surfaces.size());
    EXPECT_EQ(1u, surfaces[0].width) << "at most 1 pixel wide";
    EXPECT_EQ(1u, surfaces[0].height);
    EXPECT_EQ(1u, surfaces[0].generation);
    EXPECT_EQ(1u, framesOf(8, 1, before).size());
}

TEST_F(VeltoContentMirrorTest, WithoutDescriptor4AMirrorDoesNothing) {
    spawn(false);
    const int64_t number = launchMirrored();
    host->send(
        {{"op", "mirror"}, {"rid", 1}, {"stream", 7}, {"number", number}, {"width", 200}, {"height", 200}});
    // The first sample comes a second later, well past the ticks a stream would have had.
    host->send({{"op", "performance"}, {"rid", 1}, {"on", true}});
    ASSERT_TRUE(host->waitForOp("sample"));
    EXPECT_EQ(VLValue(0), process()["gpuMemory"]);
    for (const VLDictionary& message : host->messages())
        EXPECT_NE(VLValue("frame"), message.get("op"));
}
