#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One name=value piece of a URL's query, both parts percent-encoded as they appear in the URL. A
// piece without '=' has no value.
struct VLURLQueryItem {
    std::string name;
    std::optional<std::string> value;

    bool operator==(const VLURLQueryItem&) const = default;
};

// A URL string taken apart as far as its query: what comes before the query, the query, and the
// fragment. Everything outside the query is kept byte for byte. Any text is accepted; the query is
// what follows the first '?' that comes before the first '#'. A value type; not shared between threads.
class VLURLComponents {
public:
    explicit VLURLComponents(std::string_view string);

    // The query as it appears in the URL, without its '?'; nothing when the URL has no '?'.
    const std::optional<std::string>& percentEncodedQuery() const { return _query; }
    // The query split at '&'; empty when the query is missing or empty.
    std::vector<VLURLQueryItem> percentEncodedQueryItems() const;
    // Joins the items with '&' as the new query; an empty list with no query before leaves none.
    void setPercentEncodedQueryItems(const std::vector<VLURLQueryItem>& items);

    std::string string() const;

    // An item from plain text, encoded as query items are: everything but letters, digits and
    // -._~!$'()*+,;:@/? is percent-encoded (UTF-8 bytes, upper-case hex), so '&', '=' and '#' are.
    static VLURLQueryItem queryItem(std::string_view name, std::optional<std::string_view> value);
    // Text with %XX sequences decoded; a '%' not followed by two hex digits stays as it is.
    static std::string percentDecode(std::string_view text);

private:
    std::string _beforeQuery;
    std::optional<std::string> _query;
    std::optional<std::string> _fragment;
};
