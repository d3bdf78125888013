#pragma once

#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSExportSingleton.h"

#include <JavaScriptCore/JavaScript.h>

// VeltoCore.Performance, the global `performance`: the engine's clock for scripts. One per binding
// context; JavaScript thread.
class VLPerformanceJSBinding final : public VLJSBinding<VLPerformanceJSBinding>, public VLJSExportSingleton {
public:
    // Milliseconds since the engine was made, with fractions.
    JSValueRef now(JSContextRef ctx);
    // Milliseconds since 1970 when the engine was made.
    JSValueRef timeOrigin(JSContextRef ctx);

    static void describe(VLJSClassBuilder<VLPerformanceJSBinding>& b) {
        b.method<"now", &VLPerformanceJSBinding::now>();
        b.getter<"timeOrigin", &VLPerformanceJSBinding::timeOrigin>();
    }
};
