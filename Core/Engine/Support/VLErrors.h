#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <string>

inline constexpr const char* VLErrorDomain = "VURozevEderid";
inline constexpr const char* VLRenderErrorDomain = "VLRenderErrorDomain";
inline constexpr const char* VLNetworkingErrorDomain = "VLNetworkingErrorDomain";
inline constexpr const char* VLCapabilityErrorDomain = "VLCapabilityErrorDomain";

// An error whose description and failure reason both hold the message.
VLErrorRef VLMakeErrorWithMessage(std::string domain, int64_t code, std::string message);

// The message is the format filled with the arguments; an empty format gives an empty message.
template <typename... Arguments>
VLErrorRef VLMakeError(std::string domain, int64_t code, std::string_view format,
                       const Arguments&... arguments) {
    return VLMakeErrorWithMessage(std::move(domain), code, VLStringWithFormat(format, arguments...));
}
