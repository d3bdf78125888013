#pragma once

#include "Platform/Foundation/VLURLComponents.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// A URL or a URL reference, read as the platform's URL objects read one: the text is split as RFC 3986
// splits it, and nothing in it is changed. A reference without a scheme is a URL too (its path is
// what the text holds), and a reference can be resolved against a base. An immutable value type: copies
// share the text and its parts, so that a long URL (a data: URL of megabytes) costs nothing to pass on;
// any thread.
class VLURL {
public:
    explicit VLURL(std::string_view string);
    // The reference resolved against the base by RFC 3986's rules ("../b" against "http://h/a/c" gives
    // "http://h/b").
    VLURL(std::string_view reference, const VLURL& base);
    // No moves: a moved-from URL would have no parts, and a copy costs as little.
    VLURL(const VLURL&) = default;
    VLURL& operator=(const VLURL&) = default;

    // The text as given, or as resolved.
    const std::string& absoluteString() const { return _parts->string; }

    // The scheme as written; nothing without one.
    const std::optional<std::string>& scheme() const { return _parts->components.scheme(); }
    // The scheme lower-cased, as schemes compare; empty without one.
    std::string lowercaseScheme() const;
    // The host as written (neither lower-cased nor decoded); nothing without an authority.
    std::optional<std::string> host() const { return _parts->components.percentEncodedHost(); }
    std::optional<int> port() const { return _parts->components.port(); }
    bool writesAPort() const { return _parts->components.writesAPort(); }
    // The path percent-decoded, without a trailing "/" (but "/" itself); empty when there is none.
    std::string path() const;
    const std::optional<std::string>& query() const { return _parts->components.percentEncodedQuery(); }
    const std::optional<std::string>& fragment() const { return _parts->components.percentEncodedFragment(); }

    // The last component and the extension of path().
    std::string lastPathComponent() const;
    std::string pathExtension() const;

    const VLURLComponents& components() const { return _parts->components; }

private:
    struct Parts {
        std::string string;
        VLURLComponents components;
    };
    std::shared_ptr<const Parts> _parts;
};
