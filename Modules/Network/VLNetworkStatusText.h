#pragma once

#include <string_view>

// The reason phrase of an HTTP status code, as responses hand it to scripts; "" for a code without one
// (407 among them). Any thread.
std::string_view VLNetworkStatusText(long statusCode);
