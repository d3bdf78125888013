#pragma once

#include <initializer_list>
#include <optional>
#include <string>
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

// A script that calls what the embedded script's expression gives (a function, or with a member such as
// ".publish" a function of the object it gives) with the arguments, each a script expression: "this",
// or JSON text. Empty when there is no such script.
std::string VLEmbeddedScriptCall(std::string_view name, std::string_view member,
                                 std::initializer_list<std::string_view> arguments);
