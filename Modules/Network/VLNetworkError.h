#pragma once

#include "Platform/Foundation/VLURL.h"
#include "Platform/Foundation/VLValue.h"

#include <string>
#include <string_view>

// What a failed request hands its listener's complete: {"name": name, "message": message}.
VLValue VLNetworkError(std::string_view name, std::string_view message);

// "Can't reach URL: reason", the URL cut to its first 128 UTF-16 units and "…" when it has 129 or more.
std::string VLNetworkDenialMessage(const VLURL& url, std::string_view reason);
