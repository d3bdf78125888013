#include "Core/Engine/JS/VLEmbeddedScripts.h"

std::optional<std::string_view> VLEmbeddedScript(std::string_view name) {
    for (const VLEmbeddedScriptEntry* entry = kVLEmbeddedScripts; entry->name; ++entry) {
        if (name == entry->name)
            return entry->text;
    }
    return std::nullopt;
}
