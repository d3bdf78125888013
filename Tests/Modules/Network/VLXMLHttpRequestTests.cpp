#include "Tests/Modules/Network/VLNetworkTestWidget.h"
#include "Tests/Support/VLHTTPTestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// `track(name, xhr)` prints, once the request ends, every readyState change and event of the request
// and of its upload in order (a run of progress events as one), then the status.
constexpr const char* kXHREventTracker = R"(
globalThis.track = (name, xhr) => {
    const seen = [];
    const note = text => { if (seen[seen.length - 1] !== text) seen.push(text); };
    xhr.onreadystatechange = () => note('rs' + xhr.readyState);
    for (const type of ['loadstart', 'progress', 'load', 'error', 'abort', 'timeout', 'loadend']) {
        xhr.addEventListener(type, e => note(type === 'progress' ? 'progress' : `${type}(${e.loaded}/${e.total})`));
        xhr.upload.addEventListener(type, e => note(`upload-${type}(${e.loaded}/${e.total})`));
    }
    xhr.addEventListener('loadend', () => console.log(name, seen.join(' '), '|', xhr.readyState, xhr.status, xhr.statusText));
    return xhr;
};
)";

} // namespace

TEST(VLXMLHttpRequest, ReadyStatesAndEventsComeInTheStandardOrder) {
    VLHTTPTestServer server;
    server.route("/ok", VLHTTPTestServer::Response::text("0123456789"));
    server.route("/missing", [](const VLHTTPTestServer::Request&) {
        VLHTTPTestServer::Response response = VLHTTPTestServer::Response::text("nope");
        response.status = 404;
        return response;
    });
    VLHTTPTestServer::Response held = VLHTTPTestServer::Response::text(std::string(2000, 'h'));
    held.hold = std::make_shared<VLTestSignal>();
    held.holdAfterBytes = 100;
    server.route("/held", held);
    std::string refused;
    {
        VLHTTPTestServer closed;
        refused = closed.url("/gone");
    }
    VLNetworkTestWidget widget(VLNetworkAccess(), {}, VLNetworkTestWidget::Scripts::prelude);
    widget.run(kXHREventTracker);
    auto quoted = [&](const std::string& path) { return "'" + server.url(path) + "'"; };

    struct Case {
        std::string name;
        std::string script;
        std::string events;
    };
    const Case cases[] = {
        {"ok", "x.open('GET', " + quoted("/ok") + "); x.send();",
         "rs1 loadstart(0/0) rs2 rs3 progress rs4 load(10/10) loadend(10/10) | 4 200 OK"},
        {"missing", "x.open('get', " + quoted("/missing") + "); x.send();",
         "rs1 loadstart(0/0) rs2 rs3 progress rs4 load(4/4) loadend(4/4) | 4 404 Not Found"},
        {"posted", "x.open('POST', " + quoted("/ok") + "); x.send('abcd');",
         "rs1 loadstart(0/0) upload-loadstart(0/4) upload-progress(4/4) upload-load(4/4) upload-loadend(4/4) "
         "rs2 rs3 progress rs4 load(10/10) loadend(10/10) | 4 200 OK"},
        {"refused", "x.open('POST', '" + refused + "'); x.send('abcd');",
         "rs1 loadstart(0/0) upload-loadstart(0/4) rs4 upload-error(0/0) upload-loadend(0/0) error(0/0) "
         "loadend(0/0) | 4 0 "},
        {"aborted", "x.open('GET', " + quoted("/held") + "); x.onprogress = () => x.abort(); x.send();",
         "rs1 loadstart(0/0) rs2 rs3 progress rs4 abort(0/0) loadend(0/0) | 4 0 "},
        {"timeout",
         "x.open('GET', " + quoted("/held") + "); x.onprogress = () => { x.timeout = 1; }; x.send();",
         "rs1 loadstart(0/0) rs2 rs3 progress rs4 timeout(0/0) loadend(0/0) | 4 0 "},
    };
    for (const Case& test : cases) {
        widget.run("(() => { const x = track('" + test.name + "', new XMLHttpRequest()); " + test.script +
                   " })();");
        ASSERT_TRUE(widget.waitForCall(test.name, "")) << test.name;
        EXPECT_EQ(widget.calls(test.name).front(), test.events) << test.name;
    }
    EXPECT_EQ(widget.text("(x => { x.open('GET', 'a'); x.abort(); return [x.readyState, x.status]; })(new "
                          "XMLHttpRequest())"),
              "1,0");
    held.hold->raise();
}

TEST(VLXMLHttpRequest, ResponsesComeInEachResponseType) {
    VLHTTPTestServer server;
    VLHTTPTestServer::Response json = VLHTTPTestServer::Response::text(R"({"a": "é"})");
    json.headers = {{"Content-Type", "application/json; charset=utf-8"}};
    server.route("/json", json);
    VLHTTPTestServer::Response latin = VLHTTPTestServer::Response::text("caf\xe9");
    latin.headers = {{"Content-Type", "text/plain; charset=iso-8859-1"}};
    server.route("/latin", latin);
    VLNetworkTestWidget widget(VLNetworkAccess(), {}, VLNetworkTestWidget::Scripts::prelude);
    widget.run(R"(
        globalThis.load = (url, type, prepare) => new Promise(resolve => {
            const x = new XMLHttpRequest();
            x.open('GET', url);
            x.responseType = type;
            if (prepare)
                prepare(x);
            x.onload = () => resolve(x);
            x.send();
        });
        globalThis.describe = value => value instanceof ArrayBuffer ? 'ArrayBuffer ' + new TextDecoder().decode(value) :
            typeof Blob === 'function' && value instanceof Blob ? 'Blob ' + value.type + ' ' + value.size :
            typeof value === 'object' && value !== null ? 'object ' + JSON.stringify(value) : typeof value + ' ' + value;
    )");
    const std::string json_ = "'" + server.url("/json") + "'";
    const std::string latin_ = "'" + server.url("/latin") + "'";
    const std::pair<std::string, std::string> cases[] = {
        {"load(" + json_ + ", '').then(x => describe(x.response) + ' ' + (x.response === x.responseText))",
         "ok string {\"a\": \"é\"} true"},
        {"load(" + json_ + ", 'text').then(x => describe(x.response))", "ok string {\"a\": \"é\"}"},
        {"load(" + json_ + ", 'json').then(x => describe(x.response))", "ok object {\"a\":\"é\"}"},
        {"load(" + latin_ + ", 'json').then(x => describe(x.response))", "ok object null"},
        {"load(" + json_ + ", 'arraybuffer').then(x => describe(x.response))",
         "ok ArrayBuffer {\"a\": \"é\"}"},
        {"load(" + json_ + ", 'blob').then(x => describe(x.response))",
         "ok Blob application/json; charset=utf-8 11"},
        {"load(" + json_ + ", 'document').then(x => describe(x.response))", "ok object null"},
        {"load(" + json_ + ", 'json').then(x => x.responseText)",
         "error InvalidStateError: XMLHttpRequest.responseText: the responseType is not \"\" or \"text\""},
        {"load(" + latin_ + ", '').then(x => x.responseText)", "ok café"},
        {"load(" + latin_ +
             ", 'blob', x => x.overrideMimeType('text/x-mine')).then(x => describe(x.response))",
         "ok Blob text/x-mine 4"},
        {"load(" + json_ +
             ", 'text', x => x.overrideMimeType('text/plain; charset=windows-1252'))"
             ".then(x => x.responseText)",
         "ok {\"a\": \"Ã©\"}"},
        {"load(" + json_ + ", 'blob').then(x => { x.responseType = 'text'; })",
         "error InvalidStateError: XMLHttpRequest.responseType: the response is already loading"},
        {"(x => { x.responseType = 'nonsense'; return x.responseType; })(new XMLHttpRequest())", "ok "},
    };
    for (const auto& [promise, expected] : cases)
        EXPECT_EQ(widget.settled(promise), expected) << promise;
}

TEST(VLXMLHttpRequest, HeadersGoOutAndComeBackCombined) {
    VLHTTPTestServer server;
    VLHTTPTestServer::Response answer = VLHTTPTestServer::Response::text("h");
    answer.headers = {
        {"X-Zulu", "z"}, {"Set-Cookie", "a=1"}, {"x-alpha", "1"}, {"Set-Cookie", "b=2"}, {"X-Alpha", "2"}};
    server.route("/headers", answer);
    VLNetworkTestWidget widget(VLNetworkAccess(), {}, VLNetworkTestWidget::Scripts::prelude);
    EXPECT_EQ(widget.settled(
                  "new Promise(resolve => { const x = new XMLHttpRequest(); x.open('PUT', '" +
                  server.url("/headers") +
                  "'); x.setRequestHeader('X-Sent', 'a'); x.setRequestHeader('x-sent', 'b'); "
                  "x.setRequestHeader('Host', 'elsewhere'); x.withCredentials = true; "
                  "x.onload = () => resolve(JSON.stringify([x.getAllResponseHeaders().split('\\r\\n')"
                  ".filter(line => /^(x-|set-cookie)/.test(line)).join('|'), x.getResponseHeader('X-ALPHA'), "
                  "x.getResponseHeader('absent'), x.getAllResponseHeaders().endsWith('\\r\\n'), "
                  "x.responseURL === '" +
                  server.url("/headers") + "', x.withCredentials])); x.send(new Blob(['blob'])); })"),
              R"(ok ["set-cookie: a=1, b=2|x-alpha: 1, 2|x-zulu: z","1, 2",null,true,true,true])");
    const VLHTTPTestServer::Request request = server.requests().back();
    EXPECT_EQ(request.method, "PUT");
    EXPECT_EQ(request.header("X-Sent").value_or(""), "a, b");
    EXPECT_NE(request.header("Host").value_or(""), "elsewhere");
    EXPECT_EQ(request.body, "blob");

    EXPECT_EQ(
        widget.text("(x => { x.open('GET', 'a'); x.send(); try { x.setRequestHeader('a', 'b'); } catch (e) { "
                    "return e.name; } })(new XMLHttpRequest())"),
        "InvalidStateError");
}

TEST(VLXMLHttpRequest, PackageFilesAreReadAndSynchronousRequestsRefused) {
    VLNetworkTestWidget widget({}, {{"data/words.txt", "package words"}},
                               VLNetworkTestWidget::Scripts::prelude);
    const std::string load =
        "new Promise(resolve => { const x = new XMLHttpRequest(); x.open('GET', '%'); "
        "x.onloadend = () => resolve([x.status, x.statusText, x.getResponseHeader('content-length'), "
        "x.responseText].join()); x.send(); })";
    auto loading = [&](const std::string& path) {
        std::string script = load;
        script.replace(script.find('%'), 1, path);
        return widget.settled(script);
    };
    EXPECT_EQ(loading("data/words.txt"), "ok 200,OK,13,package words");
    EXPECT_EQ(loading("data/none.txt"), "ok 404,Not Found,,");
    EXPECT_EQ(
        widget.text(
            "(x => { try { x.open('GET', 'data/words.txt', false); } catch (e) { return [e.name, e.message, "
            "x.readyState]; } })(new XMLHttpRequest())"),
        "NotSupportedError,XMLHttpRequest.open: synchronous requests are not supported,0");
    EXPECT_EQ(
        widget.text("(x => { x.open('GET', 'a', undefined); return x.readyState; })(new XMLHttpRequest())"),
        "threw NotSupportedError: XMLHttpRequest.open: synchronous requests are not supported");
    EXPECT_EQ(
        widget.text("[XMLHttpRequest.DONE, new XMLHttpRequest().LOADING, new XMLHttpRequest().readyState]"),
        "4,3,0");
}
