#pragma once

#include <optional>
#include <string_view>

// One script compiled into the library from Resources/Scripts.
struct VLEmbeddedScriptEntry {
    const char* name;
    std::string_view text;
};

// The generated table, ended by an entry whose name is nullptr.
extern const VLEmbeddedScriptEntry kVLEmbeddedScripts[];

// The text of the embedded script with that name (its path under Resources/Scripts without ".js"),
// or nothing when there is no such script.
std::optional<std::string_view> VLEmbeddedScript(std::string_view name);
