#include "Platform/Foundation/VLPreferredLanguages.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

std::vector<std::string> languagesWith(std::map<std::string, std::string> environment) {
    return VLPreferredLanguages([&](const char* name) -> const char* {
        auto found = environment.find(name);
        return found == environment.end() ? nullptr : found->second.c_str();
    });
}

using Languages = std::vector<std::string>;

TEST(VLPreferredLanguagesTests, LanguageListComesFirstThenTheFirstLocaleVariableThatIsSet) {
    EXPECT_EQ(languagesWith({{"LANGUAGE", "de_CH:fr::en"}, {"LANG", "it_IT.UTF-8"}}),
              (Languages{"de-CH", "fr", "en"}));
    EXPECT_EQ(languagesWith({{"LANGUAGE", ""}, {"LC_MESSAGES", "pt_BR.UTF-8"}, {"LANG", "it_IT"}}),
              (Languages{"pt-BR"}));
    EXPECT_EQ(languagesWith({{"LC_ALL", "sr_RS.UTF-8@latin"}, {"LANG", "it_IT"}}), (Languages{"sr-RS"}));
    EXPECT_EQ(languagesWith({{"LANG", "en_US.UTF-8"}}), (Languages{"en-US"}));
}

TEST(VLPreferredLanguagesTests, CAndPOSIXLocalesNameNoLanguage) {
    EXPECT_EQ(languagesWith({}), Languages{});
    EXPECT_EQ(languagesWith({{"LANGUAGE", "C"}, {"LANG", "C.UTF-8"}}), Languages{});
    // A set LC_ALL decides even when it names no language.
    EXPECT_EQ(languagesWith({{"LC_ALL", "POSIX"}, {"LANG", "de_DE"}}), Languages{});
}

} // namespace
