#include "Tests/Support/VLJSTestContext.h"

#include "Core/Engine/JS/VLJSDOMException.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"

#include <gtest/gtest.h>

VLJSTestContext::VLJSTestContext(bool definesDOMException) : _ctx(JSGlobalContextCreate(nullptr)) {
    if (definesDOMException) {
        EXPECT_TRUE(VLJSDefineDOMException(_ctx));
    }
}

VLJSTestContext::~VLJSTestContext() {
    JSGlobalContextRelease(_ctx);
}

JSValueRef VLJSTestContext::evaluate(std::string_view script, std::string_view sourceURL) {
    JSValueRef exception = nullptr;
    VLJSString text(script);
    VLJSString url(sourceURL);
    JSValueRef result =
        JSEvaluateScript(_ctx, text.get(), nullptr, sourceURL.empty() ? nullptr : url.get(), 1, &exception);
    if (exception) {
        ADD_FAILURE() << "script threw: " << VLJSErrorToJSException(_ctx, exception)->message() << "\n"
                      << script;
        return JSValueMakeUndefined(_ctx);
    }
    return result;
}

JSValueRef VLJSTestContext::exceptionOf(std::string_view script, std::string_view sourceURL) {
    JSValueRef exception = nullptr;
    VLJSString text(script);
    VLJSString url(sourceURL);
    JSEvaluateScript(_ctx, text.get(), nullptr, sourceURL.empty() ? nullptr : url.get(), 1, &exception);
    return exception;
}

VLValue VLJSTestContext::call(std::string_view function, JSValueRef argument) {
    JSObjectRef callee = JSValueToObject(_ctx, evaluate(function), nullptr);
    JSValueRef exception = nullptr;
    JSValueRef result = JSObjectCallAsFunction(_ctx, callee, nullptr, 1, &argument, &exception);
    if (exception) {
        ADD_FAILURE() << "function threw: " << VLJSErrorToJSException(_ctx, exception)->message();
        return {};
    }
    return VLJSValueToObject(_ctx, result);
}
