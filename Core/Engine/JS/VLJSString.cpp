#include "Core/Engine/JS/VLJSString.h"

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
