#include "Modules/Network/VLNetworkJSBinding.h"

#include "Core/Engine/Support/VLProduct.h"
#include "Core/Runtime/VLFileSystemManager.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLPreferredLanguages.h"
#include "Platform/Network/VLHTTPDataTask.h"
#include "Tests/Modules/Network/VLNetworkTestWidget.h"
#include "Tests/Support/VLHTTPTestServer.h"
#include "Tests/Support/VLTableHostResolver.h"
#include "Tests/Support/VLTestSignal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using Server = VLHTTPTestServer;
using testing::StartsWith;

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

// The listener's line for a response, as JSON.stringify writes it.
std::string responseLine(int status, const std::string& statusText, const std::string& url, bool redirected,
                         const std::string& headers) {
    return "response {\"status\":" + std::to_string(status) + ",\"statusText\":\"" + statusText +
           "\",\"url\":\"" + url + "\",\"redirected\":" + (redirected ? "true" : "false") +
           ",\"headers\":" + headers + "}";
}

Server::Response endlessBody() {
    Server::Response endless;
    endless.endless = true;
    return endless;
}

std::string typeError(const std::string& message) {
    return "{\"name\":\"TypeError\",\"message\":\"" + message + "\"}";
}

} // namespace

TEST(VLNetworkJSBinding, ListenersHearResponseDataAndCompleteInOrderAndNeverDuringTheRequestCall) {
    Server server;
    Server::Response hello = Server::Response::text("hello");
    hello.headers = {{"X-Test", "1"}};
    server.route("/hello", hello);
    std::mutex lock;
    std::vector<std::string> exceptions;
    VLNetworkTestWidget widget([&](VLLocalPathLaunchPayload& payload) {
        VLNetworkAccess()(payload);
        payload.setExceptionHandler([&](const std::string& message, const auto&) {
            std::lock_guard guard(lock);
            exceptions.push_back(message);
        });
    });
    ASSERT_TRUE(widget.runtime());

    widget.run("console.log('ids', request('a', {url: " + quoted(server.url("/hello")) +
               "}), request('b', {url: ''}), request('c', {url: 'data:,x'})); console.log('returned')");
    EXPECT_EQ(widget.completion("a"), "null");
    EXPECT_EQ(widget.completion("b"), typeError("Invalid URL: "));
    EXPECT_EQ(widget.completion("c"), "null");
    using testing::_;
    EXPECT_THAT(widget.widget().console(),
                testing::ElementsAre("log: ids 1 2 3", "log: returned", _, _, _, _, _, _, _));
    EXPECT_EQ(widget.calls("a"), (Lines{responseLine(200, "OK", server.url("/hello"), false,
                                                     "[[\"X-Test\",\"1\"],[\"Content-Length\",\"5\"]]"),
                                        "data 5 \"hello\"", "complete null"}));
    EXPECT_EQ(widget.calls("b"), Lines{"complete " + typeError("Invalid URL: ")});

    // Fewer than two objects, or options that are no dictionary, make no request.
    EXPECT_EQ(widget.text("[native.request({url: 'data:,'}), native.request('x', {}), "
                          "native.request({url: 'data:,'}, 1)].join()"),
              ",,");

    // What a listener throws is reported, and the request goes on.
    widget.run(
        "native.request({url: " + quoted(server.url("/hello")) +
        "}, {response() { throw new Error('boom'); }, data() { console.log('d data'); }, complete(e) { "
        "console.log('d complete', e); }})");
    EXPECT_EQ(widget.completion("d"), "null");
    EXPECT_EQ(widget.calls("d"), (Lines{"data", "complete null"}));
    std::lock_guard guard(lock);
    ASSERT_EQ(exceptions.size(), 1u);
    EXPECT_THAT(exceptions.front(), StartsWith("Error: boom"));
}

TEST(VLNetworkJSBinding, FailuresCompleteWithTheirTexts) {
    Server server;
    server.route("/moved", Server::Response::redirect(302, "/hello"));
    VLScopedTableHostResolver resolver;
    resolver->answer("fixture.test", {"127.0.0.1"});
    const std::string port = std::to_string(server.port());
    const std::string longURL = "http://other.test/" + std::string(200, 'x');

    struct Case {
        const char* name;
        VLTestWidget::Configure access;
        std::string options;
        std::string message;
    };
    const Case cases[] = {
        {"empty", {}, "{url: ''}", "Invalid URL: "},
        {"control", {}, "{url: 'http://a/\\n'}", "Invalid URL: http://a/\\n"},
        {"scheme", {}, "{url: 'FTP://h/x'}", "URL scheme \\\"FTP\\\" is not supported"},
        {"permission",
         {},
         "{url: " + quoted(server.url("/hello")) + "}",
         "Can't reach " + server.url("/hello") +
             ": network access needs the \\\"network\\\" permission in manifest.json"},
        {"file post", {}, "{url: 'index.js', method: 'POST'}", "Only GET and HEAD can read files, not POST"},
        {"blob put",
         {},
         "{url: native.createObjectURL(new Uint8Array(1)), method: 'PUT'}",
         "Only GET can read blob URLs, not PUT"},
        {"address", VLNetworkAccess({{"fixture.test"}}), "{url: 'http://127.0.0.1:" + port + "/hello'}",
         "Can't reach http://127.0.0.1:" + port +
             "/hello: \\\"127.0.0.1\\\" is an IP address or a local name, which content can't reach"},
        {"domain", VLNetworkAccess({{"fixture.test"}}), "{url: 'http://other.test/a'}",
         "Can't reach http://other.test/a: \\\"other.test\\\" isn't one of the domains in network.domains of "
         "manifest.json"},
        {"resolved", VLNetworkAccess({{"fixture.test"}}), "{url: 'http://fixture.test:" + port + "/hello'}",
         "Can't reach http://fixture.test:" + port +
             "/hello: \\\"fixture.test\\\" resolves to a local network address, which content can't reach"},
        {"cut", VLNetworkAccess({{"fixture.test"}}), "{url: " + quoted(longURL) + "}",
         "Can't reach " + longURL.substr(0, 128) +
             "…: \\\"other.test\\\" isn't one of the domains in network.domains of manifest.json"},
        {"redirect", VLNetworkAccess(), "{url: " + quoted(server.url("/moved")) + ", redirect: 'error'}",
         "The response redirected, but the request's redirect mode is \\\"error\\\""},
        {"cached", VLNetworkAccess(), "{url: " + quoted(server.url("/moved")) + ", cache: 'only-if-cached'}",
         "resource unavailable"},
    };
    for (const Case& c : cases) {
        VLNetworkTestWidget widget(c.access);
        ASSERT_TRUE(widget.runtime()) << c.name;
        widget.run("request('r', " + c.options + ")");
        EXPECT_EQ(widget.completion("r"), typeError(c.message)) << c.name;
        EXPECT_EQ(widget.calls("r").size(), 1u) << c.name;
    }

    VLNetworkTestWidget widget;
    widget.run("const revoked = native.createObjectURL(new Uint8Array(1)); native.revokeObjectURL(revoked); "
               "request('r', {url: revoked})");
    EXPECT_THAT(widget.completion("r"),
                StartsWith("{\"name\":\"TypeError\",\"message\":\"Blob URL not found: "
                           "blob:null/"));
}

TEST(VLNetworkJSBinding, RedirectsAreFollowedRefusedOrHandedOverByMode) {
    Server server;
    server.route("/moved", Server::Response::redirect(302, "/hello"));
    server.route("/hello", Server::Response::text("hello"));
    server.route("/see", Server::Response::redirect(303, "/hello"));
    server.route("/loop", Server::Response::redirect(307, "/loop"));
    VLNetworkTestWidget widget(VLNetworkAccess());

    widget.run("request('follow', {url: " + quoted(server.url("/moved")) + "})");
    EXPECT_EQ(widget.completion("follow"), "null");
    EXPECT_EQ(widget.calls("follow").front(),
              responseLine(200, "OK", server.url("/hello"), true, "[[\"Content-Length\",\"5\"]]"));

    widget.run("request('manual', {url: " + quoted(server.url("/moved")) + ", redirect: 'manual'})");
    EXPECT_EQ(widget.completion("manual"), "null");
    EXPECT_EQ(widget.calls("manual"),
              (Lines{responseLine(302, "Found", server.url("/moved"), false,
                                  "[[\"Location\",\"/hello\"],[\"Content-Length\",\"5\"]]"),
                     "data 5 \"moved\"", "complete null"}));

    widget.run("request('post', {url: " + quoted(server.url("/see")) + ", method: 'POST', body: 'x'})");
    EXPECT_EQ(widget.completion("post"), "null");
    const std::vector<Server::Request> requests = server.requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[requests.size() - 2].method + " " + requests[requests.size() - 2].body, "POST x");
    EXPECT_EQ(requests.back().method + " " + requests.back().target + " " + requests.back().body,
              "GET /hello ");

    widget.run("request('loop', {url: " + quoted(server.url("/loop")) + "})");
    EXPECT_EQ(widget.completion("loop"), typeError("too many HTTP redirects"));
}

TEST(VLNetworkJSBinding, FilesAndObjectURLsAnswerLikeAServer) {
    VLNetworkTestWidget widget({}, {{"note.txt", "hello"}, {"empty.txt", ""}});
    ASSERT_TRUE(widget.runtime());
    const std::optional<std::string> temp = widget.runtime()->fileSystemManager()->rootOfHost("temp");
    ASSERT_TRUE(temp);
    const std::string json = "{}";
    ASSERT_TRUE(VLWriteFileAtomically(*temp + "/kept.json",
                                      std::span(reinterpret_cast<const uint8_t*>(json.data()), json.size())));

    struct Case {
        const char* name;
        std::string options;
        Lines calls;
    };
    const std::string textHeaders = "[[\"Content-Length\",\"5\"],[\"Content-Type\",\"text/plain\"]]";
    const Case cases[] = {
        {"package",
         "{url: 'note.txt'}",
         {responseLine(200, "OK", "note.txt", false, textHeaders), "data 5 \"hello\"", "complete null"}},
        {"head",
         "{url: './note.txt', method: 'HEAD'}",
         {responseLine(200, "OK", "./note.txt", false, textHeaders), "complete null"}},
        {"missing",
         "{url: 'missing.txt'}",
         {responseLine(404, "Not Found", "missing.txt", false, "[]"), "complete null"}},
        {"outside",
         "{url: '../note.txt'}",
         {responseLine(404, "Not Found", "../note.txt", false, "[]"), "complete null"}},
        {"empty",
         "{url: 'empty.txt'}",
         {responseLine(200, "OK", "empty.txt", false,
                       "[[\"Content-Length\",\"0\"],[\"Content-Type\",\"text/plain\"]]"),
          "complete null"}},
        {"sandbox",
         "{url: 'vlfile://temp/kept.json'}",
         {responseLine(200, "OK", "vlfile://temp/kept.json", false,
                       "[[\"Content-Length\",\"2\"],[\"Content-Type\",\"application/json\"]]"),
          "data 2 \"{}\"", "complete null"}},
    };
    for (const Case& c : cases) {
        widget.run(std::string("request('") + c.name + "', " + c.options + ")");
        widget.completion(c.name);
        EXPECT_EQ(widget.calls(c.name), c.calls) << c.name;
    }

    widget.run(
        "globalThis.blobURL = native.createObjectURL(new Uint8Array([104, 105]), 'text/x-greeting'); "
        "request('blob', {url: blobURL}); request('untyped', {url: native.createObjectURL('not bytes')})");
    const std::string blobURL = widget.text("blobURL");
    EXPECT_EQ(widget.completion("blob"), "null");
    EXPECT_EQ(widget.calls("blob"),
              (Lines{responseLine(200, "OK", blobURL, false,
                                  "[[\"Content-Length\",\"2\"],[\"Content-Type\",\"text/x-greeting\"]]"),
                     "data 2 \"hi\"", "complete null"}));
    EXPECT_EQ(widget.completion("untyped"), "null");
    EXPECT_THAT(widget.calls("untyped").front(),
                testing::EndsWith("\"headers\":[[\"Content-Length\",\"0\"]]}"));
}

TEST(VLNetworkJSBinding, DataURLsNeedNoPermissionAndNoCheck) {
    std::mutex lock;
    std::vector<std::string> asked;
    VLScopedTableHostResolver resolver;
    for (const bool checking : {false, true}) {
        VLNetworkTestWidget widget([&, checking](VLLocalPathLaunchPayload& payload) {
            if (checking)
                VLNetworkAccess({{"fixture.test"}})(payload);
            payload.setNetworkRequestObserver([&](const std::string& url, const auto&) {
                std::lock_guard guard(lock);
                asked.push_back(url);
            });
        });
        widget.run(
            "request('text', {url: 'data:text/plain;charset=utf-8,hi%20there'}); "
            "request('default', {url: 'data:;base64,aGk='}); "
            "request('bad', {url: 'data:image/png;base64,a'}); "
            "native.request({url: 'data:,' + 'a'.repeat(12000000)}, {data(b) { this.n = (this.n || 0) + "
            "b.byteLength; }, complete(e) { console.log('large complete', this.n, e); }}); "
            "request('cut', {url: 'data:,#x'})");
        EXPECT_EQ(widget.completion("text"), "null");
        EXPECT_EQ(widget.calls("text"),
                  (Lines{responseLine(200, "OK", "data:text/plain;charset=utf-8,hi%20there", false,
                                      "[[\"Content-Type\",\"text/plain;charset=utf-8\"]]"),
                         "data 8 \"hi there\"", "complete null"}));
        EXPECT_EQ(widget.completion("default"), "null");
        EXPECT_EQ(widget.calls("default").front(),
                  responseLine(200, "OK", "data:;base64,aGk=", false, "[[\"Content-Type\",\"text/plain\"]]"));
        EXPECT_EQ(widget.completion("bad"), typeError("bad URL"));
        EXPECT_EQ(widget.completion("cut"), "null");
        EXPECT_EQ(widget.calls("cut").size(), 2u) << "no data";
        EXPECT_EQ(widget.completion("large"), "12000000 null");
    }
    std::lock_guard guard(lock);
    EXPECT_EQ(asked, Lines{});
    EXPECT_EQ(resolver->lookups("fixture.test"), 0);
}

TEST(VLNetworkJSBinding, AnAbortedRequestHearsNothingMore) {
    Server server;
    server.route("/endless", endlessBody());
    // The other request's connection closes too, so that only an open transfer would keep one.
    Server::Response hello = Server::Response::text("hello");
    hello.headers = {{"Connection", "close"}};
    server.route("/hello", hello);
    VLNetworkTestWidget widget(VLNetworkAccess());
    widget.run(
        "globalThis.endless = native.request({url: " + quoted(server.url("/endless")) +
        "}, {data() { if (!this.done) { this.done = true; native.abort(endless); console.log('e aborted'); "
        "request('after', {url: " +
        quoted(server.url("/hello")) + "}); } }, complete(e) { console.log('e complete'); }})");
    EXPECT_EQ(widget.completion("after"), "null");
    widget.widget().settle();
    EXPECT_EQ(widget.calls("e"), Lines{"aborted"});
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return server.openConnectionCount() == 0; }));
    widget.withBinding([](VLNetworkJSBinding& binding) { EXPECT_EQ(binding.requestCount(), 0u); });
}

TEST(VLNetworkJSBinding, APausedRequestHearsNothingUntilResumed) {
    Server server;
    Server::Response held;
    held.generatedLength = 20000;
    held.hold = std::make_shared<VLTestSignal>();
    held.holdAfterBytes = 10000;
    server.route("/held", held);
    VLNetworkTestWidget widget(VLNetworkAccess());
    const double identifier = widget.number("request('p', {url: " + quoted(server.url("/held")) + "})");
    const auto received = [&] {
        size_t bytes = 0;
        for (const std::string& call : widget.calls("p")) {
            if (call.starts_with("data "))
                bytes += std::stoul(call.substr(5));
        }
        return bytes;
    };
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return received() == 10000; }));

    widget.run("native.pause(" + std::to_string(identifier) + ")");
    const Lines beforeRest = widget.calls("p");
    held.hold->raise();
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return server.responsesSent() == 1; }));
    widget.widget().settle();
    EXPECT_EQ(widget.calls("p"), beforeRest);

    widget.run("native.resume(" + std::to_string(identifier) + ")");
    EXPECT_EQ(widget.completion("p"), "null");
    EXPECT_EQ(received(), 20000u);
}

// While the address check runs, the task waits: a resume then does nothing, and a pause holds after the
// check. Every connection is judged too: the name answers a public address to the check, then the
// server's, which the connection's own check refuses.
TEST(VLNetworkJSBinding, TheAddressCheckHoldsTheTaskAndEveryConnectionIsJudged) {
    Server server;
    server.route("/hello", Server::Response::text("hello"));
    VLScopedTableHostResolver resolver;
    resolver->answerInTurn("fixture.test", {{"203.0.113.9"}, {"127.0.0.1"}});
    auto lookups = std::make_shared<VLTestSignal>();
    resolver->holdLookups("fixture.test", lookups);
    VLNetworkTestWidget widget(VLNetworkAccess({{"fixture.test"}}));
    const std::string url = "http://fixture.test:" + std::to_string(server.port()) + "/hello";
    const double identifier = widget.number("request('c', {url: " + quoted(url) + "})");
    const std::string id = std::to_string(identifier);
    widget.run("native.resume(" + id + "); native.pause(" + id + ")");
    const std::shared_ptr<VLHTTPDataTask> task = widget.task(identifier);
    ASSERT_TRUE(task);
    EXPECT_TRUE(task->isSuspended());

    lookups->raise();
    const auto checking = [&] {
        bool result = true;
        widget.withBinding(
            [&](VLNetworkJSBinding& binding) { result = binding.isCheckingAddress(identifier); });
        return result;
    };
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return !checking(); }));
    EXPECT_TRUE(task->isSuspended());
    EXPECT_EQ(widget.calls("c"), Lines{});

    widget.run("native.resume(" + id + ")");
    EXPECT_EQ(
        widget.completion("c"),
        typeError("Can't reach " + url +
                  ": \\\"fixture.test\\\" resolves to a local network address, which content can't reach"));
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST(VLNetworkJSBinding, ABodyWaitsInTheTransferWhileTheScriptIsBusy) {
    Server server;
    server.route("/endless", endlessBody());
    VLNetworkTestWidget widget(VLNetworkAccess());
    const double identifier =
        widget.number("globalThis.received = 0; native.request({url: " + quoted(server.url("/endless")) +
                      "}, {data(b) { received += b.byteLength; }})");
    const std::shared_ptr<VLHTTPDataTask> task = widget.task(identifier);
    ASSERT_TRUE(task);

    VLTestSignal busy;
    widget.widget().performLater([&busy] { EXPECT_TRUE(busy.wait()); });
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return task->waitsForRoom(); }));
    EXPECT_LE(task->unconsumedBodyBytes(), VLNetworkJSBinding::kMaximumBodyBytesInFlight);
    busy.raise();

    ASSERT_TRUE(VLMainQueue::runUntil([&] { return widget.number("received") > 32 * 1024 * 1024; }));
    widget.run("native.abort(" + std::to_string(identifier) + ")");
}

TEST(VLNetworkJSBinding, CookiesStayWithTheirRuntime) {
    Server server;
    Server::Response setting = Server::Response::text("set");
    setting.headers = {{"Set-Cookie", "session=abc; Path=/"}};
    server.route("/set", setting);
    server.route("/hello", Server::Response::text("hello"));
    VLNetworkTestWidget first(VLNetworkAccess());
    VLNetworkTestWidget second(VLNetworkAccess());

    first.run("request('set', {url: " + quoted(server.url("/set")) + "})");
    EXPECT_EQ(first.completion("set"), "null");
    first.run("request('again', {url: " + quoted(server.url("/hello")) + "})");
    EXPECT_EQ(first.completion("again"), "null");
    EXPECT_EQ(server.requests().back().header("Cookie"), "session=abc");

    second.run("request('other', {url: " + quoted(server.url("/hello")) + "})");
    EXPECT_EQ(second.completion("other"), "null");
    EXPECT_EQ(server.requests().back().header("Cookie"), std::nullopt);
}

TEST(VLNetworkJSBinding, RequestsCarryTheDefaultFieldsUnlessTheScriptSetsItsOwn) {
    Server server;
    server.route("/hello", Server::Response::text("hello"));
    VLNetworkTestWidget widget(VLNetworkAccess());

    widget.run("request('plain', {url: " + quoted(server.url("/hello")) + "})");
    EXPECT_EQ(widget.completion("plain"), "null");
    Server::Request sent = server.requests().back();
    EXPECT_EQ(sent.header("User-Agent"), kVLUserAgent);
    EXPECT_EQ(sent.header("Accept"), "*/*");
    EXPECT_THAT(sent.header("Accept-Language").value_or(""), StartsWith(VLWebLanguages().front()));
    EXPECT_THAT(sent.header("Accept-Encoding").value_or(""), testing::HasSubstr("gzip"));

    widget.run("request('own', {url: " + quoted(server.url("/hello")) +
               ", method: 'PUT', body: new Uint8Array([104, 105]), headers: [['User-Agent', 'first'], "
               "['user-agent', 'mine'], ['X-Skipped'], 'junk', ['X-Kept', 'yes']]})");
    EXPECT_EQ(widget.completion("own"), "null");
    sent = server.requests().back();
    EXPECT_EQ(sent.method + " " + sent.body, "PUT hi");
    int agents = 0;
    for (const auto& [name, value] : sent.headers)
        agents += name == "User-Agent" || name == "user-agent";
    EXPECT_EQ(agents, 1);
    EXPECT_EQ(sent.header("User-Agent"), "mine");
    EXPECT_EQ(sent.header("X-Kept"), "yes");
    EXPECT_EQ(sent.header("X-Skipped"), std::nullopt);
    EXPECT_EQ(sent.header("Content-Type"), std::nullopt);
    EXPECT_EQ(sent.header("Expect"), std::nullopt);
}

// What a broken server sends ends the request with the session's description of it.
TEST(VLNetworkJSBinding, BrokenResponsesEndInTypeErrors) {
    // "hello gzip", compressed.
    const std::string gzip("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\xcb\x48\xcd\xc9\xc9\x57\x48\xaf\xca\x2c"
                           "\x00\x00\x19\x6a\xd2\xdf\x0a\x00\x00\x00",
                           30);
    std::string informational;
    for (int i = 0; i < 20000; ++i)
        informational += "HTTP/1.1 100 Continue\r\n\r\n";
    struct Case {
        const char* name;
        std::string raw;
        std::string completion;
    };
    const Case cases[] = {
        {"gzip", "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 30\r\n\r\n" + gzip, "null"},
        {"bad gzip", "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 9\r\n\r\nnot gzip!",
         "{\"name\":\"TypeError\",\"message\":\"Error while processing content unencoding: incorrect header "
         "check\"}"},
        {"status line", "HTTP/1.1 abc\r\n\r\n", "{\"name\":\"TypeError\""},
        {"informational flood", informational, "{\"name\":\"TypeError\""},
        {"header flood", "HTTP/1.1 200 OK\r\n" + std::string(300000, 'x') + "\r\n\r\n",
         "{\"name\":\"TypeError\""},
    };
    Server server;
    VLNetworkTestWidget widget(VLNetworkAccess());
    for (const Case& c : cases) {
        server.route(std::string("/") + std::to_string(&c - cases), Server::Response::rawBytes(c.raw));
        widget.run(std::string("request('") + c.name +
                   "', {url: " + quoted(server.url("/" + std::to_string(&c - cases))) + "})");
        EXPECT_THAT(widget.completion(c.name), StartsWith(c.completion)) << c.name;
    }
    EXPECT_THAT(widget.calls("gzip"), testing::Contains("data 10 \"hello gzip\""));
}

TEST(VLNetworkJSBinding, EncodesAndDecodesText) {
    VLNetworkTestWidget widget;
    const std::string codes =
        "(s) => s === null ? 'null' : Array.from(s, (c) => c.codePointAt(0).toString(16)).join()";
    widget.run("globalThis.codes = " + codes);
    const std::pair<std::string, std::string> cases[] = {
        {"native.encode('')", "null"},
        {"native.encode()", "null"},
        {"new Uint8Array(native.encode('h\\u00e9\\ud83d\\ude00')).join()", "104,195,169,240,159,152,128"},
        {"new Uint8Array(native.encode('\\ud800')).join()", "239,191,189"},
        {"new Uint8Array(native.encode(12)).join()", "49,50"},
        {"native.decode()", ""},
        {"native.decode(new ArrayBuffer(0))", ""},
        {"native.decode('text')", ""},
        {"codes(native.decode(new Uint8Array([0x20, 0x68, 0xc3, 0xa9]).subarray(1)))", "68,e9"},
        {"codes(native.decode(new Uint8Array([0xff, 0x41]), 'utf-8', true))", "null"},
        {"codes(native.decode(new Uint8Array([0xf0, 0x9f, 0x41, 0xe2, 0x82]), ''))", "fffd,41,fffd"},
        {"codes(native.decode(new Uint8Array([0xed, 0xa0, 0x80]), 'UTF8'))", "fffd,fffd,fffd"},
        {"codes(native.decode(new Uint8Array([0xe9, 0x41]), 'ISO-8859-1'))", "e9,41"},
        {"codes(native.decode(new Uint8Array([0x41, 0, 0x3d, 0xd8, 0, 0xde]), 'UTF-16LE'))", "41,1f600"},
        {"codes(native.decode(new Uint8Array([0x41, 0, 0x42]), 'utf-16le'))", "41,fffd"},
        {"codes(native.decode(new Uint8Array([0x41, 0, 0x42]), 'utf-16le', true))", "null"},
        {"codes(native.decode(new Uint8Array([0x82, 0xa0]), 'Shift_JIS'))", "3042"},
        {"codes(native.decode(new Uint8Array([0x41, 0xc3, 0xa9]), 'no-such-label'))", "41,e9"},
        {"native.isBindingObject(native) + ' ' + native.isBindingObject({}) + ' ' + native.isBindingObject()",
         "true false false"},
        {"/^blob:null\\/[0-9a-f-]{36}$/.test(native.createObjectURL(new Uint8Array(2), 'a/b'))", "true"},
    };
    for (const auto& [expression, expected] : cases)
        EXPECT_EQ(widget.text(expression), expected) << expression;
}

TEST(VLNetworkJSBinding, TerminationForgetsEveryRequestAndEndsTheSession) {
    Server server;
    server.route("/endless", endlessBody());
    VLNetworkTestWidget widget(VLNetworkAccess());
    widget.run("request('e', {url: " + quoted(server.url("/endless")) +
               "}); request('f', {url: 'index.js'})");
    ASSERT_TRUE(widget.waitForCall("e", "data"));
    ASSERT_EQ(server.openConnectionCount(), 1);
    std::weak_ptr<VLNetworkJSBinding> weakBinding;
    widget.withBinding([&](VLNetworkJSBinding& binding) { weakBinding = binding.sharedFromThis(); });

    widget.runtime()->terminate();
    widget.widget().settle();
    const size_t heard = widget.widget().console().size();
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return server.openConnectionCount() == 0; }));
    widget.widget().perform([&] {
        std::shared_ptr<VLNetworkJSBinding> binding = weakBinding.lock();
        ASSERT_TRUE(binding);
        EXPECT_TRUE(binding->isTerminated());
        EXPECT_EQ(binding->requestCount(), 0u);
        EXPECT_EQ(binding->taskCount(), 0u);
    });
    EXPECT_EQ(widget.widget().console().size(), heard);
    EXPECT_EQ(widget.calls("e").back().substr(0, 4), "data");
}
