#pragma once

#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSExportSingleton.h"

#include <JavaScriptCore/JavaScript.h>

#include <memory>

class VLJSEngine;
class VLScriptTimers;

// VeltoCore.Utils: what the core prelude builds the global Velto object and the web-like globals on.
// Script timers (kept by VLScriptTimers), construction with an argument array, random bytes, Base64,
// the preferred languages and processor count, and the reporting of exceptions and unhandled
// rejections. One per binding context.
//
// JavaScript thread.
class VLUtilsJSBinding final : public VLJSBinding<VLUtilsJSBinding>, public VLJSExportSingleton {
public:
    VLUtilsJSBinding() = default;
    ~VLUtilsJSBinding() override;

    void didCreateJSObject(JSObjectRef object,
                           const std::shared_ptr<VLJSBindingContext>& bindingContext) override;
    void willCollectGarbage() override;

    JSValueRef applyNew(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef tracksUnhandledRejections(JSContextRef ctx);
    JSValueRef reportUnhandledRejection(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                        JSValueRef* exception);
    JSValueRef reportException(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef getRandomValues(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef preferredLanguages(JSContextRef ctx);
    JSValueRef userAgent(JSContextRef ctx);
    JSValueRef processorCount(JSContextRef ctx);
    JSValueRef setTimeout(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef setInterval(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef clearTimeout(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef clearInterval(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    // A one-shot timer of the prelude's own (its rejection check), as setTimeout makes one, but with
    // identifiers of its own: no script's clearTimeout reaches it, and it never takes a script's
    // identifier.
    JSValueRef setInternalTimeout(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                  JSValueRef* exception);
    JSValueRef base64Encode(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef base64Decode(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);

    static void describe(VLJSClassBuilder<VLUtilsJSBinding>& b);

    // The throttle that the timers get: 0, or one second while the engine is suspended.
    double timerThrottleInterval() const;

private:
    // Null without a binding context or once the engine is gone.
    std::shared_ptr<VLJSEngine> engine() const;

    // Made with the JavaScript object.
    std::shared_ptr<VLScriptTimers> _timers;
};
