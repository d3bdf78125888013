#pragma once

#include "Platform/Foundation/VLValue.h"

#include <memory>

class VLLocalPathLaunchPayload;
class VLWidgetSizing;

// Turns the "payload" of a "launch" message into the engine's launch payload.
class ContentHostLaunchPayload {
public:
    ContentHostLaunchPayload() = delete;

    // Nothing unless the payload is a dictionary with a text "localPath". The keys the engine's payload
    // takes by name are set when present and not null; a value the payload refuses counts as absent.
    // "allowedWindowTypes" is taken as a list of texts and "widgetSizing" as a dictionary.
    static std::shared_ptr<VLLocalPathLaunchPayload> convert(const VLValue& payload);
    // Each part of the sizing from its key, or its default when the key is missing or invalid.
    static VLWidgetSizing widgetSizing(const VLDictionary& sizing);
};
