#pragma once

// The product's reverse-domain prefix, in front of queue and thread labels and the log subsystem.
inline constexpr const char* kVLReverseDomainPrefix = "app.velto";

// What the engine calls itself towards servers and scripts: navigator.userAgent, and the User-Agent of
// requests.
inline constexpr const char* kVLUserAgent = "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) Velto";
