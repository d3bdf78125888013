#pragma once

#include <optional>
#include <string>
#include <string_view>

// The type database that MIME types and filename extensions are looked up in, in both directions: a
// built-in table of the common types first, holding the answers widgets get on their original
// platform (text/plain → txt, image/jpeg → jpeg, audio/mpeg → mp3), then the system's mime.types.
// Both are compared without regard to ASCII case. Any thread.

// The preferred MIME type for an extension (without its dot); nothing when neither knows it.
std::optional<std::string> VLPreferredMIMETypeForFilenameExtension(std::string_view extension);

// The preferred extension (without its dot) for a bare MIME type; nothing for an unknown type, or for
// one that has no extension of its own (application/octet-stream).
std::optional<std::string> VLPreferredFilenameExtensionForMIMEType(std::string_view type);
