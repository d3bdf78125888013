#pragma once

#include "Platform/Foundation/VLURL.h"
#include "Platform/Foundation/VLValue.h"
#include "Platform/Network/VLNetworkAddress.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A request for the HTTP session: an http(s) or data: URL, a method, header fields and a body. A value
// type.
struct VLHTTPRequest {
    // Decides, on the session's thread, whether a connection for the URL may go to the address; asked
    // for every address a connection is about to be opened to, after each redirect too.
    using ConnectionFilter = std::function<bool(const VLURL& url, const VLNetworkAddress& address)>;
    using Headers = std::vector<std::pair<std::string, std::string>>;

    // The session keeps no cache: every policy loads from the network, except the one that may only
    // answer from a cache, which fails.
    enum class CachePolicy {
        useProtocolCachePolicy,
        reloadIgnoringCacheData,
        returnCacheDataElseLoad,
        returnCacheDataDontLoad
    };

    explicit VLHTTPRequest(VLURL url) : url(std::move(url)) {}

    // Sets the field, replacing an earlier one whose name matches without regard to case in its place.
    void setHeader(std::string name, std::string value);

    VLURL url;
    // As written; "HEAD" reads no body.
    std::string method = "GET";
    // Sent as given, on every hop, after the session's own fields of other names.
    Headers headers;
    // Nothing sends no body. A redirect that turns the request into a GET drops it.
    std::shared_ptr<const VLData> body;
    // Whether the session asks its delegate about each redirect; without, a redirect response is the
    // response, with its body.
    bool followsRedirects = true;
    CachePolicy cachePolicy = CachePolicy::useProtocolCachePolicy;
    // When above 0, at most this many bytes of the body are handed to the delegate and not yet given
    // back through VLHTTPDataTask::consumeBody(); the transfer waits for room meanwhile.
    size_t maximumUnconsumedBodyBytes = 0;
    // None: any address. With one, every request opens connections of its own, so that no connection
    // opened unfiltered is reused.
    ConnectionFilter connectionFilter;
};
