#include "Platform/Network/VLHTTPSession.h"

#include "Platform/Network/VLHTTPDataTask.h"
#include "Platform/Network/VLHTTPSessionDelegate.h"
#include "Platform/Network/VLURLError.h"
#include "Tests/Support/VLHTTPTestServer.h"
#include "Tests/Support/VLTableHostResolver.h"
#include "Tests/Support/VLTestSignal.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

using Server = VLHTTPTestServer;

std::string repeated(const std::string& text, int count) {
    std::string result;
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

// Records what the session tells, and follows redirects as told.
class Recorder final : public VLHTTPSessionDelegate {
public:
    bool followsRedirects = true;
    bool acceptsResponses = true;
    // Called with each piece of data, on the session's thread.
    std::function<void(VLHTTPDataTask&)> onData;

    std::mutex lock;
    std::vector<std::string> redirects;
    std::optional<VLHTTPResponse> response;
    std::string body;
    VLErrorRef error;
    int completions = 0;
    std::condition_variable changed;

    void reset() {
        std::lock_guard guard(lock);
        redirects.clear();
        response.reset();
        body.clear();
        error = nullptr;
        completions = 0;
    }
    bool waitCompleted() {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(20), [&] { return completions > 0; });
    }

    void willPerformRedirection(VLHTTPDataTask& task, const VLHTTPResponse&, const VLURL& location,
                                std::function<void(bool)> decide) override {
        EXPECT_EQ(task.currentURL().absoluteString().empty(), false);
        {
            std::lock_guard guard(lock);
            redirects.push_back(location.absoluteString());
        }
        decide(followsRedirects);
    }
    bool didReceiveResponse(VLHTTPDataTask&, const VLHTTPResponse& head) override {
        std::lock_guard guard(lock);
        response = head;
        return acceptsResponses;
    }
    void didReceiveData(VLHTTPDataTask& task, std::span<const uint8_t> data) override {
        {
            std::lock_guard guard(lock);
            body.append(reinterpret_cast<const char*>(data.data()), data.size());
        }
        if (onData)
            onData(task);
    }
    void didComplete(VLHTTPDataTask&, const VLErrorRef& failure) override {
        {
            std::lock_guard guard(lock);
            error = failure;
            ++completions;
        }
        changed.notify_all();
    }
};

class VLHTTPSessionTest : public testing::Test {
protected:
    void TearDown() override { session->invalidateAndCancel(); }

    // Runs a request to its end.
    void fetch(const std::string& url, std::vector<std::pair<std::string, std::string>> headers = {},
               VLHTTPRequest::ConnectionFilter filter = nullptr) {
        VLHTTPRequest request{VLURL(url)};
        request.headers = std::move(headers);
        request.connectionFilter = std::move(filter);
        fetch(std::move(request));
    }
    void fetch(VLHTTPRequest request) {
        session->dataTaskWithRequest(std::move(request))->resume();
        ASSERT_TRUE(recorder->waitCompleted());
    }

    // "" on success, else the code and the description, which tell more than a pointer when a test fails.
    std::string errorText() const {
        return recorder->error
                   ? std::to_string(recorder->error->code()) + " " + recorder->error->localizedDescription()
                   : "";
    }
    int64_t errorCode() const { return recorder->error ? recorder->error->code() : 0; }
    std::string failingURL() const {
        return recorder->error ? recorder->error->userInfo().get(VLURLErrorFailingURLErrorKey).stringValue()
                               : "";
    }

    Server server;
    VLScopedTableHostResolver resolver;
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
    std::shared_ptr<VLHTTPSession> session = VLHTTPSession::create("app.velto.test-session", recorder);
};

TEST_F(VLHTTPSessionTest, DeliversTheHeadAndTheBody) {
    Server::Response answer;
    answer.body = "hello";
    answer.headers = {{"Content-Type", "Text/Plain; charset=utf-8"}, {"X-Extra", "1"}};
    server.route("/a", answer);
    fetch(server.url("/a?q=1"), {{"X-Asked", "yes"}});

    EXPECT_EQ(errorText(), "");
    EXPECT_EQ(recorder->completions, 1);
    ASSERT_TRUE(recorder->response);
    EXPECT_EQ(recorder->response->statusCode(), 200);
    EXPECT_EQ(recorder->response->expectedContentLength(), 5);
    EXPECT_EQ(recorder->response->MIMEType(), "text/plain");
    EXPECT_EQ(recorder->response->valueForHeader("x-extra"), "1");
    EXPECT_EQ(recorder->body, "hello");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].target, "/a?q=1");
    EXPECT_EQ(server.requests()[0].header("X-Asked"), "yes");
    EXPECT_FALSE(server.requests()[0].header("Cookie"));
}

TEST_F(VLHTTPSessionTest, BodiesWithoutALengthHaveAnUnknownExpectedLength) {
    for (const bool chunked : {true, false}) {
        Server::Response answer;
        answer.generatedLength = 300000;
        answer.chunked = chunked;
        answer.sendsContentLength = false;
        server.route("/big", answer);
        recorder->reset();
        fetch(server.url("/big"));
        EXPECT_EQ(errorText(), "") << chunked;
        EXPECT_EQ(recorder->response->expectedContentLength(), -1) << chunked;
        EXPECT_EQ(recorder->body, Server::patternBytes(0, 300000)) << chunked;
    }
}

TEST_F(VLHTTPSessionTest, AsksAboutEachRedirectWithTheLocationResolved) {
    server.route("/one", Server::Response::redirect(302, "two?x=1"));
    server.route("/two", Server::Response::redirect(307, server.url("/three")));
    Server::Response three;
    three.body = "here";
    server.route("/three", three);
    fetch(server.url("/dir/../one"));

    EXPECT_EQ(errorText(), "");
    EXPECT_EQ(recorder->redirects, (std::vector<std::string>{server.url("/two?x=1"), server.url("/three")}));
    EXPECT_EQ(recorder->response->url().absoluteString(), server.url("/three"));
    EXPECT_EQ(recorder->body, "here");
    EXPECT_EQ(server.requests().back().target, "/three");
}

TEST_F(VLHTTPSessionTest, ARefusedRedirectEndsTheTaskAsCancelled) {
    server.route("/one", Server::Response::redirect(301, "/two"));
    recorder->followsRedirects = false;
    fetch(server.url("/one"));
    EXPECT_EQ(errorCode(), VLURLErrorCancelled);
    EXPECT_FALSE(recorder->response);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(VLHTTPSessionTest, ARedirectLoopEndsAfterSixteenHops) {
    server.route("/loop", Server::Response::redirect(302, "/loop"));
    fetch(server.url("/loop"));
    EXPECT_EQ(errorCode(), VLURLErrorHTTPTooManyRedirects);
    EXPECT_EQ(recorder->error->localizedDescription(), "too many HTTP redirects");
    EXPECT_EQ(failingURL(), server.url("/loop"));
    EXPECT_EQ(recorder->redirects.size(), 16u);
}

TEST_F(VLHTTPSessionTest, NamesResolveThroughTheProcessResolverOnly) {
    server.route("/a", Server::Response::text("named"));
    resolver->answer("fixture.test", {"127.0.0.1"});
    const std::string port = std::to_string(server.port());
    fetch("http://Fixture.Test.:" + port + "/a");
    EXPECT_EQ(errorText(), "");
    EXPECT_EQ(recorder->body, "named");
    EXPECT_EQ(resolver->lookups("fixture.test"), 1);

    recorder->reset();
    fetch("http://nowhere.test:" + port + "/a");
    EXPECT_EQ(errorCode(), VLURLErrorCannotFindHost);
    EXPECT_EQ(failingURL(), "http://nowhere.test:" + port + "/a");
}

TEST_F(VLHTTPSessionTest, TheConnectionFilterSeesTheAddressAndCanRefuseIt) {
    server.route("/a", Server::Response::text("x"));
    std::vector<std::string> seen;
    fetch(server.url("/a"), {}, [&](const VLURL& url, const VLNetworkAddress& address) {
        seen.push_back(url.absoluteString() + " " + address.text());
        return false;
    });
    EXPECT_EQ(errorCode(), VLURLErrorCannotConnectToHost);
    EXPECT_EQ(seen, std::vector<std::string>{server.url("/a") + " 127.0.0.1"});
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST_F(VLHTTPSessionTest, ConnectionsAreReusedUnlessFiltered) {
    server.route("/a", Server::Response::text("x"));
    for (int i = 0; i < 2; ++i) {
        recorder->reset();
        fetch(server.url("/a"));
    }
    EXPECT_EQ(server.connectionCount(), 1);
    recorder->reset();
    fetch(server.url("/a"), {}, [](const VLURL&, const VLNetworkAddress&) { return true; });
    EXPECT_EQ(errorText(), "");
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST_F(VLHTTPSessionTest, CancellingEndsTheTransferAndTheData) {
    Server::Response endless;
    endless.endless = true;
    server.route("/endless", endless);
    std::shared_ptr<VLHTTPDataTask> task =
        session->dataTaskWithRequest(VLHTTPRequest{VLURL(server.url("/endless"))});
    size_t bodyAtCancel = 0;
    recorder->onData = [&](VLHTTPDataTask& running) {
        if (recorder->body.size() > 1000000 && !bodyAtCancel) {
            bodyAtCancel = recorder->body.size();
            running.cancel();
        }
    };
    task->resume();
    ASSERT_TRUE(recorder->waitCompleted());
    EXPECT_EQ(errorCode(), VLURLErrorCancelled);
    EXPECT_EQ(recorder->body.size(), bodyAtCancel);
    EXPECT_EQ(recorder->completions, 1);
    // A second cancel changes nothing.
    task->cancel();
    session->invalidateAndCancel();
    EXPECT_EQ(recorder->completions, 1);
}

TEST_F(VLHTTPSessionTest, RefusingTheResponseCancels) {
    server.route("/a", Server::Response::text("x"));
    recorder->acceptsResponses = false;
    fetch(server.url("/a"));
    EXPECT_EQ(errorCode(), VLURLErrorCancelled);
    EXPECT_EQ(recorder->body, "");
}

TEST_F(VLHTTPSessionTest, TransportFailuresBecomeURLErrors) {
    struct Case {
        const char* name;
        std::string raw;
        int64_t code;
    };
    const Case cases[] = {
        {"not HTTP", "garbage\r\n\r\n", VLURLErrorBadServerResponse},
        {"nothing", "", VLURLErrorNetworkConnectionLost},
        {"cut short", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort", VLURLErrorNetworkConnectionLost},
        // libcurl refuses a giant header line itself, as if out of memory; ours refuses too many lines.
        {"endless header", "HTTP/1.1 200 OK\r\n" + std::string(400000, 'x'), VLURLErrorNetworkConnectionLost},
        {"many headers", "HTTP/1.1 200 OK\r\n" + repeated("X-A: b\r\n", 50000), VLURLErrorBadServerResponse},
    };
    for (const Case& c : cases) {
        server.route("/bad", Server::Response::rawBytes(c.raw));
        recorder->reset();
        fetch(server.url("/bad"));
        EXPECT_EQ(errorCode(), c.code) << c.name << " " << errorText();
        EXPECT_EQ(failingURL(), server.url("/bad")) << c.name;
        EXPECT_FALSE(recorder->error && recorder->error->localizedDescription().empty()) << c.name;
    }

    recorder->reset();
    fetch("https://127.0.0.1:" + std::to_string(server.port()) + "/a");
    EXPECT_EQ(errorCode(), VLURLErrorSecureConnectionFailed);

    // A port that nobody listens on: the server's, once it is gone.
    const std::string closed = [] { return Server().url("/a"); }();
    recorder->reset();
    fetch(closed);
    EXPECT_EQ(errorCode(), VLURLErrorCannotConnectToHost);
}

TEST_F(VLHTTPSessionTest, SendsMethodsAndBodiesAndChangesThemOnRedirectsAsHTTPDoes) {
    struct Case {
        const char* method;
        int status;
        const char* arrives; // the method, body and Content-Type the redirect's target receives
    };
    const Case cases[] = {
        {"POST", 303, "GET  -"},           {"PUT", 303, "GET  -"},
        {"HEAD", 303, "HEAD  text/x"},     {"POST", 302, "GET  -"},
        {"POST", 301, "GET  -"},           {"PUT", 302, "PUT body text/x"},
        {"POST", 307, "POST body text/x"}, {"PATCH", 308, "PATCH body text/x"},
    };
    server.route("/target", Server::Response::text("t"));
    for (const Case& c : cases) {
        server.route("/from", Server::Response::redirect(c.status, "/target"));
        VLHTTPRequest request{VLURL(server.url("/from"))};
        request.method = c.method;
        if (std::string(c.method) != "HEAD")
            request.body = std::make_shared<const VLData>(VLData{'b', 'o', 'd', 'y'});
        request.setHeader("content-type", "text/x");
        recorder->reset();
        fetch(std::move(request));
        EXPECT_EQ(errorText(), "") << c.method << c.status;
        const Server::Request first = server.requests()[server.requests().size() - 2];
        const Server::Request last = server.requests().back();
        EXPECT_EQ(first.method + " " + first.body,
                  std::string(c.method) + (first.method == "HEAD" ? " " : " body"));
        EXPECT_EQ(last.method + " " + last.body + " " + last.header("Content-Type").value_or("-"), c.arrives)
            << c.method << c.status;
    }

    // Without a body, a method other than GET and HEAD sends a length of 0, and nothing else of a body.
    VLHTTPRequest empty{VLURL(server.url("/target"))};
    empty.method = "DELETE";
    recorder->reset();
    fetch(std::move(empty));
    EXPECT_EQ(server.requests().back().method, "DELETE");
    EXPECT_EQ(server.requests().back().header("Content-Length"), "0");
    EXPECT_EQ(server.requests().back().header("Content-Type"), std::nullopt);
    EXPECT_EQ(server.requests().back().header("Expect"), std::nullopt);
}

TEST_F(VLHTTPSessionTest, ARedirectNotFollowedIsTheResponse) {
    server.route("/from", Server::Response::redirect(301, "/target"));
    VLHTTPRequest request{VLURL(server.url("/from"))};
    request.followsRedirects = false;
    fetch(std::move(request));
    EXPECT_EQ(errorText(), "");
    EXPECT_EQ(recorder->redirects, std::vector<std::string>{});
    EXPECT_EQ(recorder->response->statusCode(), 301);
    EXPECT_EQ(recorder->body, "moved");
}

TEST_F(VLHTTPSessionTest, AConfiguredSessionSendsItsFieldsKeepsCookiesAndDecodesBodies) {
    // "hello gzip", compressed.
    const std::string gzip("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\xcb\x48\xcd\xc9\xc9\x57\x48\xaf\xca\x2c"
                           "\x00\x00\x19\x6a\xd2\xdf\x0a\x00\x00\x00",
                           30);
    Server::Response compressed = Server::Response::text(gzip);
    compressed.headers = {{"Content-Encoding", "gzip"}, {"Set-Cookie", "kept=1; Path=/"}};
    server.route("/gzip", compressed);
    VLHTTPSessionConfiguration configuration;
    configuration.keepsCookies = true;
    configuration.decodesContent = true;
    configuration.additionalHeaders = {{"User-Agent", "session"}, {"X-Default", "d"}};
    auto configured = VLHTTPSession::create("app.velto.test-configured", recorder, configuration);

    for (int i = 0; i < 2; ++i) {
        recorder->reset();
        VLHTTPRequest request{VLURL(server.url("/gzip"))};
        request.setHeader("user-agent", "mine");
        configured->dataTaskWithRequest(std::move(request))->resume();
        ASSERT_TRUE(recorder->waitCompleted());
        EXPECT_EQ(errorText(), "");
        EXPECT_EQ(recorder->body, "hello gzip");
    }
    configured->invalidateAndCancel();
    const Server::Request sent = server.requests().back();
    EXPECT_EQ(sent.header("User-Agent"), "mine");
    EXPECT_EQ(sent.header("X-Default"), "d");
    EXPECT_EQ(sent.header("Cookie"), "kept=1");
    EXPECT_THAT(sent.header("Accept-Encoding").value_or(""), testing::HasSubstr("gzip"));

    // The plain session keeps no cookie and hands the body on as it came.
    recorder->reset();
    fetch(server.url("/gzip"));
    EXPECT_EQ(server.requests().back().header("Cookie"), std::nullopt);
    EXPECT_EQ(recorder->body, gzip);
}

TEST_F(VLHTTPSessionTest, DataURLsAreReadWithoutTheNetwork) {
    fetch("data:text/plain;charset=utf-8,a%20b#ignored");
    EXPECT_EQ(errorText(), "");
    EXPECT_FALSE(recorder->response->isHTTP());
    EXPECT_EQ(recorder->response->MIMEType(), "text/plain");
    EXPECT_EQ(recorder->response->textEncodingName(), "utf-8");
    EXPECT_EQ(recorder->response->expectedContentLength(), 3);
    EXPECT_EQ(recorder->body, "a b");

    VLHTTPRequest head{VLURL("data:,abc")};
    head.method = "HEAD";
    recorder->reset();
    fetch(std::move(head));
    EXPECT_EQ(errorText(), "");
    EXPECT_EQ(recorder->body, "");

    recorder->reset();
    fetch("data:no comma");
    EXPECT_EQ(errorCode(), VLURLErrorBadURL);

    VLHTTPRequest cached{VLURL("data:,abc")};
    cached.cachePolicy = VLHTTPRequest::CachePolicy::returnCacheDataDontLoad;
    recorder->reset();
    fetch(std::move(cached));
    EXPECT_EQ(errorCode(), VLURLErrorResourceUnavailable);
    EXPECT_EQ(recorder->error->localizedDescription(), "resource unavailable");
}

TEST_F(VLHTTPSessionTest, ASuspendedTaskHandsOnNothingUntilResumed) {
    Server::Response held;
    held.generatedLength = 20000;
    held.hold = std::make_shared<VLTestSignal>();
    held.holdAfterBytes = 10000;
    server.route("/held", held);
    std::shared_ptr<VLHTTPDataTask> task =
        session->dataTaskWithRequest(VLHTTPRequest{VLURL(server.url("/held"))});
    EXPECT_TRUE(task->isSuspended());
    recorder->onData = [&](VLHTTPDataTask& running) {
        if (recorder->body.size() == 10000)
            running.suspend();
    };
    task->resume();
    EXPECT_FALSE(task->isSuspended());
    ASSERT_TRUE(VLWaitUntil([&] { return task->isSuspended(); }));
    held.hold->raise();
    ASSERT_TRUE(VLWaitUntil([&] { return server.responsesSent() == 1; }));
    task->suspend(); // a second hold changes nothing
    {
        std::lock_guard guard(recorder->lock);
        EXPECT_EQ(recorder->body.size(), 10000u);
        EXPECT_EQ(recorder->completions, 0);
    }
    task->resume();
    ASSERT_TRUE(recorder->waitCompleted());
    EXPECT_EQ(recorder->body, Server::patternBytes(0, 20000));
}

TEST_F(VLHTTPSessionTest, TheBodyWaitsForRoomUntilItsConsumerGivesItBack) {
    Server::Response endless;
    endless.endless = true;
    server.route("/endless", endless);
    for (const char* url : {"endless", "data"}) {
        VLHTTPRequest request{VLURL(std::string(url) == "data" ? "data:," + std::string(4 << 20, 'a')
                                                               : server.url("/endless"))};
        request.maximumUnconsumedBodyBytes = 1 << 20;
        recorder->reset();
        std::shared_ptr<VLHTTPDataTask> task = session->dataTaskWithRequest(std::move(request));
        task->resume();
        ASSERT_TRUE(VLWaitUntil([&] { return task->waitsForRoom(); })) << url;
        const auto received = [&] {
            std::lock_guard guard(recorder->lock);
            return recorder->body.size();
        };
        EXPECT_LE(received(), size_t(1 << 20)) << url;
        EXPECT_EQ(task->unconsumedBodyBytes(), received()) << url;

        task->consumeBody(received());
        ASSERT_TRUE(VLWaitUntil([&] { return received() > size_t(1 << 20); })) << url;
        task->cancel();
        ASSERT_TRUE(recorder->waitCompleted());
    }
}

TEST_F(VLHTTPSessionTest, InvalidatingCancelsTasksThatWaitForTheirHost) {
    auto hold = std::make_shared<VLTestSignal>();
    resolver->answer("slow.test", {"127.0.0.1"});
    resolver->holdLookups("slow.test", hold);
    session->dataTaskWithRequest(VLHTTPRequest{VLURL("http://slow.test:1/a")})->resume();
    ASSERT_TRUE(VLWaitUntil([&] { return resolver->lookups("slow.test") == 1; }));
    session->invalidateAndCancel();
    ASSERT_TRUE(recorder->waitCompleted());
    EXPECT_EQ(errorCode(), VLURLErrorCancelled);
    hold->raise();
}

} // namespace
