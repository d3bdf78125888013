#include "Platform/Foundation/VLMIMETypeDatabase.h"

#include "Platform/Foundation/VLUnicode.h"

#include <fstream>
#include <sstream>

VLMIMETypeDatabase::VLMIMETypeDatabase(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string type;
        std::string extension;
        if (!(words >> type))
            continue;
        while (words >> extension) {
            _types.try_emplace(VLASCIILowercaseString(extension), type);
            _extensions.try_emplace(VLASCIILowercaseString(type), extension);
        }
    }
}

const VLMIMETypeDatabase& VLMIMETypeDatabase::system() {
    static const VLMIMETypeDatabase database("/etc/mime.types");
    return database;
}

std::optional<std::string>
VLMIMETypeDatabase::preferredMIMETypeForExtension(std::string_view extension) const {
    auto found = _types.find(VLASCIILowercaseString(extension));
    if (found == _types.end())
        return std::nullopt;
    return found->second;
}

std::optional<std::string> VLMIMETypeDatabase::preferredExtensionForMIMEType(std::string_view type) const {
    auto found = _extensions.find(VLASCIILowercaseString(type));
    if (found == _extensions.end())
        return std::nullopt;
    return found->second;
}
