#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// File-name extensions to MIME types and back, read from a file in the mime.types format: one type per
// line followed by its extensions, '#' starting a comment. When several lines list an extension, the
// first one is its preferred type; a type's preferred extension is the first one its first line with
// extensions lists. Immutable once made, so any thread may read it.
class VLMIMETypeDatabase {
public:
    // The database of the file; an empty one when the file cannot be read.
    explicit VLMIMETypeDatabase(const std::string& path);

    // The system's database, /etc/mime.types (Debian's media-types package), read once on first use.
    static const VLMIMETypeDatabase& system();

    // The preferred type for the extension (without its dot), compared without regard to ASCII case;
    // nothing when no line lists it.
    std::optional<std::string> preferredMIMETypeForExtension(std::string_view extension) const;

    // The preferred extension for the type, compared without regard to ASCII case; nothing when no line
    // gives the type an extension.
    std::optional<std::string> preferredExtensionForMIMEType(std::string_view type) const;

private:
    std::unordered_map<std::string, std::string> _types;      // lower-case extension → type
    std::unordered_map<std::string, std::string> _extensions; // lower-case type → extension
};
