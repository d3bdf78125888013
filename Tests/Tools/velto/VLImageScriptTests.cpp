#include "Tests/Support/VLHTTPTestServer.h"
#include "Tests/Tools/velto/VLVeltoProcess.h"
#include "Tests/Tools/velto/VLVeltoScreenshot.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

std::string quotedPackage(const std::string& name) {
    return "'" + std::string(VELTO_FIXTURES) + "/image/" + name + "'";
}

std::string optionsFor(const VLHTTPTestServer& server) {
    return "--options '{\"base\":\"" + server.url("") + "\"}' ";
}

} // namespace

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
