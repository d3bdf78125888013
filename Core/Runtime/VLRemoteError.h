#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLURL.h"

#include <string_view>

// A remote resource that could not be had, and why: URL domain, code -999, "Can't reach <URL>: <reason>",
// and the URL as the failing URL.
VLErrorRef VLMakeRemoteError(const VLURL& url, std::string_view reason);
