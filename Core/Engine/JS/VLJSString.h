#pragma once

#include <JavaScriptCore/JavaScript.h>

#include <string>
#include <string_view>

// An owned JavaScriptCore string. Made from UTF-8 (embedded U+0000 kept) or adopted from a copy that
// the engine returned; released when it goes out of scope. Strings are not tied to a context.
class VLJSString {
public:
    explicit VLJSString(std::string_view utf8);
    // A NUL-terminated name, the common case for property names.
    explicit VLJSString(const char* utf8) : _string(JSStringCreateWithUTF8CString(utf8)) {}
    VLJSString(VLJSString&& other) noexcept : _string(other._string) { other._string = nullptr; }
    VLJSString& operator=(VLJSString&& other) noexcept;
    VLJSString(const VLJSString&) = delete;
    VLJSString& operator=(const VLJSString&) = delete;
    ~VLJSString();

    // Takes over a string the caller owns (a "Copy" or "Create" result); nullptr is allowed.
    static VLJSString adopt(JSStringRef string);

    JSStringRef get() const { return _string; }
    explicit operator bool() const { return _string != nullptr; }
    std::string utf8() const { return toUTF8(_string); }

    // The UTF-8 text of any engine string; empty for nullptr.
    static std::string toUTF8(JSStringRef string);
    // The same, cut to at most byteLimit bytes (whole characters) and then marked with kCutMarker;
    // never copies more of a longer string than the limit, so that a huge script string costs
    // nothing to read.
    static std::string toUTF8(JSStringRef string, size_t byteLimit);
    static constexpr std::string_view kCutMarker = "... [cut]";

private:
    VLJSString() = default;
    JSStringRef _string = nullptr;
};
