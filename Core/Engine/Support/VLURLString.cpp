#include "Core/Engine/Support/VLURLString.h"

#include "Platform/Foundation/VLURLComponents.h"

#include <optional>
#include <vector>

namespace {

char lowercasedASCII(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::optional<std::string> queryValueText(const VLValue& value) {
    if (value.isString())
        return value.stringValue();
    if (value.isMissing())
        return std::nullopt;
    return value.description();
}

} // namespace

bool VLURLStringHasScheme(std::string_view string, std::string_view scheme) {
    if (string.size() <= scheme.size() || string[scheme.size()] != ':')
        return false;
    for (size_t index = 0; index < scheme.size(); ++index) {
        if (lowercasedASCII(string[index]) != scheme[index])
            return false;
    }
    return true;
}

bool VLURLStringIsHTTP(std::string_view string) {
    return VLURLStringHasScheme(string, "http") || VLURLStringHasScheme(string, "https");
}

std::string BVLURLStringReplaceOrAppendParameter(std::string_view urlString, const VLDictionary& parameters) {
    if (parameters.empty())
        return std::string(urlString);
    VLURLComponents components(urlString);
    const std::vector<VLURLQueryItem> parsed = components.percentEncodedQueryItems();
    std::vector<VLURLQueryItem> items = parsed;
    for (const auto& [name, value] : parameters) {
        if (name.empty())
            continue;
        std::optional<std::string> text = queryValueText(value);
        VLURLQueryItem item =
            VLURLComponents::queryItem(name, text ? std::optional<std::string_view>(*text) : std::nullopt);
        size_t index = parsed.size();
        while (index > 0 && VLURLComponents::percentDecode(parsed[index - 1].name) != name)
            --index;
        if (index > 0)
            items[index - 1] = std::move(item);
        else
            items.push_back(std::move(item));
    }
    components.setPercentEncodedQueryItems(items);
    return components.string();
}
