#include "Platform/Foundation/VLMIMETypes.h"

#include "Platform/Foundation/VLMIMETypeDatabase.h"
#include "Platform/Foundation/VLUnicode.h"

namespace {

struct TypeEntry {
    std::string_view type;
    std::string_view extension; // empty: the type has no extension of its own
};

// One source for both directions, in lower case. An extension's type is the first row that lists it; a type's
// extension the first row that lists the type.
constexpr TypeEntry kBuiltInTypes[] = {
    {"text/plain", "txt"},
    {"text/html", "html"},
    {"text/html", "htm"},
    {"text/css", "css"},
    {"text/javascript", "js"},
    {"text/javascript", "mjs"},
    {"application/javascript", "js"},
    {"application/x-javascript", "js"},
    {"application/json", "json"},
    {"application/xml", "xml"},
    {"text/xml", "xml"},
    {"text/csv", "csv"},
    {"text/markdown", "md"},
    {"image/jpeg", "jpeg"},
    {"image/jpeg", "jpg"},
    {"image/png", "png"},
    {"image/gif", "gif"},
    {"image/webp", "webp"},
    {"image/svg+xml", "svg"},
    {"image/bmp", "bmp"},
    {"image/tiff", "tiff"},
    {"image/tiff", "tif"},
    {"image/heic", "heic"},
    {"image/vnd.microsoft.icon", "ico"},
    {"image/x-icon", "ico"},
    {"audio/mpeg", "mp3"},
    {"audio/mp3", "mp3"},
    {"audio/mp4", "m4a"},
    {"audio/x-m4a", "m4a"},
    {"audio/aac", "aac"},
    {"audio/wav", "wav"},
    {"audio/x-wav", "wav"},
    {"audio/wave", "wav"},
    {"audio/vnd.wave", "wav"},
    {"audio/aiff", "aiff"},
    {"audio/x-aiff", "aiff"},
    {"audio/flac", "flac"},
    {"video/mp4", "mp4"},
    {"video/quicktime", "mov"},
    {"video/mpeg", "mpg"},
    {"video/x-m4v", "m4v"},
    {"application/pdf", "pdf"},
    {"application/zip", "zip"},
    {"application/gzip", "gz"},
    {"application/wasm", "wasm"},
    {"font/ttf", "ttf"},
    {"font/otf", "otf"},
    {"font/woff", "woff"},
    {"font/woff2", "woff2"},
    {"application/octet-stream", ""},
};

} // namespace

std::optional<std::string> VLPreferredMIMETypeForFilenameExtension(std::string_view extension) {
    if (extension.empty())
        return std::nullopt;
    const std::string lowercase = VLASCIILowercaseString(extension);
    for (const TypeEntry& entry : kBuiltInTypes) {
        if (entry.extension == lowercase)
            return std::string(entry.type);
    }
    return VLMIMETypeDatabase::system().preferredMIMETypeForExtension(extension);
}

std::optional<std::string> VLPreferredFilenameExtensionForMIMEType(std::string_view type) {
    if (type.empty())
        return std::nullopt;
    const std::string lowercase = VLASCIILowercaseString(type);
    for (const TypeEntry& entry : kBuiltInTypes) {
        if (entry.type == lowercase) {
            if (entry.extension.empty())
                return std::nullopt;
            return std::string(entry.extension);
        }
    }
    return VLMIMETypeDatabase::system().preferredExtensionForMIMEType(type);
}
