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

// The language tag of one locale name, or the empty text for C, POSIX and empty names.
std::string VLLanguageTagFromLocaleName(std::string_view localeName);
