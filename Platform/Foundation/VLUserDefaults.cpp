#include "Platform/Foundation/VLUserDefaults.h"

#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLJSONSerialization.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

VLDictionary readDictionaryFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {};
    std::ostringstream text;
    text << file.rdbuf();
    VLValue value = VLJSONSerialization::JSONObjectWithData(text.str());
    return value.isDictionary() ? value.dictionaryValue() : VLDictionary();
}

bool isWritable(const VLValue& value) {
    VLJSONWritingOptions options;
    options.fragmentsAllowed = true;
    return VLJSONSerialization::dataWithJSONObject(value, options).has_value();
}

} // namespace

VLUserDefaults& VLUserDefaults::standard() {
    // Never destroyed: other threads may read preferences while the process exits.
    static VLUserDefaults* defaults = new VLUserDefaults(standardFilePath());
    return *defaults;
}

std::string VLUserDefaults::standardFilePath() {
    if (environment("VELTO_USER_DEFAULTS") == "memory")
        return "";
    std::string configHome = environment("XDG_CONFIG_HOME");
    if (configHome.empty() || configHome.front() != '/') {
        std::string home = environment("HOME");
        if (home.empty())
            return "";
        configHome = home + "/.config";
    }
    return configHome + "/velto/defaults.json";
}

VLUserDefaults::VLUserDefaults(std::string filePath) : _filePath(std::move(filePath)) {
    if (!_filePath.empty())
        _values = readDictionaryFile(_filePath);
}

VLValue VLUserDefaults::objectForKey(std::string_view key) const {
    std::lock_guard lock(_mutex);
    if (const VLValue* value = _values.find(key))
        return *value;
    return _registered.get(key);
}

bool VLUserDefaults::boolForKey(std::string_view key) const {
    VLValue value = objectForKey(key);
    if (value.isBool())
        return value.boolValue();
    if (value.isNumber())
        return value.doubleValue() != 0;
    if (!value.isString())
        return false;
    std::string text = value.stringValue();
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text == "yes" || text == "true" || text == "1";
}

bool VLUserDefaults::setObject(std::string key, VLValue value) {
    if (value.isNil())
        return removeObjectForKey(key);
    if (!isWritable(value))
        return false;
    std::lock_guard lock(_mutex);
    _values.set(std::move(key), std::move(value));
    return save();
}

bool VLUserDefaults::removeObjectForKey(std::string_view key) {
    std::lock_guard lock(_mutex);
    if (!_values.erase(key))
        return true;
    return save();
}

void VLUserDefaults::registerDefaults(const VLDictionary& defaults) {
    std::lock_guard lock(_mutex);
    for (const auto& [key, value] : defaults)
        _registered.set(key, value);
}

bool VLUserDefaults::save() const {
    if (_filePath.empty())
        return true;
    auto text = VLJSONSerialization::dataWithJSONObject(VLValue(_values));
    if (!text)
        return false;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(_filePath).parent_path(), error);
    return VLWriteFileAtomically(_filePath,
                                 std::span(reinterpret_cast<const uint8_t*>(text->data()), text->size()));
}
