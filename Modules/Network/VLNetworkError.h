#pragma once

#include "Platform/Foundation/VLURL.h"
#include "Platform/Foundation/VLValue.h"

#include <optional>
#include <string>
#include <string_view>

// What a failed request hands its listener's complete: {"name": name, "message": message}.
VLValue VLNetworkError(std::string_view name, std::string_view message);

// "Can't reach URL: reason", the URL cut to its first 128 UTF-16 units and "…" when it has 129 or more.
std::string VLNetworkDenialMessage(const VLURL& url, std::string_view reason);

// The URL a request or a connection starts from: nothing for an empty text, or one holding characters
// that no URL holds (controls).
std::optional<VLURL> VLNetworkURL(const std::string& text);
