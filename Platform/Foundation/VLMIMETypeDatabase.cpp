#include "Platform/Foundation/VLMIMETypeDatabase.h"

#include <fstream>
#include <sstream>

namespace {

std::string lowercased(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return result;
}

} // namespace

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
            _types.try_emplace(lowercased(extension), type);
            _extensions.try_emplace(lowercased(type), extension);
        }
    }
}

const VLMIMETypeDatabase& VLMIMETypeDatabase::system() {
    static const VLMIMETypeDatabase database("/etc/mime.types");
    return database;
}

std::optional<std::string>
VLMIMETypeDatabase::preferredMIMETypeForExtension(std::string_view extension) const {
    auto found = _types.find(lowercased(extension));
    if (found == _types.end())
        return std::nullopt;
    return found->second;
}

std::optional<std::string> VLMIMETypeDatabase::preferredExtensionForMIMEType(std::string_view type) const {
    auto found = _extensions.find(lowercased(type));
    if (found == _extensions.end())
        return std::nullopt;
    return found->second;
}
