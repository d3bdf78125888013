#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

// A string literal usable as a template argument: `b.function<"now", &T::now>()`. JavaScriptCore does
// not tell a static function which name it was called by, so the name travels in the type.
template <size_t N>
struct VLJSName {
    char chars[N]{};

    consteval VLJSName(const char (&text)[N]) { std::copy_n(text, N, chars); }
    consteval VLJSName() = default;

    constexpr std::string_view view() const { return {chars, N - 1}; }
    constexpr const char* c_str() const { return chars; }
};

// The two names joined, at compile time: VLJSNameJoin<"on", Name>() gives "onclick" for "click".
template <VLJSName Head, VLJSName Tail>
consteval auto VLJSNameJoin() {
    constexpr size_t headSize = Head.view().size();
    constexpr size_t tailSize = Tail.view().size();
    VLJSName<headSize + tailSize + 1> result;
    std::copy_n(Head.chars, headSize, result.chars);
    std::copy_n(Tail.chars, tailSize + 1, result.chars + headSize);
    return result;
}
