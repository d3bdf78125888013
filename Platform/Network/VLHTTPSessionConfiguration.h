#pragma once

#include "Platform/Network/VLHTTPRequest.h"

// What a session does for every request it makes. A value type.
struct VLHTTPSessionConfiguration {
    // Cookies that servers set are kept in memory for the session's later requests, and never written
    // anywhere: they go with the session.
    bool keepsCookies = false;
    // Fields sent with every request that sets none of the same name (compared without regard to case).
    VLHTTPRequest::Headers additionalHeaders;
    // Asks for every content coding that libcurl decodes, and hands bodies on decoded. A request's own
    // Accept-Encoding replaces the one asked for, and what arrives coded is still decoded.
    bool decodesContent = false;
};
