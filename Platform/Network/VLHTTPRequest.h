#pragma once

#include "Platform/Foundation/VLURL.h"
#include "Platform/Network/VLNetworkAddress.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

// A GET request for the HTTP session. A value type.
struct VLHTTPRequest {
    // Decides, on the session's thread, whether a connection for the URL may go to the address; asked
    // for every address a connection is about to be opened to, after each redirect too.
    using ConnectionFilter = std::function<bool(const VLURL& url, const VLNetworkAddress& address)>;

    explicit VLHTTPRequest(VLURL url) : url(std::move(url)) {}

    VLURL url;
    // Sent as given, on every hop.
    std::vector<std::pair<std::string, std::string>> headers;
    // None: any address. With one, every request opens connections of its own, so that no connection
    // opened unfiltered is reused.
    ConnectionFilter connectionFilter;
};
