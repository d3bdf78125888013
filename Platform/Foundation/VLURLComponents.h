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

// A URL reference taken apart as RFC 3986 splits it: scheme, authority, path, query and fragment, each
// kept byte for byte as written, so string() gives the text back. Any text is accepted: the fragment
// follows the first '#', the query the first '?' before it, the scheme is a letter followed by letters,
// digits, '+', '-' or '.' ending in ':' before any '/', and the authority follows a "//" that opens what
// is left. A value type; not shared between threads.
class VLURLComponents {
public:
    explicit VLURLComponents(std::string_view string);

    // The scheme as written, without its ':'; nothing for a reference without one.
    const std::optional<std::string>& scheme() const { return _scheme; }
    // What follows "//", up to the path; nothing when there is no "//".
    const std::optional<std::string>& percentEncodedAuthority() const { return _authority; }
    // The authority's host as written, without user information, port, or an IP literal's brackets.
    std::optional<std::string> percentEncodedHost() const;
    // The authority's port, when it has digits after the host's ':' that make at most 65535.
    std::optional<int> port() const;
    // Whether the authority writes anything after its host's ':' (an empty port names the default). With
    // no port() to show, that names a port that doesn't exist, which a connection must not read as the
    // default one.
    bool writesAPort() const;
    // The path as written; empty when there is none.
    const std::string& percentEncodedPath() const { return _path; }
    const std::optional<std::string>& percentEncodedFragment() const { return _fragment; }

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
    // Text encoded as a URL path: everything but letters, digits and -._~!$&'()*+,=:@/ is percent-encoded,
    // so '%', '?', '#' and ';' are, and the path reads back as the text.
    static std::string percentEncodePath(std::string_view text);
    // Text with %XX sequences decoded; a '%' not followed by two hex digits stays as it is.
    static std::string percentDecode(std::string_view text);

private:
    std::optional<std::string> _scheme;
    std::optional<std::string> _authority;
    std::string _path;
    std::optional<std::string> _query;
    std::optional<std::string> _fragment;
};
