#include "Core/Engine/JS/VLJSString.h"

#include "Platform/Foundation/VLComposedCharacters.h"
#include "Platform/Foundation/VLUnicode.h"

VLJSString::VLJSString(std::string_view utf8) {
    const std::u16string utf16 = VLUTF16FromUTF8(utf8);
    _string = JSStringCreateWithCharacters(reinterpret_cast<const JSChar*>(utf16.data()), utf16.size());
}

VLJSString& VLJSString::operator=(VLJSString&& other) noexcept {
    if (this != &other) {
        if (_string)
            JSStringRelease(_string);
        _string = other._string;
        other._string = nullptr;
    }
    return *this;
}

VLJSString::~VLJSString() {
    if (_string)
        JSStringRelease(_string);
}

VLJSString VLJSString::adopt(JSStringRef string) {
    VLJSString result;
    result._string = string;
    return result;
}

std::string VLJSString::toUTF8(JSStringRef string) {
    if (!string)
        return {};
    const auto* characters = reinterpret_cast<const char16_t*>(JSStringGetCharactersPtr(string));
    return VLUTF8FromUTF16(std::u16string_view(characters, JSStringGetLength(string)));
}

std::string VLJSString::toUTF8(JSStringRef string, size_t byteLimit) {
    if (!string)
        return {};
    std::string text;
    // Every code unit takes at least one byte: a string of more units than the limit is cut for sure,
    // and only what fits is converted.
    if (JSStringGetLength(string) > byteLimit) {
        text.resize(byteLimit + 1);
        const size_t written = JSStringGetUTF8CString(string, text.data(), text.size());
        text.resize(written > 0 ? written - 1 : 0);
    } else {
        text = toUTF8(string);
        if (text.size() <= byteLimit)
            return text;
        text = VLStringShortenedBelowByteCount(text, byteLimit + 1);
    }
    text += kCutMarker;
    return text;
}
