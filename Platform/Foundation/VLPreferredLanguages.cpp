#include "Platform/Foundation/VLPreferredLanguages.h"

#include "Platform/Foundation/VLUnicode.h"

#include <algorithm>
#include <cctype>
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

// Language and region of one tag; a single-letter part ends what is read (extensions, private use).
std::string webLanguage(std::string_view tag) {
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        const size_t end = tag.find_first_of("-_", start);
        parts.emplace_back(
            tag.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    const std::string language = VLASCIILowercaseString(parts[0]);
    std::string script;
    std::string region;
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part.size() == 1)
            break;
        const bool numeric = std::all_of(part.begin(), part.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        });
        if (part.size() == 4 && i == 1)
            script = VLASCIILowercaseString(part);
        else if (region.empty() && (part.size() == 2 || (part.size() == 3 && numeric)))
            region = VLASCIIUppercaseString(part);
    }
    if (language == "zh" && region.empty())
        region = script == "hant" ? "TW" : "CN";
    return region.empty() ? language : language + "-" + region;
}

} // namespace

std::vector<std::string> VLWebLanguages() {
    return VLWebLanguages(VLPreferredLanguages());
}

std::vector<std::string> VLWebLanguages(const std::vector<std::string>& tags) {
    std::vector<std::string> languages;
    for (const std::string& tag : tags) {
        std::string language = webLanguage(tag);
        if (std::find(languages.begin(), languages.end(), language) == languages.end())
            languages.push_back(std::move(language));
    }
    if (languages.empty())
        languages.emplace_back("en");
    return languages;
}

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
