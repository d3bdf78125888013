#pragma once

#include "Core/Engine/Binding/VLEventedJSBindingBase.h"
#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSValueBridge.h"

#include <atomic>
#include <string>

// Binding classes that exist for the tests: one of each kind of member, a subclass that overrides,
// one that only inherits, an unrelated class sharing a method name, and a singleton.

// How many probes exist and how many were told willCollectGarbage(), and how many of those calls
// came on the binding context's JavaScript thread.
struct VLProbeCounters {
    static inline std::atomic<int> alive{0};
    static inline std::atomic<int> retired{0};
    static inline std::atomic<int> retiredOnThread{0};
    static void reset() {
        alive = 0;
        retired = 0;
        retiredOnThread = 0;
    }
};

class VLProbeJSBinding : public VLJSBinding<VLProbeJSBinding> {
public:
    VLProbeJSBinding() { ++VLProbeCounters::alive; }
    ~VLProbeJSBinding() override { --VLProbeCounters::alive; }

    // new Probe("refuse") is refused before an instance exists.
    static void validateConstructionWithContext(JSContextRef ctx, const std::shared_ptr<VLJSBindingContext>&,
                                                size_t argc, const JSValueRef argv[], JSValueRef* exception) {
        if (argc > 0 && VLJSValueToNSString(ctx, argv[0]) == "refuse")
            VLJSThrowException(ctx, exception, "RangeError: refused");
    }

    // new Probe("nil") fails quietly, new Probe("nilThrow") with an exception.
    using Super::initWithContext;
    bool initWithContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                         JSValueRef* exception) override {
        std::string argument = argc > 0 ? VLJSValueToNSString(ctx, argv[0]).value_or("") : "";
        if (argument == "nilThrow")
            VLJSThrowException(ctx, exception, "SyntaxError: no");
        return argument != "nil" && argument != "nilThrow";
    }

    void willCollectGarbage() override {
        ++VLProbeCounters::retired;
        auto context = bindingContext();
        if (context && context->isCurrentThread())
            ++VLProbeCounters::retiredOnThread;
        Super::willCollectGarbage();
    }

    virtual const char* kind() const { return "probe"; }

    JSValueRef echo(JSContextRef ctx, size_t argc, const JSValueRef[], JSValueRef*) {
        return VLJSValueFromNSString(ctx, std::string(kind()) + ":" + std::to_string(argc));
    }
    JSValueRef nothing(JSContextRef, size_t, const JSValueRef[], JSValueRef*) { return nullptr; }
    JSValueRef fail(JSContextRef ctx, size_t, const JSValueRef[], JSValueRef* exception) {
        VLJSThrowException(ctx, exception, "RangeError: out of range");
        return nullptr;
    }
    JSValueRef size(JSContextRef ctx) { return JSValueMakeNumber(ctx, 3); }
    JSValueRef empty(JSContextRef) { return nullptr; }
    JSValueRef label(JSContextRef ctx) { return VLJSValueFromNSString(ctx, _label); }
    void setLabel(JSContextRef ctx, JSValueRef value) {
        _label = VLJSValueTransformToNSString(ctx, value).value_or("");
    }

    static void describe(VLJSClassBuilder<VLProbeJSBinding>& b) {
        b.function<"echo", &VLProbeJSBinding::echo>();
        b.function<"nothing", &VLProbeJSBinding::nothing>();
        b.function<"fail", &VLProbeJSBinding::fail>();
        b.getter<"size", &VLProbeJSBinding::size>();
        b.getter<"empty", &VLProbeJSBinding::empty>();
        b.property<"label", &VLProbeJSBinding::label, &VLProbeJSBinding::setLabel>();
        b.notImplemented("requestFullscreen");
        b.constant("LIMIT", 4);
        b.constant("KIND", "probe");
    }

private:
    std::string _label = "none";
};

// Overrides echo and the constant LIMIT, adds a function, and names itself.
class VLDerivedProbeJSBinding final : public VLJSBinding<VLDerivedProbeJSBinding, VLProbeJSBinding> {
public:
    static std::string bindingClassName() { return "Special"; }
    const char* kind() const override { return "derived"; }

    JSValueRef derivedEcho(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception) {
        return echo(ctx, argc, argv, exception);
    }
    JSValueRef extra(JSContextRef ctx, size_t, const JSValueRef[], JSValueRef*) {
        return JSValueMakeNumber(ctx, 7);
    }

    static void describe(VLJSClassBuilder<VLDerivedProbeJSBinding>& b) {
        b.function<"echo", &VLDerivedProbeJSBinding::derivedEcho>();
        b.function<"extra", &VLDerivedProbeJSBinding::extra>();
        b.constant("LIMIT", 8);
    }
};

// Declares nothing of its own: the script face of Probe under its own name.
class VLQuietProbeJSBinding final : public VLJSBinding<VLQuietProbeJSBinding, VLProbeJSBinding> {
public:
    const char* kind() const override { return "quiet"; }
};

// An unrelated class with a function of the same name as Probe's, and one of its own.
class VLOtherJSBinding final : public VLJSBinding<VLOtherJSBinding> {
public:
    JSValueRef echo(JSContextRef ctx, size_t argc, const JSValueRef[], JSValueRef*) {
        return VLJSValueFromNSString(ctx, "other:" + std::to_string(argc));
    }
    JSValueRef solo(JSContextRef ctx, size_t, const JSValueRef[], JSValueRef*) {
        return JSValueMakeBoolean(ctx, true);
    }

    static void describe(VLJSClassBuilder<VLOtherJSBinding>& b) {
        b.function<"echo", &VLOtherJSBinding::echo>();
        b.function<"solo", &VLOtherJSBinding::solo>();
    }
};

class VLSoleJSBinding final : public VLJSBinding<VLSoleJSBinding>, public VLJSExportSingleton {};

// Fires events on request: fire(type, ...arguments) and fireWithDetail(type, detail), the latter with
// an event object carrying "detail".
class VLEmitterJSBinding final : public VLJSBinding<VLEmitterJSBinding, VLEventedJSBindingBase> {
public:
    static inline std::atomic<int> alive{0};
    static inline std::atomic<int> retired{0};
    VLEmitterJSBinding() { ++alive; }
    ~VLEmitterJSBinding() override { --alive; }

    void willCollectGarbage() override {
        ++retired;
        Super::willCollectGarbage();
    }

    JSValueRef fire(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef*) {
        if (argc > 0)
            triggerEvent(VLJSValueToNSString(ctx, argv[0]).value_or(""), argc - 1, argv + 1);
        return nullptr;
    }
    JSValueRef fireWithDetail(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef*) {
        if (argc > 1)
            triggerEvent(VLJSValueToNSString(ctx, argv[0]).value_or(""), {{"detail", argv[1]}});
        return nullptr;
    }
    JSValueRef handles(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef*) {
        std::string type = argc > 0 ? VLJSValueToNSString(ctx, argv[0]).value_or("") : "";
        return JSValueMakeBoolean(ctx, hasHandlersForType(type));
    }

    static void describe(VLJSClassBuilder<VLEmitterJSBinding>& b) {
        b.function<"fire", &VLEmitterJSBinding::fire>();
        b.function<"fireWithDetail", &VLEmitterJSBinding::fireWithDetail>();
        b.function<"handles", &VLEmitterJSBinding::handles>();
        b.eventHandler("onping");
        b.eventHandler("onclick");
        b.eventHandlerWithOff<"change">();
    }
};
