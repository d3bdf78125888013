#include "Tests/Support/VLHTTPTestServer.h"
#include "Tests/Tools/velto/VLVeltoProcess.h"
#include "Tests/Tools/velto/VLVeltoScreenshot.h"

#include "Tests/Support/VLTemporaryDirectory.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

std::string quotedPackage(const std::string& name) {
    return "'" + std::string(VELTO_FIXTURES) + "/image/" + name + "'";
}

std::string optionsFor(const VLHTTPTestServer& server) {
    return "--options '{\"base\":\"" + server.url("") + "\"}' ";
}

// A grey square PNG written a row at a time, so that a picture of the largest size costs the test no
// memory of that size; it compresses to a few hundred kilobytes.
void writeGreySquare(const std::filesystem::path& path, uint32_t side) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, side, side, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(side, 128);
    for (uint32_t y = 0; y < side; ++y)
        png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

// A package whose script shows the pictures, each in its own image, and prints each outcome.
void writePicturePackage(const std::filesystem::path& folder, const std::vector<std::string>& names) {
    std::ofstream script(folder / "index.js");
    for (const std::string& name : names)
        script << "{ const image = new Velto.Image({ src: '" << name << "' });\n"
               << "  image.onload = () => console.log('" << name << "', 'load');\n"
               << "  image.onerror = (e) => console.log('" << name << "', 'error', e.errMsg); }\n";
}

} // namespace

// A picture file beyond 64 MiB is refused before it is read; the file is sparse, taking no room.
TEST(VLImageScriptTests, APictureFileBeyondTheCapFails) {
    VLTemporaryDirectory package;
    std::ofstream(package.path() / "huge.png") << "\x89PNG";
    std::filesystem::resize_file(package.path() / "huge.png", 67108864 + 1);
    writePicturePackage(package.path(), {"huge.png"});
    const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run("run '" + package.path().string() + "'");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "log: huge.png error load image failed\n");
}

// Pictures of the largest size decode off the main thread: the run still ends at its time-out, with
// status 0, while they decode. (The wait below only keeps a broken run from hanging the test.)
TEST(VLImageScriptTests, TheTimeoutEndsARunWhilePicturesDecode) {
    VLTemporaryDirectory package;
    writeGreySquare(package.path() / "large.png", 8192);
    std::vector<std::string> names;
    for (int i = 0; i < 2; ++i) {
        names.push_back("large-" + std::to_string(i) + ".png");
        std::filesystem::copy_file(package.path() / "large.png", package.path() / names.back());
    }
    writePicturePackage(package.path(), names);
    VLVeltoProcess velto({"run", "--timeout", "1", package.path().string()});
    EXPECT_EQ(velto.waitForExit(std::chrono::seconds(120)), 0);
}

TEST(VLImageScriptTests, ImagesReadTheirSettingsAndLoadPackagePictures) {
    const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run("run " + quotedPackage("basics"));
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out,
              VLVeltoProcess::contentsOf(std::string(VELTO_FIXTURES) + "/image/basics/expected.txt"));
    EXPECT_EQ(outcome.err, "");
}

TEST(VLImageScriptTests, RemotePicturesLoadUpToTheCap) {
    VLHTTPTestServer server;
    server.route("/wide.png", VLHTTPTestServer::Response::text(VLVeltoProcess::contentsOf(
                                  std::string(VELTO_FIXTURES) + "/images/wide.png")));
    server.route("/square.png", VLHTTPTestServer::Response::text(VLVeltoProcess::contentsOf(
                                    std::string(VELTO_FIXTURES) + "/images/alpha.png")));
    server.route("/text.png", VLHTTPTestServer::Response::text("not a picture"));
    VLHTTPTestServer::Response huge;
    huge.generatedLength = 67108864 + 1;
    server.route("/huge.png", huge);
    const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run("run --payload allowsNetworkAccess=true " +
                                                                optionsFor(server) + quotedPackage("remote"));
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "log: picture load 48 32\n"
                           "log: beyond the cap error {\"errMsg\":\"load image failed\"}\n"
                           "log: not a picture error {\"errMsg\":\"load image failed\"}\n"
                           "log: missing error {\"errMsg\":\"load image failed\"}\n"
                           "log: second source wins load 32 32\n");
    EXPECT_EQ(outcome.err, "");
}

TEST(VLImageScriptTests, AnHTTPSourceWithoutNetworkAccessWarnsAndFails) {
    VLHTTPTestServer server;
    const std::string url = server.url("/wide.png");
    const VLVeltoProcess::Outcome outcome =
        VLVeltoProcess::run("run " + optionsFor(server) + quotedPackage("offline"));
    EXPECT_EQ(outcome.status, 0);
    // Warnings of the engine's own carry the time.
    const std::string out =
        std::regex_replace(outcome.out, std::regex("^warn: \\[[-0-9]+ [:0-9]+\\] "), "warn: ");
    EXPECT_EQ(out, "warn: Can't load " + url +
                       ": network access needs the \"network\" permission in manifest.json\n"
                       "log: error {\"errMsg\":\"can't load " +
                       url + "\"}\n");
    EXPECT_TRUE(server.requests().empty());
}

// The 48 by 32 picture contained in a 120 by 40 box at 300,200 is drawn 60 by 40 from x 330, its
// quadrants red, green, blue and white; the window's black shows on either side.
TEST(VLImageScriptTests, AContainedPictureAppearsInTheScreenshotAtItsFittedPlace) {
    const VLVeltoScreenshot shot("--timeout 600 --payload 'allowedWindowTypes=[\"widget\"]' " +
                                 quotedPackage("screenshot"));
    EXPECT_EQ(shot.outcome().status, 0);
    EXPECT_EQ(shot.outcome().out, "log: load\n");
    EXPECT_EQ(shot.outcome().err, "");
    using Pixel = VLVeltoScreenshot::Pixel;
    const Pixel red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255}, white{255, 255, 255, 255},
        black{0, 0, 0, 255}, none{0, 0, 0, 0};
    const VLVeltoScreenshot::Point points[] = {
        {340, 210, red},   {380, 210, green}, {340, 230, blue},  {380, 230, white},
        {331, 201, red},   {388, 238, white}, {310, 220, black}, {328, 220, black},
        {392, 220, black}, {410, 220, black}, {299, 220, none},  {420, 220, none},
    };
    shot.expectColours(points);
}
