#include "Core/Runtime/VLRemoteResource.h"

#include "Core/Runtime/VLRemoteMediaLoader.h"
#include "Core/Runtime/VLRemoteMediaLoadingRequest.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLDelayScheduler.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLManualDelayScheduler.h"
#include "Platform/Network/VLURLError.h"
#include "Tests/Support/VLHTTPTestServer.h"
#include "Tests/Support/VLPrivateTMPDIR.h"
#include "Tests/Support/VLTableHostResolver.h"
#include "Tests/Support/VLTestRuntime.h"
#include "Tests/Support/VLTestSignal.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>

using testing::MatchesRegex;

namespace {

using Server = VLHTTPTestServer;

VLRemoteCheck allowAll() {
    return VLRemoteCheck([](const VLURL&) { return std::optional<std::string>(); });
}

std::string bytes(const VLData& data) {
    return std::string(data.begin(), data.end());
}

struct Outcome {
    std::optional<VLData> data;
    VLErrorRef error;

    // "" on success, else "<code> <description> <failing URL>".
    std::string failure() const {
        if (!error)
            return "";
        return std::to_string(error->code()) + " " + error->localizedDescription() + " " +
               error->userInfo().get(VLURLErrorFailingURLErrorKey).stringValue();
    }
};

std::string refusal(const std::string& url, const std::string& reason) {
    return "-999 Can't reach " + url + ": " + reason + " " + url;
}

Outcome download(const std::string& url, VLRemoteCheck check, uint64_t maximumLength = 1 << 20) {
    Outcome outcome;
    VLTestSignal done;
    VLRemoteResource::downloadDataWithContentsOfURL(VLURL(url), std::move(check), maximumLength,
                                                    [&](std::optional<VLData> data, const VLErrorRef& error) {
                                                        outcome = {std::move(data), error};
                                                        done.raise();
                                                    });
    EXPECT_TRUE(done.wait()) << url;
    return outcome;
}

class VLRemoteResourceTest : public testing::Test {
protected:
    VLRemoteResourceTest() {
        runtime->setAllowsNetworkAccess(true);
        resolver->answer("fixture.test", {"127.0.0.1"});
    }

    std::string named(const std::string& path) const {
        return "http://fixture.test:" + std::to_string(server.port()) + path;
    }

    VLPrivateTMPDIR tmpdir;
    VLScopedTableHostResolver resolver;
    Server server;
    VLTestRuntime runtime;
};

TEST_F(VLRemoteResourceTest, DownloadsABody) {
    Server::Response answer;
    answer.generatedLength = 100000;
    answer.chunked = true;
    server.route("/body", answer);
    const Outcome outcome = download(server.url("/body"), VLRemoteResource::checkForRuntime(runtime.get()));
    EXPECT_EQ(outcome.failure(), "");
    ASSERT_TRUE(outcome.data);
    EXPECT_EQ(bytes(*outcome.data), Server::patternBytes(0, 100000));
}

TEST_F(VLRemoteResourceTest, RefusesWithTheReasonAndTheFailingURL) {
    server.route("/a", Server::Response::text("x"));
    const VLRemoteCheck check = VLRemoteResource::checkForRuntime(runtime.get());
    const std::string dataURL = "data:text/plain,hello";
    EXPECT_EQ(download(dataURL, check).failure(),
              refusal(dataURL, "only http and https URLs can be reached"));
    EXPECT_EQ(download("FILE:///etc/hosts", check).failure(),
              refusal("FILE:///etc/hosts", "only http and https URLs can be reached"));

    runtime->setAllowedNetworkHosts(std::vector<std::string>{"fixture.test"});
    const VLRemoteCheck listed = VLRemoteResource::checkForRuntime(runtime.get());
    EXPECT_EQ(download(server.url("/a"), listed).failure(),
              refusal(server.url("/a"),
                      "\"127.0.0.1\" is an IP address or a local name, which content can't reach"));
    EXPECT_EQ(download(named("/a"), listed).failure(),
              refusal(named("/a"),
                      "\"fixture.test\" resolves to a local network address, which content can't reach"));
    EXPECT_EQ(server.connectionCount(), 0);

    runtime->setAllowsNetworkAccess(false);
    EXPECT_EQ(download(named("/a"), check).failure(),
              refusal(named("/a"), "network access needs the \"network\" permission in manifest.json"));
    runtime->terminate();
    EXPECT_EQ(download(named("/a"), check).failure(), refusal(named("/a"), "the content stopped"));
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST_F(VLRemoteResourceTest, FailsOnStatusesAndSizes) {
    Server::Response big;
    big.generatedLength = 5000;
    server.route("/big", big);
    big.sendsContentLength = false;
    server.route("/unannounced", big);
    big.chunked = true;
    server.route("/chunked", big);
    const VLRemoteCheck check = VLRemoteResource::checkForRuntime(runtime.get());

    EXPECT_EQ(download(server.url("/missing"), check).failure(),
              refusal(server.url("/missing"), "the server answered 404"));
    for (const char* path : {"/big", "/unannounced", "/chunked"})
        EXPECT_EQ(download(server.url(path), check, 4999).failure(),
                  refusal(server.url(path), "it's too large"));
    EXPECT_EQ(download(server.url("/chunked"), check, 5000).failure(), "");
}

TEST_F(VLRemoteResourceTest, ChecksEveryRedirectHopAndKeepsTheReasonOfARefusal) {
    server.route("/a", Server::Response::redirect(302, "/b"));
    server.route("/b", Server::Response::redirect(301, named("/c")));
    server.route("/c", Server::Response::text("end"));
    std::mutex lock;
    std::vector<std::string> checked;
    auto recording = [&](std::optional<std::string> refusedReason) {
        return VLRemoteCheck([&, refusedReason](const VLURL& url) -> std::optional<std::string> {
            std::lock_guard guard(lock);
            checked.push_back(url.absoluteString());
            if (refusedReason && url.path() == "/c")
                return refusedReason;
            return std::nullopt;
        });
    };

    Outcome outcome = download(server.url("/a"), recording(std::nullopt));
    EXPECT_EQ(outcome.failure(), "");
    EXPECT_EQ(bytes(*outcome.data), "end");
    EXPECT_EQ(checked, (std::vector<std::string>{server.url("/a"), server.url("/b"), named("/c")}));

    checked.clear();
    outcome = download(server.url("/a"), recording("no c for you"));
    EXPECT_EQ(outcome.failure(), "-999 Can't reach " + named("/c") + ": no c for you " + named("/c"));
    EXPECT_EQ(server.requests().back().target, "/b");
}

TEST_F(VLRemoteResourceTest, VetsTheAddressTheConnectionUses) {
    // The name answers a public address to the check and the loopback address to the connection.
    resolver->answerInTurn("rebind.test", {{"8.8.8.8"}, {"127.0.0.1"}});
    server.route("/a", Server::Response::text("secret"));
    runtime->setAllowedNetworkHosts(std::vector<std::string>{"rebind.test"});
    const std::string url = "http://rebind.test:" + std::to_string(server.port()) + "/a";
    EXPECT_EQ(download(url, VLRemoteResource::checkForRuntime(runtime.get())).failure(),
              refusal(url, "\"rebind.test\" resolves to a local network address, which content can't reach"));
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST_F(VLRemoteResourceTest, TimesOutAfterTwoMinutesWhileBytesStillArrive) {
    auto scheduler = std::make_shared<VLManualDelayScheduler>();
    VLDelayScheduler::setShared(scheduler);
    Server::Response drip;
    drip.endless = true;
    drip.dripBytes = 1;
    drip.dripInterval = std::chrono::milliseconds(5);
    server.route("/drip", drip);

    Outcome outcome;
    VLTestSignal done;
    VLRemoteResource::downloadDataWithContentsOfURL(VLURL(server.url("/drip")), allowAll(), 1 << 20,
                                                    [&](std::optional<VLData> data, const VLErrorRef& error) {
                                                        outcome = {std::move(data), error};
                                                        done.raise();
                                                    });
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{120.0});
    EXPECT_TRUE(VLWaitUntil([&] { return server.requests().size() == 1; }));
    scheduler->advance(119.9);
    EXPECT_FALSE(done.isRaised());
    scheduler->advance(0.1);
    EXPECT_TRUE(done.wait());
    VLDelayScheduler::setShared(nullptr);
    EXPECT_EQ(outcome.failure(), refusal(server.url("/drip"), "it took too long"));
    EXPECT_TRUE(VLWaitUntil([&] { return server.openConnectionCount() == 0; }));
}

TEST_F(VLRemoteResourceTest, ACancelledDownloadCallsNothing) {
    Server::Response endless;
    endless.endless = true;
    server.route("/endless", endless);
    auto sentinel = std::make_shared<int>();
    std::weak_ptr<int> watch = sentinel;
    bool called = false;
    std::shared_ptr<VLRemoteDownload> handle = VLRemoteResource::downloadDataWithContentsOfURL(
        VLURL(server.url("/endless")), allowAll(), uint64_t(1) << 40,
        [&called, sentinel](std::optional<VLData>, const VLErrorRef&) { called = true; });
    sentinel.reset();
    EXPECT_TRUE(VLWaitUntil([&] { return server.requests().size() == 1; }));
    handle->cancel();
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(VLWaitUntil([&] { return server.openConnectionCount() == 0; }));
    EXPECT_FALSE(called);
}

TEST_F(VLRemoteResourceTest, TheBlockingVariantWaitsButNotOnTheSessionThread) {
    server.route("/a", Server::Response::text("first"));
    server.route("/b", Server::Response::text("second"));
    VLErrorRef error;
    std::optional<VLData> data =
        VLRemoteResource::dataWithContentsOfURL(VLURL(server.url("/a")), allowAll(), 100, &error);
    EXPECT_EQ(error, nullptr);
    ASSERT_TRUE(data);
    EXPECT_EQ(bytes(*data), "first");

    // A download's completion runs on the session's thread.
    Outcome nested;
    EXPECT_EQ(download(server.url("/a"), allowAll()).failure(), "");
    VLTestSignal done;
    VLRemoteResource::downloadDataWithContentsOfURL(
        VLURL(server.url("/a")), allowAll(), 100, [&](std::optional<VLData>, const VLErrorRef&) {
            nested.data = VLRemoteResource::dataWithContentsOfURL(VLURL(server.url("/b")), allowAll(), 100,
                                                                  &nested.error);
            done.raise();
        });
    ASSERT_TRUE(done.wait());
    EXPECT_FALSE(nested.data);
    EXPECT_THAT(nested.failure(), testing::StartsWith("-999 Can't reach " + server.url("/b") + ": "));
}

// Media.

TEST(VLRemoteMediaURLTest, NamesMediaAfterTheExtension) {
    const VLURL withExtension =
        VLRemoteResource::mediaURLForURL(VLURL("https://h.test/a/movie.MP4?x=1"), allowAll());
    EXPECT_THAT(withExtension.absoluteString(),
                MatchesRegex("vl-remote://[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}/media\\.MP4"));
    const VLURL without = VLRemoteResource::mediaURLForURL(VLURL("https://h.test/stream"), allowAll());
    EXPECT_THAT(without.absoluteString(), MatchesRegex("vl-remote://[-0-9A-F]{36}/media"));
    EXPECT_NE(withExtension.host(), without.host());
    const std::shared_ptr<VLRemoteMediaLoader> loader =
        VLRemoteResource::mediaLoaderForMediaURL(withExtension);
    ASSERT_TRUE(loader);
    EXPECT_EQ(loader->URL().absoluteString(), "https://h.test/a/movie.MP4?x=1");
    EXPECT_FALSE(VLRemoteResource::mediaLoaderForMediaURL(VLURL("vl-remote://UNKNOWN/media")));
}

TEST(VLRemoteMediaURLTest, TheTableStartsOverWhenFull) {
    const VLURL source("https://h.test/a.mp3");
    auto known = [](const VLURL& url) { return VLRemoteResource::mediaLoaderForMediaURL(url) != nullptr; };
    // Other tests may have filled the table in part: fill it until it starts over.
    const VLURL probe = VLRemoteResource::mediaURLForURL(source, allowAll());
    VLURL first = probe;
    for (int i = 0; i < 256 && known(probe); ++i)
        first = VLRemoteResource::mediaURLForURL(source, allowAll());
    ASSERT_FALSE(known(probe));
    // Now `first` is alone in the table: 255 more fill it.
    VLURL last = first;
    for (int i = 0; i < 255; ++i)
        last = VLRemoteResource::mediaURLForURL(source, allowAll());
    EXPECT_TRUE(known(first));
    const VLURL next = VLRemoteResource::mediaURLForURL(source, allowAll());
    EXPECT_FALSE(known(first));
    EXPECT_FALSE(known(last));
    EXPECT_TRUE(known(next));
}

// What one loading request heard, on the loader's queue.
struct Heard {
    std::mutex lock;
    std::optional<VLRemoteMediaLoadingRequest::ContentInformation> information;
    std::string data;
    std::optional<VLErrorRef> finish;
    VLTestSignal finished;

    VLRemoteMediaLoadingRequest::Handlers handlers() {
        return {[this](const VLRemoteMediaLoadingRequest::ContentInformation& info) {
                    EXPECT_TRUE(VLRemoteMediaLoader::queue()->isCurrent());
                    std::lock_guard guard(lock);
                    information = info;
                },
                [this](const VLData& chunk) {
                    std::lock_guard guard(lock);
                    data.append(chunk.begin(), chunk.end());
                },
                [this](const VLErrorRef& error) {
                    {
                        std::lock_guard guard(lock);
                        finish = error;
                    }
                    finished.raise();
                }};
    }
    size_t dataSize() {
        std::lock_guard guard(lock);
        return data.size();
    }
};

class VLRemoteMediaLoaderTest : public testing::Test {
protected:
    std::shared_ptr<VLRemoteMediaLoader> loaderFor(const std::string& path) {
        return VLRemoteResource::mediaLoaderForMediaURL(
            VLRemoteResource::mediaURLForURL(VLURL(server.url(path)), allowAll()));
    }
    // Loads the request to its end.
    void load(const std::string& path, bool information,
              std::optional<VLRemoteMediaLoadingRequest::DataRequest> range, Heard& heard) {
        auto request = std::make_shared<VLRemoteMediaLoadingRequest>(information, range, heard.handlers());
        loaderFor(path)->load(request);
        EXPECT_TRUE(heard.finished.wait());
    }

    Server server;
};

TEST_F(VLRemoteMediaLoaderTest, ReadsTheContentInformationFromTheFirstTwoBytes) {
    Server::Response medium;
    medium.generatedLength = 10000;
    medium.honoursRange = true;
    medium.headers = {{"Content-Type", "video/mp4"}};
    server.route("/clip.bin", medium);
    medium.headers.clear();
    server.route("/clip.mp4", medium);
    server.route("/clip", medium);
    medium.honoursRange = false;
    server.route("/plain.mp3", medium);

    struct Case {
        const char* path;
        VLRemoteMediaLoadingRequest::ContentInformation expected;
    };
    const Case cases[] = {
        {"/clip.bin", {"video/mp4", 10000, true}},
        {"/clip.mp4", {"video/mp4", 10000, true}},
        {"/clip", {"application/octet-stream", 10000, true}},
        {"/plain.mp3", {"audio/mpeg", 10000, false}},
    };
    for (const Case& c : cases) {
        Heard heard;
        load(c.path, true, std::nullopt, heard);
        ASSERT_TRUE(heard.information) << c.path;
        EXPECT_EQ(heard.information->contentType, c.expected.contentType) << c.path;
        EXPECT_EQ(heard.information->contentLength, c.expected.contentLength) << c.path;
        EXPECT_EQ(heard.information->byteRangeAccessSupported, c.expected.byteRangeAccessSupported) << c.path;
        EXPECT_EQ(heard.finish, VLErrorRef()) << c.path;
        EXPECT_EQ(server.requests().back().header("Range"), "bytes=0-1") << c.path;
    }
}

TEST_F(VLRemoteMediaLoaderTest, AsksForRangesAndSkipsWhatAServerSendsBeforeThem) {
    for (const bool honours : {true, false}) {
        Server::Response medium;
        medium.generatedLength = 300000;
        medium.honoursRange = honours;
        server.route("/m.mp4", medium);

        Heard part;
        load("/m.mp4", false, VLRemoteMediaLoadingRequest::DataRequest{1000, 5000, false}, part);
        EXPECT_EQ(server.requests().back().header("Range"), "bytes=1000-5999");
        EXPECT_EQ(part.finish, VLErrorRef());
        // A server that ignores ranges sends to the end; the reader stops when it has enough.
        EXPECT_EQ(part.data.substr(0, 5000), Server::patternBytes(1000, 5000)) << honours;
        EXPECT_EQ(part.data.size(), honours ? 5000u : 299000u);

        Heard rest;
        load("/m.mp4", false, VLRemoteMediaLoadingRequest::DataRequest{250000, 0, true}, rest);
        EXPECT_EQ(server.requests().back().header("Range"), "bytes=250000-");
        EXPECT_EQ(rest.data, Server::patternBytes(250000, 50000)) << honours;
    }
}

TEST_F(VLRemoteMediaLoaderTest, OtherStatusesFailTheRequest) {
    Heard heard;
    load("/missing.mp4", true, VLRemoteMediaLoadingRequest::DataRequest{0, 10, false}, heard);
    ASSERT_TRUE(heard.finish && *heard.finish);
    EXPECT_EQ((*heard.finish)->localizedDescription(),
              "Can't reach " + server.url("/missing.mp4") + ": the server answered 404");
    EXPECT_FALSE(heard.information);
}

TEST_F(VLRemoteMediaLoaderTest, CancellingEndsTheTransfer) {
    Server::Response endless;
    endless.endless = true;
    server.route("/live.mp3", endless);
    Heard heard;
    auto request = std::make_shared<VLRemoteMediaLoadingRequest>(
        false, VLRemoteMediaLoadingRequest::DataRequest{0, 0, true}, heard.handlers());
    std::shared_ptr<VLRemoteMediaLoader> loader = loaderFor("/live.mp3");
    loader->load(request);
    EXPECT_TRUE(VLWaitUntil([&] { return heard.dataSize() > 100000; }));
    loader->cancel(request);
    EXPECT_TRUE(request->isCancelled());
    EXPECT_TRUE(VLWaitUntil([&] { return server.openConnectionCount() == 0; }));
    // Nothing more reaches the handlers once the queue has run what it held.
    VLRemoteMediaLoader::queue()->sync([] {});
    const size_t size = heard.dataSize();
    VLRemoteMediaLoader::queue()->sync([] {});
    EXPECT_EQ(heard.dataSize(), size);
    EXPECT_FALSE(heard.finished.isRaised());
}

} // namespace
