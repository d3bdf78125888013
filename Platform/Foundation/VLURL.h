#pragma once

#include "Platform/Foundation/VLURLComponents.h"

#include <optional>
#include <string>
#include <string_view>

// A URL or a URL reference, read as the platform's URL objects read one: the text is split as RFC 3986
// splits it, and nothing in it is changed. A reference without a scheme is a URL too (its path is
// what the text holds), and a reference can be resolved against a base. A value type; not shared
// between threads.
class VLURL {
public:
    explicit VLURL(std::string_view string);
    // The reference resolved against the base by RFC 3986's rules ("../b" against "http://h/a/c" gives
    // "http://h/b").
    VLURL(std::string_view reference, const VLURL& base);

    // The text as given, or as resolved.
    const std::string& absoluteString() const { return _string; }

    // The scheme as written; nothing without one.
    const std::optional<std::string>& scheme() const { return _components.scheme(); }
    // The scheme lower-cased, as schemes compare; empty without one.
    std::string lowercaseScheme() const;
    // The host as written (neither lower-cased nor decoded); nothing without an authority.
    std::optional<std::string> host() const { return _components.percentEncodedHost(); }
    std::optional<int> port() const { return _components.port(); }
    // The path percent-decoded, without a trailing "/" (but "/" itself); empty when there is none.
    std::string path() const;
    const std::optional<std::string>& query() const { return _components.percentEncodedQuery(); }
    const std::optional<std::string>& fragment() const { return _components.percentEncodedFragment(); }

    // The last component and the extension of path().
    std::string lastPathComponent() const;
    std::string pathExtension() const;

    const VLURLComponents& components() const { return _components; }

private:
    std::string _string;
    VLURLComponents _components;
};
