// ContentHostAgent: steering a started runtime.
#include "ContentHost/ContentHostAgent.h"

#include "ContentHost/ContentHostPendingAnswer.h"
#include "ContentHost/ContentHostReading.h"
#include "ContentHost/ContentHostScriptForwarder.h"
#include "ContentHost/ContentPerformanceSample.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

// A "set" value: a number or a boolean, else nothing.
using ContentHostSetValue = std::optional<double>;

uint64_t contentHostUnsigned(ContentHostSetValue value) {
    // Negative and non-finite numbers count as 0; 2^64 and above as the largest.
    if (!value || !(*value > 0))
        return 0;
    if (*value >= 18446744073709551616.0)
        return std::numeric_limits<uint64_t>::max();
    return uint64_t(*value);
}

int64_t contentHostSigned(ContentHostSetValue value) {
    if (!value || std::isnan(*value))
        return 0;
    if (*value <= -9223372036854775808.0)
        return std::numeric_limits<int64_t>::min();
    if (*value >= 9223372036854775808.0)
        return std::numeric_limits<int64_t>::max();
    return int64_t(*value);
}

bool contentHostFlag(ContentHostSetValue value) {
    return value && *value != 0;
}

struct ContentHostSetter {
    std::string_view key;
    void (*apply)(VLRuntime& runtime, ContentHostSetValue value);
};

constexpr std::array<ContentHostSetter, 8> kContentHostSetters{{
    {"preferredFramesPerSecond",
     [](VLRuntime& runtime, ContentHostSetValue value) {
         runtime.setPreferredFramesPerSecond(contentHostUnsigned(value));
     }},
    {"suspensionReason",
     [](VLRuntime& runtime, ContentHostSetValue value) {
         runtime.setSuspensionReason(contentHostSigned(value));
     }},
    {"suspended",
     [](VLRuntime& runtime, ContentHostSetValue value) { runtime.setSuspended(contentHostFlag(value)); }},
    {"renderingPaused",
     [](VLRuntime& runtime, ContentHostSetValue value) {
         runtime.setRenderingPaused(contentHostFlag(value));
     }},
    {"muted",
     [](VLRuntime& runtime, ContentHostSetValue value) { runtime.setMuted(contentHostFlag(value)); }},
    {"mutedByUser",
     [](VLRuntime& runtime, ContentHostSetValue value) { runtime.setMutedByUser(contentHostFlag(value)); }},
    {"volume",
     [](VLRuntime& runtime, ContentHostSetValue value) { runtime.setVolume(float(value.value_or(1))); }},
    {"nudgesWidgetResizeHint",
     [](VLRuntime& runtime, ContentHostSetValue value) {
         runtime.setNudgesWidgetResizeHint(contentHostFlag(value));
     }},
}};

} // namespace

void ContentHostAgent::set(const VLDictionary& message, VLRuntime& runtime) {
    const std::string* key = ContentHostReading::text(message.get("key"));
    if (!key)
        return;
    const auto setter = std::ranges::find(kContentHostSetters, *key, &ContentHostSetter::key);
    if (setter != kContentHostSetters.end())
        setter->apply(runtime, ContentHostReading::number(message.get("value")));
}

void ContentHostAgent::parameters(const VLDictionary& message, VLRuntime& runtime) {
    const VLDictionary* given = ContentHostReading::dictionary(message.get("parameters"));
    auto pending =
        std::make_shared<ContentHostPendingAnswer>(_connection, message, VLDictionary{{"handled", false}});
    runtime.updateParameters(given ? VLValue(*given) : VLValue(VLDictionary{}), [pending](bool handled) {
        pending->answer({{"handled", handled}});
    });
}

void ContentHostAgent::callJS(const VLDictionary& message, VLRuntime& runtime) {
    const std::string* method = ContentHostReading::text(message.get("method"));
    const VLArray* arguments = ContentHostReading::array(message.get("arguments"));
    // Answered when the call has run, or as soon as it is dropped unrun.
    auto pending = std::make_shared<ContentHostPendingAnswer>(_connection, message);
    runtime.engine()->callJSMethod(method ? *method : std::string(), arguments ? *arguments : VLArray{},
                                   [pending](JSValueRef) { pending->answer({}); });
}

void ContentHostAgent::addHandler(const VLDictionary& message, const Hosted& entry) {
    if (const std::string* name = ContentHostReading::text(message.get("name")))
        entry.runtime->engine()->addScriptMessageHandler(
            std::make_shared<ContentHostScriptForwarder>(entry.rid, *name, _connection), *name);
}

void ContentHostAgent::removeHandler(const VLDictionary& message, VLRuntime& runtime) {
    if (const std::string* name = ContentHostReading::text(message.get("name")))
        runtime.engine()->removeScriptMessageHandlerForName(*name);
}

void ContentHostAgent::moveWindow(const VLDictionary& message, const VLRuntime& runtime) {
    const std::optional<int64_t> number = ContentHostReading::integer(message.get("number"));
    const std::optional<double> x = ContentHostReading::coordinate(message.get("x"));
    const std::optional<double> y = ContentHostReading::coordinate(message.get("y"));
    if (!number || !x || !y)
        return;
    for (const std::shared_ptr<VLWSWindow>& window : VLWindowServer::shared()->windows()) {
        if (window->windowNumber() == *number && VLRuntime::runtimeOwningWindow(*window).get() == &runtime) {
            window->setFrameOrigin({*x, *y});
            return;
        }
    }
}

void ContentHostAgent::moveWidget(const VLDictionary& message, VLRuntime& runtime) {
    const std::optional<double> x = ContentHostReading::coordinate(message.get("x"));
    const std::optional<double> y = ContentHostReading::coordinate(message.get("y"));
    if (x && y)
        runtime.moveWidgetWindowToPlace({*x, *y});
}

void ContentHostAgent::previewSize(const VLDictionary& message, const Hosted& entry) {
    const std::optional<VLSize> size = ContentHostReading::size(message.get("size"));
    if (size && entry.previewWindow)
        entry.previewWindow->setContentSize(*size);
}

void ContentHostAgent::performance(const VLDictionary& message, Hosted& entry) {
    const bool on = ContentHostReading::boolean(message.get("on")).value_or(false);
    if (on && !entry.performanceObserver) {
        // The runtime calls the handler on the main queue.
        entry.performanceObserver = entry.runtime->addPerformanceObserverWithHandler(
            [connection = _connection, rid = entry.rid](const VLPerformanceSample& sample) {
                connection->send(
                    {{"op", "sample"}, {"rid", rid}, {"sample", ContentPerformanceSampleDictionary(sample)}});
            });
    } else if (!on && entry.performanceObserver) {
        entry.runtime->removePerformanceObserver(entry.performanceObserver);
        entry.performanceObserver = nullptr;
    }
}
