#pragma once

#include "Platform/Foundation/VLValue.h"
#include "Tests/Support/VLValuePrinter.h"

#include <JavaScriptCore/JavaScript.h>

#include <string>
#include <string_view>

// A bare script context on the test's thread, for tests of the value bridge.
class VLJSTestContext {
public:
    // With the engine's DOMException unless told otherwise.
    explicit VLJSTestContext(bool definesDOMException = true);
    ~VLJSTestContext();
    VLJSTestContext(const VLJSTestContext&) = delete;
    VLJSTestContext& operator=(const VLJSTestContext&) = delete;

    JSGlobalContextRef ctx() const { return _ctx; }
    operator JSContextRef() const { return _ctx; }

    // The script's completion value; a thrown exception fails the test and gives undefined.
    JSValueRef evaluate(std::string_view script, std::string_view sourceURL = {});
    // The exception the script throws, or nullptr.
    JSValueRef exceptionOf(std::string_view script, std::string_view sourceURL = {});
    // Calls the function that the script evaluates to with one argument and answers the result as
    // converted for native callers.
    VLValue call(std::string_view function, JSValueRef argument);

private:
    JSGlobalContextRef _ctx;
};
