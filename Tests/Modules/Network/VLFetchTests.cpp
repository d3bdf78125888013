#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Network/VLHTTPDataTask.h"
#include "Tests/Modules/Network/VLNetworkTestWidget.h"
#include "Tests/Support/VLHTTPTestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>

namespace {

std::string quotedURL(const VLHTTPTestServer& server, const std::string& path) {
    return "'" + server.url(path) + "'";
}

// The most memory the process has held so far, in bytes.
uint64_t fetchTestPeakMemory() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:"))
            return std::stoull(line.substr(6)) * 1024;
    }
    return 0;
}

} // namespace

TEST(VLFetch, ResponsesGiveStatusHeadersInOrderTextAndJSON) {
    VLHTTPTestServer server;
    VLHTTPTestServer::Response json = VLHTTPTestServer::Response::text(R"({"word": "héllo", "n": [1, 2]})");
    json.headers = {{"Content-Type", "application/json"},
                    {"X-Zeta", "z"},
                    {"X-Both", "1"},
                    {"Set-Cookie", "a=1"},
                    {"X-Both", "2"},
                    {"Set-Cookie", "b=2"}};
    server.route("/json", json);
    server.route("/teapot", [](const VLHTTPTestServer::Request&) {
        VLHTTPTestServer::Response response = VLHTTPTestServer::Response::text("short and stout");
        response.status = 418;
        return response;
    });
    server.route("/truncated", VLHTTPTestServer::Response::rawBytes(
                                   "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nshort"));
    VLNetworkTestWidget widget(VLNetworkAccess(), {}, VLNetworkTestWidget::Scripts::prelude);

    EXPECT_EQ(widget.settled("fetch(" + quotedURL(server, "/json") +
                             ").then(async r => [r.status, r.statusText, r.ok, r.type, r.url === " +
                             quotedURL(server, "/json") +
                             ", r.redirected, JSON.stringify([...r.headers].filter(([n]) => n !== "
                             "'content-length' && n !== 'connection')), r.headers.get('x-both'), "
                             "JSON.stringify(r.headers.getSetCookie()), JSON.stringify(await r.json()), "
                             "r.bodyUsed].join(' '))"),
              R"(ok 200 OK true basic true false [["content-type","application/json"],["set-cookie","a=1"],)"
              R"(["set-cookie","b=2"],["x-both","1, 2"],["x-zeta","z"]] 1, 2 ["a=1","b=2"] )"
              R"({"word":"héllo","n":[1,2]} true)");
    EXPECT_EQ(widget.settled("fetch(" + quotedURL(server, "/teapot") +
                             ").then(async r => [r.status, r.statusText, r.ok, await r.text()].join())"),
              "ok 418,I'm a teapot,false,short and stout");
    EXPECT_EQ(
        widget.settled("fetch(" + quotedURL(server, "/json") + ").then(r => r.text().then(() => r.text()))"),
        "error TypeError: The body has already been read");
    // A transfer that fails after the head errors the body with its TypeError.
    EXPECT_THAT(widget.settled("fetch(" + quotedURL(server, "/truncated") + ").then(r => r.text())"),
                testing::MatchesRegex("error TypeError: .+"));
    EXPECT_EQ(widget.settled("fetch('ftp://example.com/')"),
              R"(error TypeError: URL scheme "ftp" is not supported)");
    EXPECT_EQ(widget.settled("fetch('')"), "error TypeError: Invalid URL: ");
    // fetch takes the URL as written, so the costly URL class stays unmade.
    EXPECT_EQ(widget.text("typeof Object.getOwnPropertyDescriptor(globalThis, 'URL').get"), "function");
}

TEST(VLFetch, RequestBodiesOfEveryKindReachTheServerAsSent) {
    VLHTTPTestServer server;
    server.route("/upload", VLHTTPTestServer::Response::text("thanks"));
    VLNetworkTestWidget widget(VLNetworkAccess(), {}, VLNetworkTestWidget::Scripts::prelude);
    struct Case {
        std::string method;
        std::string body;
        std::string contentType;
        std::string bytes;
    };
    const Case cases[] = {
        {"POST", "'plain é'", "text/plain;charset=UTF-8", "plain \xc3\xa9"},
        {"put", "new Uint8Array([0, 255, 10]).buffer", "", std::string("\0\xff\n", 3)},
        {"POST", "new Uint8Array([9, 1, 2, 3, 9]).subarray(1, 4)", "", "\x01\x02\x03"},
        {"PUT", "new Blob(['blob ', new Uint8Array([66])], {type: 'Application/X-Thing'})",
         "application/x-thing", "blob B"},
        {"POST", "new URLSearchParams({q: 'a b', r: 'é&'})",
         "application/x-www-form-urlencoded;charset=UTF-8", "q=a+b&r=%C3%A9%26"},
        {"POST", "new Blob(['streamed ', 'in parts']).stream()", "", "streamed in parts"},
        {"POST", "new Response('from a response').body", "", "from a response"},
    };
    for (const Case& test : cases) {
        const size_t before = server.requests().size();
        EXPECT_EQ(widget.settled("fetch(" + quotedURL(server, "/upload") + ", {method: '" + test.method +
                                 "', body: " + test.body + "}).then(r => r.text())"),
                  "ok thanks")
            << test.body;
        ASSERT_EQ(server.requests().size(), before + 1) << test.body;
        const VLHTTPTestServer::Request request = server.requests().back();
        EXPECT_EQ(request.method, test.method == "put" ? "PUT" : test.method) << test.body;
        EXPECT_EQ(request.header("Content-Type").value_or(""), test.contentType) << test.body;
        EXPECT_EQ(request.body, test.bytes) << test.body;
    }

    // A form goes as multipart, with its boundary in the type, and reads back the same.
    widget.run("globalThis.form = new FormData(); form.append('name', 'value'); "
               "form.append('file', new Blob(['abc'], {type: 'text/x-abc'}), 'a.txt');");
    EXPECT_EQ(
        widget.settled("fetch(" + quotedURL(server, "/upload") +
                       ", {method: 'POST', body: form, headers: {'X-Mine': 'yes', 'Content-Length': '1'}})"
                       ".then(r => r.status)"),
        "ok 200");
    const VLHTTPTestServer::Request form = server.requests().back();
    EXPECT_THAT(form.header("Content-Type").value_or(""),
                testing::StartsWith("multipart/form-data; boundary="));
    EXPECT_EQ(form.header("X-Mine").value_or(""), "yes");
    EXPECT_EQ(form.header("Content-Length").value_or(""), std::to_string(form.body.size()))
        << "the transfer's own length, not the script's";
    EXPECT_THAT(form.body, testing::HasSubstr("name=\"file\"; filename=\"a.txt\"\r\nContent-Type: "
                                              "text/x-abc\r\n\r\nabc\r\n"));

    EXPECT_EQ(widget.settled("fetch(" + quotedURL(server, "/upload") + ", {body: 'x'})"),
              "error TypeError: Request: a GET request can't have a body");
    EXPECT_EQ(widget.settled("fetch(" + quotedURL(server, "/upload") + ", {method: 'TRACE'})"),
              "error TypeError: Request: the method \"TRACE\" is forbidden");
}

TEST(VLFetch, RedirectsFollowFailOrArriveAsThemselves) {
    VLHTTPTestServer server;
    server.route("/from", VLHTTPTestServer::Response::redirect(302, "/to"));
    server.route("/to", VLHTTPTestServer::Response::text("arrived"));
    VLNetworkTestWidget widget(VLNetworkAccess(), {}, VLNetworkTestWidget::Scripts::prelude);
    const std::string from = quotedURL(server, "/from");
    const std::string show =
        ".then(async r => [r.status, r.url, r.redirected, r.headers.get('location'), await r.text()].join())";
    EXPECT_EQ(widget.settled("fetch(" + from + ")" + show), "ok 200," + server.url("/to") + ",true,,arrived");
    EXPECT_EQ(widget.settled("fetch(" + from + ", {redirect: 'manual'})" + show),
              "ok 302," + server.url("/from") + ",false,/to,moved");
    EXPECT_EQ(widget.settled("fetch(" + from + ", {redirect: 'error'})"),
              "error TypeError: The response redirected, but the request's redirect mode is \"error\"");
    EXPECT_EQ(widget.settled("fetch(" + from + ", {redirect: 'sideways'})"),
              "error TypeError: Request: \"sideways\" is not a valid value for redirect");
}

TEST(VLFetch, AbortingRejectsBeforeTheHeadAndErrorsTheBodyAfter) {
    VLHTTPTestServer server;
    auto head = std::make_shared<VLTestSignal>();
    server.route("/slow-head", [head](const VLHTTPTestServer::Request&) {
        (void)head->wait();
        return VLHTTPTestServer::Response::text("late");
    });
    VLHTTPTestServer::Response held;
    held.generatedLength = 100000;
    held.hold = std::make_shared<VLTestSignal>();
    held.holdAfterBytes = 1000;
    server.route("/held-body", held);
    VLNetworkTestWidget widget(VLNetworkAccess(), {}, VLNetworkTestWidget::Scripts::prelude);

    widget.run("globalThis.controller = new AbortController(); globalThis.early = fetch(" +
               quotedURL(server, "/slow-head") + ", {signal: controller.signal});");
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return server.requests().size() == 1; }));
    widget.run("controller.abort();");
    EXPECT_EQ(widget.settled("early"), "error AbortError: signal is aborted without reason");
    head->raise();

    widget.run("globalThis.bodyController = new AbortController(); globalThis.reader = null; fetch(" +
               quotedURL(server, "/held-body") +
               ", {signal: bodyController.signal}).then(r => { reader = r.body.getReader(); "
               "return reader.read(); }).then(c => console.log('first', c.value.length > 0));");
    ASSERT_TRUE(widget.waitForCall("first", "true"));
    widget.run("bodyController.abort(new RangeError('enough'));");
    EXPECT_EQ(widget.settled("reader.read().then(() => reader.read()).then(() => reader.read())"),
              "error RangeError: enough");
    EXPECT_EQ(widget.settled("fetch('x', {signal: AbortSignal.abort(new SyntaxError('already'))})"),
              "error SyntaxError: already");
    held.hold->raise();
}

// The transfer holds while the script does not read, unread or by stream; reading lets it go on.
TEST(VLFetch, AStreamedBodyHoldsTheTransferWhileTheScriptDoesNotRead) {
    VLHTTPTestServer server;
    constexpr uint64_t size = 32u << 20;
    VLHTTPTestServer::Response large;
    large.generatedLength = size;
    large.dripBytes = 1 << 20;
    large.dripInterval = std::chrono::milliseconds(1);
    server.route("/large", large);
    VLNetworkTestWidget widget(VLNetworkAccess(), {}, VLNetworkTestWidget::Scripts::internals);
    widget.run("globalThis.response = null; fetch(" + quotedURL(server, "/large") +
               ").then(r => { response = r; console.log('head', r.status); });");
    ASSERT_TRUE(widget.waitForCall("head", "200"));
    const std::shared_ptr<VLHTTPDataTask> task = widget.task(1);
    ASSERT_TRUE(task);
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return task->isSuspended(); }));
    EXPECT_EQ(server.responsesSent(), 0);

    widget.run("globalThis.reader = response.body.getReader(); globalThis.read = 0; globalThis.wrong = 0; "
               "reader.read().then(c => { read += c.value.length; console.log('chunk', c.value.length); });");
    ASSERT_TRUE(widget.waitForCall("chunk", ""));
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return task->isSuspended(); }));
    EXPECT_EQ(server.responsesSent(), 0);

    EXPECT_EQ(widget.settled(
                  "(async () => { for (;;) { const {done, value} = await reader.read(); if (done) "
                  "return read; for (let i = 0; i < value.length; i += 4099) if (value[i] !== (read + i) "
                  "% 251) ++wrong; read += value.length; } })().then(n => n + ' ' + wrong)"),
              "ok " + std::to_string(size) + " 0");
    EXPECT_EQ(server.responsesSent(), 1);
}

TEST(VLFetch, ClonesAndTeesReadTheSameBytes) {
    VLHTTPTestServer server;
    VLHTTPTestServer::Response body;
    body.generatedLength = 300000;
    server.route("/body", body);
    VLNetworkTestWidget widget(VLNetworkAccess(), {}, VLNetworkTestWidget::Scripts::prelude);
    widget.run("globalThis.sum = bytes => bytes.reduce((total, byte) => (total * 31 + byte) % 1000003, 0);");
    EXPECT_EQ(
        widget.settled("fetch(" + quotedURL(server, "/body") +
                       ").then(r => { const c = r.clone(); return Promise.all([r.bytes(), c.arrayBuffer(), "
                       "c.bodyUsed]); }).then(([a, b]) => [a.length, b.byteLength, sum(a) === sum(new "
                       "Uint8Array(b)), a[250], a[251]].join())"),
        "ok 300000,300000,true,250,0");
    EXPECT_EQ(widget.settled("fetch(" + quotedURL(server, "/body") +
                             ").then(r => { const [a, b] = r.body.tee(); return Promise.all([new Response(a)"
                             ".bytes(), new Response(b).bytes(), r.bodyUsed]); }).then(([a, b, used]) => "
                             "[a.length, sum(a) === sum(b), used].join())"),
              "ok 300000,true,true");
    EXPECT_EQ(
        widget.settled("fetch(" + quotedURL(server, "/body") + ").then(r => r.text().then(() => r.clone()))"),
        "error TypeError: clone: the body has already been read");
}

// An endless body read whole ends at the limit, by fetch and by XMLHttpRequest, and the process keeps
// the limit and the joined copy, not the endless body. Each reads 256 MiB, which takes long in a
// sanitized build on a busy machine: the wait's limit only keeps a fault from hanging the test.
class VLFetchLimit : public testing::Test {
protected:
    static constexpr std::chrono::seconds kReadTime{110};

    VLFetchLimit() {
        VLHTTPTestServer::Response endless;
        endless.endless = true;
        endless.sendsContentLength = false;
        server.route("/endless", endless);
    }
    void TearDown() override {
        widget.widget().collectGarbage();
        EXPECT_LT(fetchTestPeakMemory() - before, uint64_t(1) << 30);
    }

    VLHTTPTestServer server;
    VLNetworkTestWidget widget{VLNetworkAccess(), {}, VLNetworkTestWidget::Scripts::prelude};
    const uint64_t before = fetchTestPeakMemory();
};

TEST_F(VLFetchLimit, FetchRejectsABodyReadWholePastTheLimit) {
    EXPECT_EQ(
        widget.settled("fetch(" + quotedURL(server, "/endless") + ").then(r => r.arrayBuffer())", kReadTime),
        "error TypeError: The response body is larger than 256 MB");
}

TEST_F(VLFetchLimit, XMLHttpRequestFailsPastTheLimit) {
    widget.run(
        "globalThis.x = new XMLHttpRequest(); x.open('GET', " + quotedURL(server, "/endless") +
        "); x.responseType = 'arraybuffer'; x.onloadend = e => console.log('xhr', e.type, x.readyState, "
        "x.status, x.response); x.onerror = e => console.log('xhr', e.type); x.send();");
    ASSERT_TRUE(widget.waitForCall("xhr", "loadend", kReadTime));
    EXPECT_THAT(widget.calls("xhr"), testing::ElementsAre("error", "loadend 4 0 null"));
}

TEST(VLFetch, ScriptsMakeResponsesRequestsAndHeaders) {
    VLNetworkTestWidget widget({}, {}, VLNetworkTestWidget::Scripts::prelude);
    const std::pair<std::string, std::string> cases[] = {
        {"(r => [r.status, r.statusText, r.ok, r.type, r.body, r.headers.get('content-type')])"
         "(new Response(null, {status: 204, statusText: 'Empty'}))",
         "204,Empty,true,default,,"},
        {"new Response('x', {status: 199})",
         "threw RangeError: Response: the status 199 is not in the range 200 to 599"},
        {"new Response('x', {status: 304})",
         "threw TypeError: Response: a response with status 304 can't have a body"},
        {"(r => [r.type, r.status, r.ok])(Response.error())", "error,0,false"},
        {"(r => [r.status, r.headers.get('Location')])(Response.redirect('http://example.com/a b', 307))",
         "307,http://example.com/a%20b"},
        {"Response.redirect('http://example.com/', 200)",
         "threw RangeError: Response.redirect: 200 is not a redirect status"},
        {"Response.error().headers.set('a', 'b')", "threw TypeError: Headers.set: the headers are immutable"},
        {"Response.json({a: 1}, {status: 201, headers: {'X-A': 'b'}}).headers.get('content-type')",
         "application/json"},
        {"(r => [r.method, r.url, r.redirect, r.cache, r.signal.aborted, r.headers.get('x-a'), r.bodyUsed])"
         "(new Request('data/file.txt', {method: 'patch', headers: [['X-A', '1'], ['x-a', '2']], body: "
         "'b'}))",
         "patch,data/file.txt,follow,default,false,1, 2,false"},
        {"['get', 'Delete', 'options', 'Put'].map(method => new Request('a', {method}).method)",
         "GET,DELETE,OPTIONS,PUT"},
        {"new Request('a', {method: 'bad method'})",
         "threw TypeError: Request: \"bad method\" is not a valid HTTP method"},
        {"new Request('a', {cache: 'sometimes'})",
         "threw TypeError: Request: \"sometimes\" is not a valid value for cache"},
        {"(r => [...r.headers.keys()])(new Request('a', {headers: {Host: 'h', 'Sec-X': '1', 'Proxy-Y': '2', "
         "Accept: 'a'}}))",
         "accept"},
        {"(() => { const a = new Request('a', {method: 'POST', body: 'moved'}); const b = new Request(a); "
         "return [a.bodyUsed, b.bodyUsed, b.method]; })()",
         "true,false,POST"},
        {"new Headers({'bad name': 'x'})",
         "threw TypeError: Headers: \"bad name\" is not a valid header name"},
        {"new Headers([['a', 'x\\ny']])", "threw TypeError: Headers: \"x\ny\" is not a valid header value"},
        {"new Headers([['a']])", "threw TypeError: Headers: each header must be a [name, value] pair"},
        {"(h => { h.set('B', ' 2 '); h.delete('c'); return JSON.stringify([...h]); })"
         "(new Headers([['c', '1'], ['b', '1'], ['A', '0'], ['b', '3']]))",
         R"([["a","0"],["b","2"]])"},
    };
    for (const auto& [expression, expected] : cases)
        EXPECT_EQ(widget.text(expression), expected) << expression;

    const std::pair<std::string, std::string> bodies[] = {
        {"new Response('{\"a\": [1]}').json().then(JSON.stringify)", "ok {\"a\":[1]}"},
        {"new Response('{').json()", "error SyntaxError: JSON Parse error: Expected '}'"},
        {"new Response(new Blob(['b'], {type: 'text/x-b'})).blob().then(b => b.type + b.size)",
         "ok text/x-b1"},
        {"new Request('a', {method: 'POST', body: new Uint8Array([104, 105])}).clone().text()", "ok hi"},
        {"(r => r.text().then(() => [r.bodyUsed, r.body.locked]))(new Response('a'))", "ok true,true"},
        {"new Response('a=1&b=2', {headers: {'content-type': "
         "'application/x-www-form-urlencoded'}}).formData()"
         ".then(f => f.get('b'))",
         "ok 2"},
        {"new Response('abc').formData()",
         "error TypeError: formData: the body's type \"text/plain\" is not a form"},
    };
    for (const auto& [promise, expected] : bodies)
        EXPECT_EQ(widget.settled(promise), expected) << promise;
}
