#pragma once

#include "Platform/Foundation/VLError.h"

#include <cstdint>
#include <string>

// The failing URL's entry in the user info of URL-domain errors, as Foundation names it.
inline constexpr const char* VLURLErrorFailingURLErrorKey = "NSErrorFailingURLKey";
inline constexpr const char* VLURLErrorFailingURLStringErrorKey = "NSErrorFailingURLStringKey";

// The URL-domain codes the HTTP session reports, with Foundation's values.
inline constexpr int64_t VLURLErrorUnknown = -1;
inline constexpr int64_t VLURLErrorCancelled = -999;
inline constexpr int64_t VLURLErrorBadURL = -1000;
inline constexpr int64_t VLURLErrorTimedOut = -1001;
inline constexpr int64_t VLURLErrorUnsupportedURL = -1002;
inline constexpr int64_t VLURLErrorCannotFindHost = -1003;
inline constexpr int64_t VLURLErrorCannotConnectToHost = -1004;
inline constexpr int64_t VLURLErrorNetworkConnectionLost = -1005;
inline constexpr int64_t VLURLErrorHTTPTooManyRedirects = -1007;
inline constexpr int64_t VLURLErrorResourceUnavailable = -1008;
inline constexpr int64_t VLURLErrorBadServerResponse = -1011;
inline constexpr int64_t VLURLErrorSecureConnectionFailed = -1200;

// An error of VLURLErrorDomain with the description and the failing URL (under both keys).
VLErrorRef VLMakeURLError(int64_t code, const std::string& description, const std::string& failingURL);
