#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// A record's level flag; a level mask is an OR of flags.
enum VLLogFlag : uint64_t {
    VLLogFlagError = 1,
    VLLogFlagDefault = 2,
    VLLogFlagInfo = 4,
    VLLogFlagDebug = 8,
};

inline constexpr uint64_t VLLogLevelAll = VLLogFlagError | VLLogFlagDefault | VLLogFlagInfo | VLLogFlagDebug;

// The environment variable from which hosts take the print mask.
inline constexpr const char* VLLogEnvironmentVariable = "VELTO_LOG";

// A mask from level names: "error,default,info,debug" in any order and case, separated by commas,
// bars or white space; "all"; "none" or an empty text for 0; or a decimal mask such as "3".
// Nothing for a text with an unknown name.
std::optional<uint64_t> VLLogLevelMaskFromString(std::string_view text);

// Sets the print mask from VELTO_LOG when it is set. An unknown level name leaves the mask as it was,
// writes a warning to the system log and returns false.
bool VLLogSetLevelFromEnvironment();
