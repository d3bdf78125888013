#pragma once

#include <JavaScriptCore/JavaScript.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// A script error converted for native code. The message names the error, its line and its source
// file; name and call stack are empty when the thrown value had none.
class VLJSException {
public:
    VLJSException(std::string name, std::string message, std::string callStack)
        : _name(std::move(name)), _message(std::move(message)), _callStack(std::move(callStack)) {}

    const std::string& name() const { return _name; }
    const std::string& message() const { return _message; }
    const std::string& callStack() const { return _callStack; }

private:
    std::string _name;
    std::string _message;
    std::string _callStack;
};

// The most that one text read from a thrown value keeps (its text, line, source file, name, stack), in
// bytes: a script can throw an error of hundreds of millions of characters, and a report of it must not
// cost memory in proportion. Longer texts are cut and marked as cut.
inline constexpr size_t kVLJSExceptionTextLimit = 65536;

// The exception for a thrown value; nothing when the context or the value is null.
std::optional<VLJSException> VLJSErrorToJSException(JSContextRef ctx, JSValueRef value);

// Makes the error for a native error text and stores it in the out-parameter (nothing when that is
// null). "TypeError: bad" makes a TypeError with the message "bad"; another name ending in "Error"
// makes a DOMException of that name; any other text a plain Error of the whole text; an empty text
// the Error "fail".
void VLJSThrowException(JSContextRef ctx, JSValueRef* exception, std::string_view text);
// The same, with the code set as the error's "code" property.
void VLJSThrowException(JSContextRef ctx, JSValueRef* exception, std::string_view text, long code);
