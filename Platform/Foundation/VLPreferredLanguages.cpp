#include "Platform/Foundation/VLPreferredLanguages.h"

#include <cstdlib>

namespace {

std::vector<std::string> languageTagsFromList(std::string_view list) {
    std::vector<std::string> tags;
    while (true) {
        const size_t colon = list.find(':');
        std::string tag = VLLanguageTagFromLocaleName(list.substr(0, colon));
        if (!tag.empty())
            tags.push_back(std::move(tag));
        if (colon == std::string_view::npos)
            return tags;
        list.remove_prefix(colon + 1);
    }
}

} // namespace

std::string VLLanguageTagFromLocaleName(std::string_view localeName) {
    // language[_territory][.codeset][@modifier]
    std::string_view name = localeName.substr(0, localeName.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX")
        return {};
    std::string tag(name);
    for (char& character : tag) {
        if (character == '_')
            character = '-';
    }
    return tag;
}

std::vector<std::string> VLPreferredLanguages(const std::function<const char*(const char* name)>& variable) {
    if (const char* list = variable("LANGUAGE")) {
        std::vector<std::string> tags = languageTagsFromList(list);
        if (!tags.empty())
            return tags;
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = variable(name);
        if (!value || !*value)
            continue;
        // The first variable that is set decides, as for the C library: LC_ALL=C names no language.
        std::string tag = VLLanguageTagFromLocaleName(value);
        if (tag.empty())
            return {};
        return {tag};
    }
    return {};
}

std::vector<std::string> VLPreferredLanguages() {
    return VLPreferredLanguages([](const char* name) -> const char* { return std::getenv(name); });
}
