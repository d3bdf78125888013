#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Tests/Support/VLJSTestContext.h"

#include <gtest/gtest.h>

namespace {

// What a script sees of an error: its class, name, message and code.
constexpr const char* kDescribeError =
    "(e) => [typeof DOMException == 'function' && e instanceof DOMException ? 'DOMException' : "
    "Object.getPrototypeOf(e).constructor.name, "
    "e.name, e.message, e instanceof Error, e.code === undefined ? null : e.code]";

VLValue thrownBy(VLJSTestContext& ctx, std::string_view text, std::optional<long> code = std::nullopt) {
    JSValueRef exception = nullptr;
    if (code)
        VLJSThrowException(ctx, &exception, text, *code);
    else
        VLJSThrowException(ctx, &exception, text);
    if (!exception)
        return {};
    return ctx.call(kDescribeError, exception);
}

TEST(VLJSExceptionTests, ErrorTextsBecomeErrors) {
    VLJSTestContext ctx;
    const struct {
        const char* text;
        VLValue expected;
    } cases[] = {
        {"TypeError: bad", {"TypeError", "TypeError", "bad", true, VLValue::null()}},
        {"RangeError: too: far", {"RangeError", "RangeError", "too: far", true, VLValue::null()}},
        {"NotAllowedError: bad", {"DOMException", "NotAllowedError", "bad", true, 0}},
        {"NotFoundError: gone", {"DOMException", "NotFoundError", "gone", true, 8}},
        {"My error: bad", {"Error", "Error", "My error: bad", true, VLValue::null()}},
        {"Error: short", {"Error", "Error", "Error: short", true, VLValue::null()}},
        {"Not2Error: digit", {"Error", "Error", "Not2Error: digit", true, VLValue::null()}},
        {"TypeError:bad", {"Error", "Error", "TypeError:bad", true, VLValue::null()}},
        {"", {"Error", "Error", "fail", true, VLValue::null()}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(thrownBy(ctx, c.text), c.expected) << c.text;

    EXPECT_EQ(thrownBy(ctx, "TypeError: bad", 7), VLValue({"TypeError", "TypeError", "bad", true, 7}));
    EXPECT_EQ(thrownBy(ctx, "AbortError: stop", 42),
              VLValue({"DOMException", "AbortError", "stop", true, 42}));

    VLJSThrowException(ctx, nullptr, "TypeError: nowhere to store");
}

TEST(VLJSExceptionTests, WithoutDOMExceptionOtherErrorNamesArePlainErrors) {
    VLJSTestContext ctx(false);
    EXPECT_EQ(thrownBy(ctx, "NotAllowedError: bad"),
              VLValue({"Error", "Error", "NotAllowedError: bad", true, VLValue::null()}));
}

TEST(VLJSExceptionTests, DOMExceptionIsAStandardError) {
    VLJSTestContext ctx;
    const VLValue checks = ctx.call(R"((D) => {
        const e = new D('gone', 'NotFoundError');
        const plain = new D();
        const code = Object.getOwnPropertyDescriptor(e, 'code');
        e.code = 99;
        let calledWithoutNew = 'no';
        try { D('x'); } catch (error) { calledWithoutNew = error.name; }
        return [Object.getPrototypeOf(D.prototype) === Error.prototype, String(e), plain.name, plain.message,
                plain.code, code.writable, e.code, D.NOT_FOUND_ERR, e.DATA_CLONE_ERR, typeof e.stack,
                calledWithoutNew, Object.prototype.toString.call(e), D.length];
    })",
                                    ctx.evaluate("DOMException"));
    EXPECT_EQ(checks, VLValue({true, "NotFoundError: gone", "Error", "", 0, true, 99, 8, 25, "string",
                               "TypeError", "[object DOMException]", 0}));
}

TEST(VLJSExceptionTests, ThrownValuesBecomeNativeExceptions) {
    VLJSTestContext ctx;
    auto exception =
        VLJSErrorToJSException(ctx, ctx.exceptionOf("\nthrow new TypeError('boom')", "velto:///a.js"));
    ASSERT_TRUE(exception);
    EXPECT_EQ(exception->message(), "TypeError: boom, at line: 2, source file: velto:///a.js");
    EXPECT_EQ(exception->name(), "TypeError");
    EXPECT_FALSE(exception->callStack().empty());

    const struct {
        const char* script;
        const char* message;
        const char* name;
    } cases[] = {
        {"throw undefined", "undefined, at line: -1, source file: null", ""},
        {"throw null", "null, at line: -1, source file: null", ""},
        {"throw 'text'", "text, at line: undefined, source file: undefined", "undefined"},
        {"throw {toString() { throw 1; }, line: 3}",
         "Error: unknow error occur, at line: 3, source file: undefined", "undefined"},
        {"throw Symbol('s')", "Error: unknow error occur, at line: undefined, source file: undefined",
         "undefined"},
    };
    for (const auto& c : cases) {
        exception = VLJSErrorToJSException(ctx, ctx.exceptionOf(c.script));
        ASSERT_TRUE(exception) << c.script;
        EXPECT_EQ(exception->message(), c.message) << c.script;
        EXPECT_EQ(exception->name(), c.name) << c.script;
    }
    EXPECT_FALSE(VLJSErrorToJSException(ctx, nullptr));
    EXPECT_FALSE(VLJSErrorToJSException(nullptr, JSValueMakeNull(ctx)));
}

} // namespace
