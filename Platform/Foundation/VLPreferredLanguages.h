#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The user's preferred languages as language tags ("en-US"), most preferred first: the colon list in
// LANGUAGE, else the first of LC_ALL, LC_MESSAGES and LANG that names a language. Codesets and
// modifiers are dropped ("en_US.UTF-8" gives "en-US"); the C and POSIX locales name no language.
// Empty when nothing names one.
std::vector<std::string> VLPreferredLanguages();

// The same, reading the variables through `variable`, which answers nothing (nullptr) for an unset one.
std::vector<std::string> VLPreferredLanguages(const std::function<const char*(const char* name)>& variable);

// The preferred languages as scripts know them (navigator.languages) and requests name them
// (Accept-Language): each tag reduced to language and region ("zh-Hant-HK" gives "zh-HK", "zh-Hant"
// "zh-TW", "zh" "zh-CN"), repeats dropped; ["en"] when nothing names a language.
std::vector<std::string> VLWebLanguages();
std::vector<std::string> VLWebLanguages(const std::vector<std::string>& tags);

// The language tag of one locale name, or the empty text for C, POSIX and empty names.
std::string VLLanguageTagFromLocaleName(std::string_view localeName);
