#include "ContentHost/ContentHostLaunchPayload.h"

#include "ContentHost/ContentHostReading.h"
#include "Core/Launcher/VLLocalPathLaunchPayload.h"
#include "Core/Launcher/VLWidgetSizing.h"

#include <set>
#include <string_view>

namespace {

// The payload's keys that go to the engine's payload under the same name, in this order.
constexpr std::string_view kContentHostCopiedPayloadKeys[] = {
    "options",
    "name",
    "hidesFromWebInspector",
    "allowsNetworkAccess",
    "allowsAudio",
    "allowsSystemInformation",
    "allowsAppFiles",
    "allowedNetworkHosts",
    "allowsKeyboard",
    "allowsGlobalMouse",
    "allowsKeyActivity",
    "asksForInputMonitoring",
    "allowsSystemAudio",
    "allowsDetailedSystemAudio",
    "asksForSystemAudio",
    "simulatesSystemAudio",
    "allowsWindowPositions",
    "allowsFileDrops",
    "restrictsWindows",
    "dataQuota",
    "packageDigests",
    "dataPath",
    "messagingPackage",
    "messagingNamespace",
    "volume",
    "muted",
    "mutedByUser",
    "devicePixelRatio",
};

} // namespace

std::shared_ptr<VLLocalPathLaunchPayload> ContentHostLaunchPayload::convert(const VLValue& message) {
    const VLDictionary* keys = ContentHostReading::dictionary(message);
    const std::string* localPath = keys ? ContentHostReading::text(keys->get("localPath")) : nullptr;
    if (!localPath)
        return nullptr;
    std::shared_ptr<VLLocalPathLaunchPayload> payload =
        VLLaunchPayload::launchPaylodWithLocalPath(*localPath);
    for (std::string_view key : kContentHostCopiedPayloadKeys) {
        const VLValue& value = keys->get(key);
        if (!value.isMissing())
            payload->setValueForKey(key, value);
    }
    if (auto types = ContentHostReading::texts(keys->get("allowedWindowTypes")))
        payload->setAllowedWindowTypes(std::set<std::string>(types->begin(), types->end()));
    if (const VLDictionary* sizing = ContentHostReading::dictionary(keys->get("widgetSizing")))
        payload->setWidgetSizing(widgetSizing(*sizing));
    return payload;
}

VLWidgetSizing ContentHostLaunchPayload::widgetSizing(const VLDictionary& keys) {
    VLWidgetSizing sizing;
    sizing.setSize(ContentHostReading::size(keys.get("size")).value_or(VLSize()));
    sizing.setMinimumSize(ContentHostReading::size(keys.get("minimum")).value_or(sizing.minimumSize()));
    sizing.setMaximumSize(ContentHostReading::size(keys.get("maximum")).value_or(VLSize()));
    sizing.setResizableByUser(ContentHostReading::boolean(keys.get("byUser")).value_or(false));
    sizing.setResizableByContent(ContentHostReading::boolean(keys.get("byContent")).value_or(false));
    sizing.setAspectRatio(ContentHostReading::size(keys.get("ratio")).value_or(VLSize()));
    sizing.setPlace(ContentHostReading::point(keys.get("place")));
    sizing.setStart(ContentHostReading::point(keys.get("start")));
    return sizing;
}
