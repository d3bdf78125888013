#include "Core/Engine/Binding/VLJSFunctionInvoker.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Tests/Core/Engine/Binding/VLJSBindingTestFixture.h"
#include "Tests/Support/VLTestSignal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// What the native functions of a test share with it; one test at a time uses them.
std::atomic<bool> released{false};
std::atomic<int> nativeCalls{0};
VLTestSignal* started = nullptr;

JSValueRef isReleased(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t, const JSValueRef[], JSValueRef*) {
    if (started)
        started->raise();
    return JSValueMakeBoolean(ctx, released);
}

JSValueRef countCall(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t, const JSValueRef[], JSValueRef*) {
    ++nativeCalls;
    return JSValueMakeUndefined(ctx);
}

class VLJSFunctionInvokerTest : public VLJSBindingFixture {
protected:
    void SetUp() override {
        VLJSBindingFixture::SetUp();
        bind();
        invoker = std::make_shared<VLJSFunctionInvoker>(bindingContext);
        evaluate("var log = []; function record() { log.push([this === globalThis ? 'global' : this.name]"
                 "  .concat(Array.from(arguments, a => JSON.stringify(a))).join(' ')) }");
    }

    // The value of a global, on the JavaScript thread.
    JSValueRef global(const char* name) {
        return JSEvaluateScript(ctx, VLJSString(name).get(), nullptr, nullptr, 1, nullptr);
    }
    // A native function, protected as its owner would keep it; it goes with the context. On the
    // JavaScript thread.
    JSObjectRef nativeFunction(JSObjectCallAsFunctionCallback callback) {
        JSObjectRef function = JSObjectMakeFunctionWithCallback(ctx, nullptr, callback);
        JSValueProtect(ctx, function);
        return function;
    }

    std::shared_ptr<VLJSFunctionInvoker> invoker;
};

} // namespace

TEST_F(VLJSFunctionInvokerTest, CallsOnTheThreadReturnTheResult) {
    run([&] {
        JSValueRef exception = nullptr;
        JSValueRef argument = JSValueMakeNumber(ctx, 2);
        JSValueRef result =
            invoker->invokeFunction(global("(x => x * 21)"), nullptr, 1, &argument, &exception);
        EXPECT_EQ(42, JSValueToNumber(ctx, result, nullptr));
        EXPECT_EQ(nullptr, invoker->invokeFunction(global("({})"), nullptr, 0, nullptr, &exception));
        EXPECT_EQ(nullptr, invoker->invokeFunction(global("5"), nullptr, 0, nullptr, &exception));
        EXPECT_EQ(nullptr, exception);
        EXPECT_EQ(nullptr,
                  invoker->invokeFunction(global("(() => { throw 1 })"), nullptr, 0, nullptr, &exception));
        EXPECT_NE(nullptr, exception);
    });
    EXPECT_TRUE(reportedExceptions.empty()) << "the caller has the exception";
}

TEST_F(VLJSFunctionInvokerTest, CallsFromOtherThreadsArePostedAndTheirExceptionsReported) {
    JSValueRef function = nullptr, argument = nullptr, thrower = nullptr;
    JSObjectRef thisObject = nullptr;
    run([&] {
        function = global("record");
        thisObject = JSValueToObject(ctx, global("({name: 'me'})"), nullptr);
        argument = global("({a: [1]})");
        thrower = global("(() => { throw new URIError('posted') })");
        // Only what the caller keeps protected may cross threads; the invoker protects its own copies.
        for (JSValueRef value : {argument, JSValueRef(thisObject), thrower})
            JSValueProtect(ctx, value);
    });
    std::thread([&] {
        JSValueRef exception = nullptr;
        EXPECT_EQ(nullptr, invoker->invokeFunction(function, thisObject, 1, &argument, &exception));
        EXPECT_EQ(nullptr, exception);
        invoker->invokeFunction(thrower, nullptr, 0, nullptr, &exception);
    }).join();
    run([&] {
        for (JSValueRef value : {argument, JSValueRef(thisObject), thrower})
            JSValueUnprotect(ctx, value);
        JSGarbageCollect(ctx);
    });
    EXPECT_EQ("me {\"a\":[1]}", evaluate("log.join('|')"));
    EXPECT_THAT(reportedExceptions, testing::ElementsAre("URIError: posted"));
}

TEST_F(VLJSFunctionInvokerTest, ACallFromAnotherThreadDoesNotWaitForTheRunningScript) {
    VLTestSignal scriptRuns;
    started = &scriptRuns;
    released = false;
    JSValueRef function = nullptr;
    run([&] {
        function = global("record");
        JSValueProtect(ctx, function);
        JSObjectSetProperty(ctx, JSContextGetGlobalObject(ctx), VLJSString("released").get(),
                            nativeFunction(isReleased), 0, nullptr);
    });
    // The script holds the JavaScript thread until the call below has returned (or for 20 s).
    runLoop->performBlock([&] {
        JSEvaluateScript(ctx,
                         VLJSString("var deadline = Date.now() + 20000;"
                                    "while (!released() && Date.now() < deadline) {}"
                                    "var ended = released() ? 'released' : 'timed out';")
                             .get(),
                         nullptr, nullptr, 1, nullptr);
    });
    ASSERT_TRUE(scriptRuns.wait());
    EXPECT_EQ(nullptr, invoker->invokeFunction(function, nullptr, 0, nullptr, nullptr));
    released = true;
    EXPECT_EQ("released", evaluate("ended"));
    EXPECT_EQ("global", evaluate("log.join('|')")) << "the call ran after the script";
    started = nullptr;
    run([&] { JSValueUnprotect(ctx, function); });
}

TEST_F(VLJSFunctionInvokerTest, PostedCallsRunUntilTheContextEndsOrTheyAreCancelled) {
    nativeCalls = 0;
    JSObjectRef counter = nullptr;
    run([&] { counter = nativeFunction(countCall); });
    auto callFromAnotherThread = [&](int times) {
        std::thread([&] {
            for (int i = 0; i < times; ++i)
                EXPECT_EQ(nullptr, invoker->invokeFunction(counter, nullptr, 0, nullptr, nullptr));
        }).join();
        run([] {});
    };
    callFromAnotherThread(100);
    EXPECT_EQ(100, nativeCalls) << "each ran once, on the JavaScript thread";

    // Posted, then cancelled by the owner before they could run, behind a block that holds the thread.
    VLTestSignal held, posted;
    runLoop->performBlock([&] {
        held.raise();
        ASSERT_TRUE(posted.wait());
        invoker->cancelPostedCalls();
    });
    ASSERT_TRUE(held.wait());
    std::thread([&] { invoker->invokeFunction(counter, nullptr, 0, nullptr, nullptr); }).join();
    posted.raise();
    run([] {});
    EXPECT_EQ(100, nativeCalls);
    callFromAnotherThread(10);
    EXPECT_EQ(110, nativeCalls) << "calls posted after the cancellation run";

    // Calls that race the end of the context never reach it once it has gone.
    std::atomic<bool> stop{false};
    std::atomic<int> calls{0};
    std::thread caller([&] {
        for (; !stop; ++calls)
            invoker->invokeFunction(counter, nullptr, 0, nullptr, nullptr);
    });
    auto waitForCalls = [&](int count) {
        while (calls < count)
            std::this_thread::yield();
    };
    waitForCalls(100);
    endContext();
    const int ranBeforeTheEnd = nativeCalls;
    waitForCalls(calls + 100);
    stop = true;
    caller.join();
    runLoop->performBlockSync([] {});
    EXPECT_GE(ranBeforeTheEnd, 210) << "the calls posted before the end ran";
    EXPECT_EQ(ranBeforeTheEnd, nativeCalls) << "none ran after it";
}

TEST_F(VLJSFunctionInvokerTest, CompletionConvention) {
    evaluate("var options = {name: 'o', success: record, fail: record, complete: record};"
             "var throwing = {name: 't', success() { throw new Error('s') }, complete: record};");
    run([&] {
        JSValueRef exception = nullptr;
        invoker->invokeCallback(global("options"), VLValue(), true, &exception);
        invoker->invokeCallback(global("options"), VLDictionary{{"errMsg", "bad"}}, false, &exception);
        invoker->invokeCallback(global("options"), VLValue(), false, &exception);
        invoker->invokeCallback(global("options"), VLDictionary{{"size", 3}}, true, &exception);
        invoker->invokeCallback(global("({})"), VLValue(), true, &exception);
        EXPECT_EQ(nullptr, exception);
        invoker->invokeCallback(global("throwing"), VLValue(), true, &exception);
        EXPECT_NE(nullptr, exception);
    });
    EXPECT_THAT(evaluate("log.join('|')"),
                testing::Eq("o {\"errMsg\":\"ok\",\"code\":0}|o {\"errMsg\":\"ok\",\"code\":0}|"
                            "o {\"errMsg\":\"bad\"}|o {\"errMsg\":\"bad\"}|o|o|"
                            "o {\"size\":3,\"errMsg\":\"ok\",\"code\":0}|"
                            "o {\"size\":3,\"errMsg\":\"ok\",\"code\":0}"));
}
