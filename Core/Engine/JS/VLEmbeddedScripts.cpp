#include "Core/Engine/JS/VLEmbeddedScripts.h"

std::optional<std::string_view> VLEmbeddedScript(std::string_view name) {
    for (const VLEmbeddedScriptEntry* entry = kVLEmbeddedScripts; entry->name; ++entry) {
        if (name == entry->name)
            return entry->text;
    }
    return std::nullopt;
}

std::string VLEmbeddedScriptCall(std::string_view name, std::string_view member,
                                 std::initializer_list<std::string_view> arguments) {
    const std::optional<std::string_view> expression = VLEmbeddedScript(name);
    if (!expression)
        return {};
    // The line break ends a comment on the expression's last line.
    std::string script = "(";
    script.append(*expression).append("\n)").append(member).append("(");
    const char* separator = "";
    for (std::string_view argument : arguments) {
        script.append(separator).append(argument);
        separator = ", ";
    }
    return script.append(");");
}
