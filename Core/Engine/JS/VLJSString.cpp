#include "Core/Engine/JS/VLJSString.h"

#include "Platform/Foundation/VLComposedCharacters.h"
#include "Platform/Foundation/VLUnicode.h"

#include <algorithm>
#include <array>

namespace {

// Texts up to this many bytes are converted through a buffer on the stack.
constexpr size_t kStackBufferSize = 256;

bool isASCIIWithoutNUL(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0 && byte < 0x80;
    });
}

// The UTF-16 code units that a UTF-8 text stands for: a four-byte character is two.
size_t utf16UnitCount(const char* text, size_t size) {
    size_t units = 0;
    for (size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80)
            units += byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

// The engine's own conversion, which writes Latin-1 strings without widening them first. It stops at a
// lone surrogate: false then (nothing else is written than a prefix), so the caller converts the slow
// way, which replaces it.
bool convertWithEngine(JSStringRef string, size_t length, char* buffer, size_t bufferSize, size_t& written) {
    const size_t withNUL = JSStringGetUTF8CString(string, buffer, bufferSize);
    written = withNUL > 0 ? withNUL - 1 : 0;
    return utf16UnitCount(buffer, written) == length;
}

std::string toUTF8Replacing(JSStringRef string) {
    const auto* characters = reinterpret_cast<const char16_t*>(JSStringGetCharactersPtr(string));
    return VLUTF8FromUTF16(std::u16string_view(characters, JSStringGetLength(string)));
}

} // namespace

VLJSString::VLJSString(std::string_view utf8) {
    // Plain ASCII becomes a compact engine string at once; anything else is checked character by
    // character, so that invalid UTF-8 is replaced the way the rest of the system replaces it.
    if (isASCIIWithoutNUL(utf8)) {
        if (utf8.size() < kStackBufferSize) {
            std::array<char, kStackBufferSize> buffer;
            std::copy(utf8.begin(), utf8.end(), buffer.begin());
            buffer[utf8.size()] = '\0';
            _string = JSStringCreateWithUTF8CString(buffer.data());
        } else {
            _string = JSStringCreateWithUTF8CString(std::string(utf8).c_str());
        }
        return;
    }
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
    const size_t length = JSStringGetLength(string);
    const size_t bufferSize = JSStringGetMaximumUTF8CStringSize(string);
    size_t written = 0;
    if (bufferSize <= kStackBufferSize) {
        std::array<char, kStackBufferSize> buffer;
        if (convertWithEngine(string, length, buffer.data(), bufferSize, written))
            return std::string(buffer.data(), written);
    } else {
        // A buffer for ASCII first: three bytes a unit only when the text needs them.
        for (const size_t size : {length + 1, bufferSize}) {
            std::string text(size, '\0');
            if (convertWithEngine(string, length, text.data(), size, written)) {
                text.resize(written);
                return text;
            }
        }
    }
    return toUTF8Replacing(string);
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
