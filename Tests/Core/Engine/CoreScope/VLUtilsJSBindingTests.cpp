#include "Core/Engine/Binding/VLJSClassLoader.h"
#include "Core/Engine/CoreScope/VLUtilsJSBinding.h"
#include "Tests/Core/Engine/Binding/VLJSBindingTestFixture.h"
#include "Tests/Support/VLSanitizers.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

// A Utils object in a test scope of its own, without an engine: rejections are not tracked and
// reports go nowhere, everything else works as in a runtime.
class VLUtilsJSBindingTest : public VLJSBindingFixture {
protected:
    void SetUp() override {
        VLJSBindingFixture::SetUp();
        bindingContext->classes = {{"Utils", &VLJSClassLoader::loadNativeClass<VLUtilsJSBinding>()}};
        bind();
        evaluate("var utils = new VeltoTest.Utils(), log = [];");
    }

    // Waits until the script's value is true; the limit only keeps a broken test from hanging.
    void waitFor(const char* condition) {
        EXPECT_TRUE(VLWaitUntil([&] { return evaluate(condition) == "true"; })) << condition;
    }
};

} // namespace

TEST_F(VLUtilsJSBindingTest, ApplyNewConstructsWithAnArrayLike) {
    expectResults({
        {"utils.applyNew(Date, [2020, 0, 1]).getFullYear()", "2020"},
        {"utils.applyNew(Array, {length: 2.7, 0: 'a', 1: 'b', 2: 'c'}).join()", "a,b"},
        {"utils.applyNew(Object, {length: NaN}) instanceof Object", "true"},
        {"utils.applyNew(Array, {length: -4}).length", "0"},
        {"utils.applyNew(Array, new Array(65536)).length", "65536"},
        {"utils.applyNew(Date)", "null"},
        {"utils.applyNew(Date, [], 1)", "null"},
        {"utils.applyNew(Math.max, [])", "threw TypeError: applyNew needs a constructor"},
        {"utils.applyNew(5, [])", "threw TypeError: applyNew needs a constructor"},
        {"utils.applyNew(Date, 5)", "threw TypeError: applyNew needs an array-like of arguments"},
        {"utils.applyNew(Array, {length: 65537})",
         "threw RangeError: applyNew takes at most 65536 arguments"},
        {"utils.applyNew(Array, {get length() { throw new SyntaxError('no length'); }})",
         "threw SyntaxError: no length"},
        {"utils.applyNew(Array, {length: 2, get 1() { throw new EvalError('no element'); }})",
         "threw EvalError: no element"},
        {"utils.applyNew(class { constructor() { throw new URIError('refused'); } }, [])",
         "threw URIError: refused"},
    });
}

TEST_F(VLUtilsJSBindingTest, RandomValuesFillTheViewFromItsOffset) {
    expectResults({
        {"var buffer = new ArrayBuffer(4096); utils.getRandomValues(new Uint8Array(buffer, 2048));"
         "var bytes = new Uint8Array(buffer);"
         "bytes.subarray(0, 2048).every(b => b === 0) && bytes.subarray(2048).some(b => b !== 0)",
         "true"},
        {"utils.getRandomValues(new Float64Array(0))", "undefined"},
        {"utils.getRandomValues()", "threw TypeError: getRandomValues needs a typed array"},
        {"utils.getRandomValues(new ArrayBuffer(8))", "threw TypeError: getRandomValues needs a typed array"},
        {"utils.getRandomValues(new DataView(new ArrayBuffer(8)))",
         "threw TypeError: getRandomValues needs a typed array"},
        {"utils.getRandomValues([1, 2])", "threw TypeError: getRandomValues needs a typed array"},
    });
}

TEST_F(VLUtilsJSBindingTest, Base64TakesBuffersAndStringsOnly) {
    expectResults({
        {"utils.base64Encode(new Uint8Array([104, 105, 255]).buffer)", "aGn/"},
        {"utils.base64Encode(new Uint8Array([104, 105]))", "null"},
        {"utils.base64Encode(new ArrayBuffer(0))", "null"},
        {"utils.base64Encode('aGk=')", "null"},
        {"Array.from(new Uint8Array(utils.base64Decode('aGn/'))).join()", "104,105,255"},
        {"utils.base64Decode('aGk') + ' ' + utils.base64Decode('a$k=') + ' ' + utils.base64Decode('')",
         "null null null"},
        {"utils.base64Decode(new ArrayBuffer(3))", "null"},
    });
#if !VL_TEST_SHADOWS_MEMORY
    // The shortest buffer whose text would not fit in a string; its pages are never touched (a sanitizer's
    // allocator fills them, which takes seconds).
    expectResults({{"utils.base64Encode(new ArrayBuffer(1610612736))",
                    "threw RangeError: base64Encode: the buffer is too large for a string"}});
#endif
}

TEST_F(VLUtilsJSBindingTest, ReadingsAndMisuse) {
    expectResults({
        {"utils.tracksUnhandledRejections", "false"},
        {"Array.isArray(utils.preferredLanguages) && utils.preferredLanguages.length > 0", "true"},
        {"utils.processorCount >= 1", "true"},
        {"utils.base64Encode.call({}, new ArrayBuffer(1))", "threw TypeError: Illegal invocation"},
        {"new VeltoTest.Utils()", "threw TypeError: Illegal constructor"},
        {"var keys = []; for (const key in utils) keys.push(key); keys.sort().join()",
         "applyNew,base64Decode,base64Encode,clearInterval,clearTimeout,getRandomValues,preferredLanguages,"
         "processorCount,reportException,reportUnhandledRejection,setInternalTimeout,setInterval,setTimeout,"
         "tracksUnhandledRejections,userAgent"},
    });
}

TEST_F(VLUtilsJSBindingTest, TimersCallWithTheirArgumentsAndUndefinedThis) {
    expectResults({
        {"utils.setTimeout('log.push(1)', 0)", "null"},
        {"utils.setTimeout()", "null"},
        {"utils.setTimeout(function () { 'use strict'; log.push([this === undefined, ...arguments].join()); "
         "}, 5, 1, 'a')",
         "1"},
        {"utils.setTimeout(function () { log.push('alone ' + arguments.length); })", "2"},
        {"utils.setTimeout(() => {}, {valueOf() { throw new SyntaxError('no delay'); }})",
         "threw SyntaxError: no delay"},
        {"utils.setTimeout(() => {}, '10')", "3"},
    });
    waitFor("log.length === 2");
    EXPECT_EQ("alone 0,true,1,a", evaluate("log.sort().join()"));
}

TEST_F(VLUtilsJSBindingTest, OutOfRangeDelaysCountAsNone) {
    // The kept longest delay and a long one must not have run when the no-delay timers have.
    evaluate("utils.setTimeout(() => log.push('long'), 100000);"
             "utils.setTimeout(() => log.push('longest'), 2147483647);"
             "for (const delay of [-5, NaN, 2147483648, Infinity, undefined, 0]) "
             "    utils.setTimeout(() => log.push(String(delay)), delay);");
    waitFor("log.length === 6");
    EXPECT_EQ("-5,NaN,2147483648,Infinity,undefined,0", evaluate("log.join()"));
}

TEST_F(VLUtilsJSBindingTest, IntervalsRunNoMoreOftenThanEveryFourMilliseconds) {
    // The n-th run of an interval never comes before n intervals have passed.
    evaluate("var start = Date.now(), runs = [];"
             "var id = utils.setInterval(() => { runs.push(Date.now() - start);"
             "                                   if (runs.length === 5) utils.clearInterval(id); }, 0);");
    waitFor("runs.length === 5");
    EXPECT_EQ("true", evaluate("runs.every((elapsed, n) => elapsed >= 4 * (n + 1))"))
        << evaluate("runs.join()");
}

TEST_F(VLUtilsJSBindingTest, EitherClearFunctionCancelsEitherKindByNumberOnly) {
    evaluate(
        "var ticks = 0;"
        "var interval = utils.setInterval(() => { if (++ticks === 2) utils.clearTimeout(interval); }, 1);"
        "var once = utils.setTimeout(() => log.push('cancelled ran'), 1);"
        "utils.clearInterval(once + 0.7);"
        "var kept = utils.setTimeout(() => log.push('kept'), 1);"
        "utils.clearTimeout(String(kept)); utils.clearTimeout({valueOf: () => kept}); utils.clearTimeout();");
    waitFor("log.length === 1 && ticks === 2");
    // A timer due after the interval's second run has passed it.
    evaluate("utils.setTimeout(() => log.push('after'), 20)");
    waitFor("log.length === 2");
    EXPECT_EQ("kept,after 2", evaluate("log.join() + ' ' + ticks"));
    EXPECT_EQ("undefined", evaluate("utils.clearTimeout(1e12)"));
}

TEST_F(VLUtilsJSBindingTest, InternalTimersHaveIdentifiersOfTheirOwn) {
    // In one turn, so that no timer can fire before the clearing.
    EXPECT_EQ("1,1,2", evaluate("[utils.setInternalTimeout(() => log.push('internal'), 1),"
                                " utils.setTimeout(() => log.push('script'), 1),"
                                " (utils.clearTimeout(1), utils.clearInterval(1),"
                                "  utils.setTimeout(() => log.push('later'), 5))].join()"));
    waitFor("log.length === 2");
    EXPECT_EQ("internal,later", evaluate("log.join()"));
}

TEST_F(VLUtilsJSBindingTest, AThrowingCallbackIsReportedAndItsIntervalGoesOn) {
    evaluate("var runs = 0;"
             "var id = utils.setInterval(() => { if (++runs === 3) utils.clearInterval(id);"
             "                                   throw new RangeError('run ' + runs); }, 1);");
    waitFor("runs === 3");
    EXPECT_THAT(reportedExceptions,
                testing::ElementsAre("RangeError: run 1", "RangeError: run 2", "RangeError: run 3"));
}

TEST_F(VLUtilsJSBindingTest, TimersAskedForAfterTerminationGetIdentifiersButAreRefused) {
    bindingContext->setTerminated(true);
    EXPECT_EQ("1", evaluate("utils.setTimeout(() => log.push('ran'), 0)"));
    EXPECT_EQ("2", evaluate("utils.setInterval(() => log.push('ran'), 0)"));
}
