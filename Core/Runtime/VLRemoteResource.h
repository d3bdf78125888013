#pragma once

#include "Core/Runtime/VLRemoteCheck.h"
#include "Core/Runtime/VLRemoteDownload.h"
#include "Platform/Foundation/VLURL.h"

#include <cstdint>
#include <memory>
#include <optional>

class VLRemoteMediaLoader;
class VLRuntime;

// The scheme of media URLs that stand for remote media; they mean something only in the process that
// made them.
inline constexpr const char* VLRemoteMediaScheme = "vl-remote";

// How the engine's own loaders (images, canvases, media) fetch http(s) resources for a runtime,
// outside the scripts' network module: every request and every redirect passes a check that applies
// the runtime's network policy, downloads are bounded in size and time, and media are read by ranges
// through URLs of a scheme of our own, under the same check. Every failure made here is a URL-domain
// error -999 "Can't reach <URL>: <reason>" with the URL as the failing URL. Any thread.
class VLRemoteResource final {
public:
    VLRemoteResource() = delete;

    // The check of the runtime's policy, holding the runtime weakly: "the content stopped" once it is
    // gone or terminated, then only http and https, then the runtime's denial, then, for a runtime
    // that checks addresses, names that resolve into the local network. Such a runtime's check also
    // judges the address of every connection.
    static VLRemoteCheck checkForRuntime(const std::shared_ptr<VLRuntime>& runtime);

    // A GET of the URL; the completion runs at most once, on a background thread, with the body or an
    // error: a status outside 200…299, a body (announced or received) above the maximum length, or no
    // end within 120 s, whatever still arrives.
    static std::shared_ptr<VLRemoteDownload>
    downloadDataWithContentsOfURL(const VLURL& url, VLRemoteCheck check, uint64_t maximumLength,
                                  VLRemoteDownload::Completion completion);
    // The same download, waited for. Fails at once on the remote session's own thread, which would
    // wait for itself.
    static std::optional<VLData> dataWithContentsOfURL(const VLURL& url, VLRemoteCheck check,
                                                       uint64_t maximumLength, VLErrorRef* error);

    // A new "vl-remote" URL standing for the http(s) URL, named "media" plus the URL's extension. The
    // process keeps the latest 256 or fewer: the table is emptied when it is full.
    static VLURL mediaURLForURL(const VLURL& url, VLRemoteCheck check);
    // The range reader for a media URL made above; null when the URL is not (or no longer) known.
    static std::shared_ptr<VLRemoteMediaLoader> mediaLoaderForMediaURL(const VLURL& mediaURL);
};
