#include "Core/Runtime/VLJavaScriptMemory.h"

#include <dlfcn.h>

#include <atomic>

namespace {

using MemoryUsageStatistics = JSObjectRef (*)(JSContextRef);

MemoryUsageStatistics lookedUp() {
    static const MemoryUsageStatistics function =
        reinterpret_cast<MemoryUsageStatistics>(::dlsym(RTLD_DEFAULT, "JSGetMemoryUsageStatistics"));
    return function;
}

std::atomic<bool> hiddenForTests{false};

MemoryUsageStatistics statisticsFunction() {
    return hiddenForTests.load() ? nullptr : lookedUp();
}

double numberProperty(JSContextRef context, JSObjectRef object, const char* name) {
    JSStringRef key = JSStringCreateWithUTF8CString(name);
    JSValueRef value = JSObjectGetProperty(context, object, key, nullptr);
    JSStringRelease(key);
    if (!value || !JSValueIsNumber(context, value))
        return 0;
    return JSValueToNumber(context, value, nullptr);
}

} // namespace

bool VLCanMeasureJavaScriptMemory() {
    return statisticsFunction() != nullptr;
}

int64_t VLJavaScriptMemoryOfContext(JSGlobalContextRef context) {
    const MemoryUsageStatistics function = statisticsFunction();
    if (!function || !context)
        return -1;
    JSObjectRef statistics = function(context);
    if (!statistics)
        return -1;
    const double bytes = numberProperty(context, statistics, "heapCapacity") +
                         numberProperty(context, statistics, "extraMemorySize");
    return bytes >= 0 && bytes < 9.2e18 ? int64_t(bytes) : -1;
}

void VLSetJavaScriptMemoryStatisticsHidden(bool hidden) {
    hiddenForTests.store(hidden);
}
