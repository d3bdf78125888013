#pragma once

#include <optional>
#include <string>

// One change that an area took from outside: the key, its value before (nothing when the key was new)
// and after (nothing when the key was removed).
struct VLStorageAreaChange {
    std::string key;
    std::optional<std::string> oldValue;
    std::optional<std::string> value;

    bool operator==(const VLStorageAreaChange&) const = default;
};
