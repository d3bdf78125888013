#pragma once

#include "Platform/Foundation/VLValue.h"

#include <mutex>
#include <string>
#include <string_view>

// The user's preferences: a dictionary of values kept in a JSON file (or only in memory), plus
// registered fallbacks that are never written.
//
// The file is read once, when the object is made; a file that is missing or is not a JSON object reads
// as empty and is left as it is until a value is set. Each change rewrites the whole file atomically
// (a temporary file renamed over it), so a crash leaves the old file or the new one, never a mix.
// Thread-safe; changes from other processes are not picked up.
class VLUserDefaults final {
public:
    // The process-wide defaults: in memory when VELTO_USER_DEFAULTS is "memory", else the file
    // standardFilePath() names (in memory when there is no home to put it in).
    static VLUserDefaults& standard();
    // $XDG_CONFIG_HOME/velto/defaults.json, or ~/.config/velto/defaults.json; empty for memory.
    static std::string standardFilePath();

    // In memory only.
    VLUserDefaults() = default;
    // Backed by the file at `filePath`; an empty path means in memory only.
    explicit VLUserDefaults(std::string filePath);

    // Empty when in memory only.
    const std::string& filePath() const { return _filePath; }

    // The stored value, else the registered one, else nil.
    VLValue objectForKey(std::string_view key) const;
    // A boolean as itself, a number as "not zero", a text as true for "YES", "true" or "1" (in any
    // case); anything else, or nothing, as false.
    bool boolForKey(std::string_view key) const;

    // Stores the value (nil removes the key). Returns false, changing nothing, for a value the file
    // cannot hold (dates, data, NaN, infinities, texts that are not UTF-8); also false when the file
    // could not be written, the value then living on for this process only.
    bool setObject(std::string key, VLValue value);
    // Returns false when the file could not be written.
    bool removeObjectForKey(std::string_view key);
    // Fallbacks for keys that have no stored value; kept in memory only, merged over earlier ones.
    void registerDefaults(const VLDictionary& defaults);

private:
    // Caller holds `_mutex`.
    bool save() const;

    const std::string _filePath;
    // Guarded by `_mutex`, which is also held while the file is written so that writes keep order.
    mutable std::mutex _mutex;
    VLDictionary _values;
    VLDictionary _registered;
};
