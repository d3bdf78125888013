#include "Modules/Window/Style/VLComponentStyleJSBinding.h"

#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Modules/Window/Style/VLComponentStyle.h"
#include "Modules/Window/Style/VLComponentStyleJSValue.h"
#include "Platform/Foundation/VLNumberFormat.h"

namespace {

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view space = " \t\n\r\f\v";
    const size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// "flex-direction" gives "flexDirection": a dash before a lower-case letter goes and the letter is
// upper-cased; any other dash stays.
std::string camelCased(std::string_view name) {
    std::string result;
    result.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        const char next = i + 1 < name.size() ? name[i + 1] : '\0';
        if (name[i] == '-' && next >= 'a' && next <= 'z') {
            result += char(next - 'a' + 'A');
            ++i;
        } else {
            result += name[i];
        }
    }
    return result;
}

std::string textOf(const VLValue& value) {
    return value.isString() ? value.stringValue() : VLNumberFormat::shortest(value.doubleValue());
}

} // namespace

VLDictionary VLComponentStyleJSBinding::style() const {
    std::shared_ptr<VLComponentStyleJSBindingDelegate> delegate = _delegate.lock();
    return delegate ? delegate->componentStyle() : VLDictionary();
}

void VLComponentStyleJSBinding::_updateStyle(const VLDictionary& style) {
    if (std::shared_ptr<VLComponentStyleJSBindingDelegate> delegate = _delegate.lock())
        delegate->componentStyleUpdate(style);
}

JSValueRef VLComponentStyleJSBinding::valueForName(JSContextRef ctx, std::string_view name) const {
    const VLDictionary current = style();
    const VLValue* value = current.find(name);
    if (!value)
        return JSValueMakeNull(ctx);
    if (value->isString())
        return VLJSValueFromNSString(ctx, value->stringValue());
    return JSValueMakeNumber(ctx, value->doubleValue());
}

void VLComponentStyleJSBinding::setValueForName(JSContextRef ctx, std::string_view name, JSValueRef value) {
    const VLDictionary current = style();
    VLDictionary changed = current;
    if (std::optional<VLValue> converted = VLComponentStyleValueFromJSValue(ctx, value))
        changed.set(std::string(name), std::move(*converted));
    else
        changed.erase(name);
    if (!(changed == current))
        _updateStyle(changed);
}

JSValueRef VLComponentStyleJSBinding::cssText(JSContextRef ctx) {
    std::string text;
    for (const auto& [name, value] : style()) {
        if (!text.empty())
            text += ';';
        text += name + ": " + textOf(value);
    }
    return VLJSValueFromNSString(ctx, text);
}

void VLComponentStyleJSBinding::setCssText(JSContextRef ctx, JSValueRef value) {
    _updateStyle(styleFromCSSText(VLJSValueToNSString(ctx, value).value_or("")));
}

VLDictionary VLComponentStyleJSBinding::styleFromCSSText(std::string_view text) {
    const std::unordered_set<std::string_view>& names = VLComponentStyleNames();
    VLDictionary style;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view piece = text.substr(start, end - start);
        start = end + 1;
        const size_t colon = piece.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::string name = camelCased(trimmed(piece.substr(0, colon)));
        if (names.contains(name))
            style.set(std::move(name), VLValue(std::string(trimmed(piece.substr(colon + 1)))));
    }
    return style;
}
