#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Tests/Support/VLWaitUntil.h"

#include <JavaScriptCore/JavaScript.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string evaluate(JSGlobalContextRef context, const char* script) {
    JSStringRef source = JSStringCreateWithUTF8CString(script);
    JSValueRef exception = nullptr;
    JSValueRef value = JSEvaluateScript(context, source, nullptr, nullptr, 1, &exception);
    JSStringRelease(source);
    JSStringRef text = JSValueToStringCopy(context, exception ? exception : value, nullptr);
    std::string result(JSStringGetMaximumUTF8CStringSize(text), '\0');
    result.resize(JSStringGetUTF8CString(text, result.data(), result.size()) - 1);
    JSStringRelease(text);
    return exception ? "exception: " + result : result;
}

// WebAssembly compilation finishes, and FinalizationRegistry callbacks are scheduled, through
// JavaScriptCore's own deferred work on the thread-default GLib context.
constexpr const char* kDeferredWorkScript = R"JS(
var wasm = 'pending';
WebAssembly.instantiate(new Uint8Array([0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00])).then(
    result => { wasm = result.instance instanceof WebAssembly.Instance ? 'instantiated' : 'no instance'; },
    error => { wasm = 'failed: ' + error; });
var finalized = 0;
var registry = new FinalizationRegistry(() => { finalized++; });
(function () {
    for (let index = 0; index < 10000; index++) {
        registry.register({ index }, index);
    }
})();
'started'
)JS";

} // namespace

TEST(VLRunLoopJavaScriptCore, ServesTheEnginesDeferredWorkWhileTheLoopRuns) {
    auto runLoop = VLRunLoop::create(VLRunLoopThread::create("app.velto.jsengine"));
    JSGlobalContextRef context = nullptr; // used on the loop only
    runLoop->performBlockSync([&] {
        context = JSGlobalContextCreate(nullptr);
        EXPECT_EQ("started", evaluate(context, kDeferredWorkScript));
    });

    std::string wasm;
    std::string finalized;
    bool served = VLWaitUntil([&] {
        runLoop->performBlockSync([&] {
            JSGarbageCollect(context);
            evaluate(context, "new Array(1000).fill(0).map(() => ({}))"); // garbage, to prompt a collection
            wasm = evaluate(context, "wasm");
            finalized = evaluate(context, "finalized");
        });
        return wasm != "pending" && finalized != "0";
    });
    EXPECT_TRUE(served) << wasm << ", finalized " << finalized;
    EXPECT_EQ("instantiated", wasm);
    EXPECT_NE("0", finalized);

    runLoop->performBlockSync([&] { JSGlobalContextRelease(context); });
}
