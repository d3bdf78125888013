#pragma once

#include "Core/Engine/Log/VLLog.h"

#include <string>

// The host's own log: the product's reverse-domain prefix followed by ".mac.content", category
// "ContentHost". Any thread.
#define ContentHostLogError(format, ...)                                                                     \
    _VLLog(ContentHostLogSubsystem(), "ContentHost", VLLogFlagError, __FILE__, __PRETTY_FUNCTION__,          \
           __LINE__, format __VA_OPT__(, ) __VA_ARGS__)

const std::string& ContentHostLogSubsystem();
