#include "Platform/Network/VLDataURL.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

TEST(VLDataURL, ReadsTheMediaTypeAndTheBodyAsFetchDoes) {
    struct Case {
        const char* url;
        // "type charset|- body", or nothing when the URL does not read.
        std::optional<std::string> read;
    };
    const Case cases[] = {
        {"data:,hello", "text/plain - hello"},
        {"DATA:,a%20b%2", "text/plain - a b%2"},
        {"data:Text/HTML;Charset=\"utf-8\";x=y,<p>", "text/html utf-8 <p>"},
        {"data: text/plain ; charset=ascii ;charset=latin1,x", "text/plain ascii x"},
        {"data:text/plain;charset=\"a\\\"b\",x", "text/plain a\"b x"},
        {"data:;charset=utf-8,x", "text/plain utf-8 x"},
        {"data:nonsense,x", "text/plain - x"},
        {"data:text/plain;base64,aGk=", "text/plain - hi"},
        {"data:;base64 ,aGk=", "text/plain - hi"},
        {"data:image/png;BASE64,aG k\n=", "image/png - hi"},
        {"data:;base64,aGk", "text/plain - hi"},
        {"data:;base64,aG%6B=", "text/plain - hi"},
        {"data:base64,aGk=", "text/plain - aGk="},
        {"data:,#fragment", "text/plain - "},
        {"data:;base64,a", std::nullopt},
        {"data:;base64,a=b=", std::nullopt},
        {"data:;base64,a!==", std::nullopt},
        {"data:no comma", std::nullopt},
        {"http:,x", std::nullopt},
        {"data", std::nullopt},
    };
    for (const Case& c : cases) {
        std::optional<VLDataURL> parsed = VLDataURL::parse(c.url);
        std::optional<std::string> read;
        if (parsed)
            read = parsed->MIMEType() + " " + parsed->charset().value_or("-") + " " +
                   std::string(parsed->body().begin(), parsed->body().end());
        EXPECT_EQ(read, c.read) << c.url;
    }
}
