#include "Modules/Network/VLNetworkModule.h"

#include "Core/Engine/JS/VLEmbeddedScripts.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Runtime/VLRuntimeModuleScripts.h"
#include "Tests/Modules/Network/VLNetworkTestWidget.h"
#include "Tests/Support/VLLogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using Resources = std::map<std::string, std::string, std::less<>>;

VLRuntimeModuleScripts::Lookup lookupIn(const Resources& resources) {
    return [&resources](std::string_view name) -> std::optional<std::string_view> {
        auto found = resources.find(name);
        return found == resources.end() ? std::nullopt : std::optional<std::string_view>(found->second);
    };
}

} // namespace

TEST(VLNetworkModule, ThePreludeJoinsTheScriptsInOrderInsideItsWrappers) {
    Resources resources = {{"events", "EV"}, {"web-streams-polyfill", "WSP"}};
    for (const char* name : {"network-events", "streams", "encoding", "url", "blob", "form-data", "network",
                             "websocket", "xhr", "messaging", "file-reader"})
        resources[name] = std::string("<") + name + ">";
    VLRuntimeModuleScripts scripts(lookupIn(resources));
    EXPECT_EQ(
        VLNetworkModule::polyfillScriptWithScripts(scripts),
        "EV\n!function (global) {\n'use strict';\nconst internal = { native: new VeltoRuntime.Network() };\n"
        "<network-events>\n"
        "internal.streams = function () {\nconst exports = {}, module = { exports };\nWSP\nreturn "
        "exports;\n}();\n"
        "<streams>\n<encoding>\n<url>\n<blob>\n<form-data>\n<network>\n<websocket>\n<xhr>\n"
        "<messaging>\n<file-reader>\n"
        "}(this);\n");

    VLLogCapture capture(VLLogFlagError);
    for (const char* missing : {"web-streams-polyfill", "form-data", "file-reader"}) {
        Resources without = resources;
        without.erase(missing);
        VLRuntimeModuleScripts partial(lookupIn(without));
        EXPECT_EQ(VLNetworkModule::polyfillScriptWithScripts(partial), "") << missing;
        VLLogFlush();
        EXPECT_THAT(capture.lines().back(),
                    testing::HasSubstr(std::string("Failed to load ") + missing + ".js"));
    }
}

TEST(VLNetworkModule, WidgetsFindTheWebGlobalsMadeWhenFirstTouched) {
    VLNetworkTestWidget widget({}, {}, VLNetworkTestWidget::Scripts::prelude);
    // Neither the polyfill's nor URL's code has run at launch.
    EXPECT_EQ(widget.text("['ReadableStream', 'URL'].map(name => typeof Object.getOwnPropertyDescriptor("
                          "globalThis, name).get).join()"),
              "function,function");
    const char* names[] = {"ReadableStream",
                           "WritableStream",
                           "TransformStream",
                           "ReadableStreamDefaultReader",
                           "ReadableStreamBYOBReader",
                           "WritableStreamDefaultWriter",
                           "ByteLengthQueuingStrategy",
                           "CountQueuingStrategy",
                           "TextEncoder",
                           "TextDecoder",
                           "TextEncoderStream",
                           "TextDecoderStream",
                           "URL",
                           "URLSearchParams",
                           "Blob",
                           "File",
                           "FormData",
                           "FileReader",
                           "ProgressEvent",
                           "MessageEvent",
                           "CloseEvent",
                           "AbortController",
                           "AbortSignal",
                           "fetch",
                           "Headers",
                           "Request",
                           "Response",
                           "XMLHttpRequest",
                           "XMLHttpRequestUpload",
                           "XMLHttpRequestEventTarget"};
    for (const char* name : names) {
        const std::string global = name;
        EXPECT_EQ(widget.text("typeof " + global +
                              " + ' ' + JSON.stringify(Object.getOwnPropertyDescriptor("
                              "globalThis, '" +
                              global + "'), ['writable', 'enumerable', 'configurable'])"),
                  "function {\"writable\":true,\"enumerable\":false,\"configurable\":true}")
            << name;
    }
    widget.run("URLSearchParams = 'mine';");
    EXPECT_EQ(widget.text("URLSearchParams"), "mine");
}

TEST(VLNetworkModule, AbortSignalsAndNetworkEventsBehaveAsOnTheWeb) {
    VLNetworkTestWidget widget({}, {}, VLNetworkTestWidget::Scripts::prelude);
    const std::pair<std::string, std::string> cases[] = {
        {"(() => { const c = new AbortController(), seen = []; c.signal.onabort = e => seen.push(e.type);"
         " c.abort(); c.abort('again'); return [c.signal.aborted, c.signal.reason.name, seen]; })()",
         "true,AbortError,abort"},
        {"(() => { try { AbortSignal.abort(7).throwIfAborted(); } catch (e) { return e; } })()", "7"},
        {"new AbortController().signal.throwIfAborted()", "undefined"},
        {"new AbortSignal()", "threw TypeError: Illegal constructor"},
        {"AbortSignal.timeout(-1)",
         "threw TypeError: AbortSignal.timeout: the time must be a finite, non-negative number"},
        {"Object.prototype.toString.call(AbortSignal.abort())", "[object AbortSignal]"},
        {"(e => [e.type, e.lengthComputable, e.loaded, e.total, e instanceof Event])"
         "(new ProgressEvent('progress', {lengthComputable: 1, loaded: 5, total: '9'}))",
         "progress,true,5,9,true"},
        {"(e => [e.data, e.origin === '', e.ports.length, e.source])(new MessageEvent('message', {data: 3}))",
         "3,true,0,"},
        {"(e => [e.code, e.reason, e.wasClean])(new CloseEvent('close', {code: 1000, reason: 'bye', "
         "wasClean: 1}))",
         "1000,bye,true"},
        {"new CloseEvent()", "threw TypeError: CloseEvent: 1 argument required, but only 0 present"},
    };
    for (const auto& [expression, expected] : cases)
        EXPECT_EQ(widget.text(expression), expected) << expression;
}

// The writer that fetch and XMLHttpRequest use for FormData bodies, and the reader of formData().
TEST(VLNetworkModule, FormDataGoesThroughMultipartAndComesBack) {
    VLNetworkTestWidget widget({}, {}, VLNetworkTestWidget::Scripts::internals);
    widget.run(R"(
        const form = new FormData();
        form.append('plain', 'line one\nline two\r\n');
        form.append('quote"d\nname', 'é');
        form.append('bytes', new Blob([new Uint8Array([0, 13, 10, 45, 45, 255])], {type: 'application/x-raw'}), 'r"aw.bin');
        form.append('empty', new Blob([]));
        globalThis.body = networkInternal.formData().multipartBody(form);
        globalThis.back = networkInternal.formData().readFormData(body.bytes, body.type);
        globalThis.show = formData => [...formData].map(([name, value]) => typeof value === 'string' ?
            JSON.stringify([name, value]) : JSON.stringify([name, value.name, value.type, [...networkInternal.blob().blobBytes(value)]])).join(' ');
        globalThis.read = (text, type) => { try { return show(networkInternal.formData().readFormData(new TextEncoder().encode(text), type)); }
                                            catch (e) { return e.name + ': ' + e.message; } };
    )");
    EXPECT_THAT(widget.text("body.type"),
                testing::MatchesRegex("multipart/form-data; boundary=-*VeltoFormBoundary[A-Za-z0-9]{16}"));
    EXPECT_NE(widget.text("body.type"),
              widget.text("networkInternal.formData().multipartBody(new FormData()).type"))
        << "each body has a boundary of its own";
    EXPECT_EQ(
        widget.text("show(back)"),
        R"(["plain","line one\r\nline two\r\n"] ["quote\"d\r\nname","é"] )"
        R"(["bytes","r\"aw.bin","application/x-raw",[0,13,10,45,45,255]] ["empty","blob","application/octet-stream",[]])");

    const std::pair<std::string, std::string> cases[] = {
        {"read('a=1&b=%C3%A9+x&&c&d=%zz', 'application/x-www-form-urlencoded; charset=UTF-8')",
         R"(["a","1"] ["b","é x"] ["c",""] ["d","%zz"])"},
        {"read('--X\\r\\nContent-Disposition: form-data; name=\"a\"\\r\\n\\r\\nv\\r\\n--X--', "
         "'multipart/form-data;boundary=X')",
         R"(["a","v"])"},
        {"read('--X\\r\\n\\r\\nv\\r\\n--X--', 'multipart/form-data; boundary=X')",
         "TypeError: formData: the body is not valid multipart/form-data"},
        {"read('--X\\r\\nContent-Disposition: form-data; name=\"a\"\\r\\n\\r\\nv', 'multipart/form-data; "
         "boundary=X')",
         "TypeError: formData: the body is not valid multipart/form-data"},
        {"read('a=1', 'multipart/form-data')",
         "TypeError: formData: the multipart/form-data body has no boundary"},
        {"read('a=1', 'text/plain')", "TypeError: formData: the body's type \"text/plain\" is not a form"},
    };
    for (const auto& [expression, expected] : cases)
        EXPECT_EQ(widget.text(expression), expected) << expression;
}

// The store keeps its own copy: what the Blob held when the URL was made, until the URL is revoked.
TEST(VLNetworkModule, ObjectURLsServeACopyOfTheBlobUntilRevoked) {
    VLNetworkTestWidget widget({}, {}, VLNetworkTestWidget::Scripts::internals);
    widget.run(R"(
        globalThis.read = (name, url) => native.request({url}, {
            response: r => console.log(name, 'response', r.status, JSON.stringify(r.headers.sort())),
            data: b => console.log(name, 'data', new TextDecoder().decode(b)),
            complete: e => console.log(name, 'complete', e && e.message),
        });
        const bytes = new Uint8Array([0x61, 0x62, 0x63, 0x64]);
        globalThis.url = URL.createObjectURL(new Blob(['x', bytes], {type: 'Text/Plain'}).slice(1, 4, 'text/x-part'));
        bytes.fill(0x7a);
        read('first', url);
    )");
    ASSERT_TRUE(widget.waitForCall("first", "complete "));
    EXPECT_THAT(
        widget.calls("first"),
        testing::ElementsAre(R"(response 200 [["Content-Length","3"],["Content-Type","text/x-part"]])",
                             "data abc", "complete null"));
    widget.run("URL.revokeObjectURL(url); read('second', url);");
    EXPECT_EQ(widget.completion("second"), "Blob URL not found: " + widget.text("url"));
    EXPECT_EQ(widget.text("URL.createObjectURL('text')"),
              "threw TypeError: URL.createObjectURL: the argument must be a Blob");
}
