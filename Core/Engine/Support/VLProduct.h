#pragma once

// The product's reverse-domain prefix, in front of queue and thread labels and the log subsystem.
inline constexpr const char* kVLReverseDomainPrefix = "app.velto";
