#include "Core/Engine/Binding/VLJSFunctionInvoker.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Tests/Core/Engine/Binding/VLJSBindingTestFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

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

TEST_F(VLJSFunctionInvokerTest, CallsFromOtherThreadsMayRaceTheEndOfTheContext) {
    JSValueRef function = nullptr;
    run([&] {
        function = global("(function () {})");
        JSValueProtect(ctx, function); // goes with the context
    });
    std::atomic<bool> stop{false};
    std::atomic<int> calls{0};
    std::thread caller([&] {
        for (; !stop; ++calls)
            invoker->invokeFunction(function, nullptr, 0, nullptr, nullptr);
    });
    auto waitForCalls = [&](int count) {
        while (calls < count)
            std::this_thread::yield();
    };
    waitForCalls(100);
    endContext();
    waitForCalls(calls + 100);
    stop = true;
    caller.join();
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
