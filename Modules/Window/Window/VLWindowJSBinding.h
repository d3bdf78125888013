#pragma once

#include "Modules/Window/Component/VLComponentJSBindingBase.h"
#include "Modules/Window/Window/VLWindow.h"
#include "Platform/Foundation/VLNotificationCenter.h"

#include <JavaScriptCore/JavaScript.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class VLRuntime;

// The events of a window, each with its handler property "on…" and its function "off…", next to those
// of every component.
#define VL_WINDOW_EVENTS(EVENT)                                                                              \
    EVENT("show")                                                                                            \
    EVENT("hide")                                                                                            \
    EVENT("close")                                                                                           \
    EVENT("resize")                                                                                          \
    EVENT("move")                                                                                            \
    EVENT("focus")                                                                                           \
    EVENT("blur")                                                                                            \
    EVENT("keydown")                                                                                         \
    EVENT("keyup")                                                                                           \
    EVENT("devicepixelratiochange")                                                                          \
    EVENT("dragenter")                                                                                       \
    EVENT("dragover")                                                                                        \
    EVENT("dragleave")                                                                                       \
    EVENT("drop")

// "Window": a script's window. Construction checks the runtime's window types and window limit; the
// window then counts against its runtime, lays out on the runtime's rendering ticks and keeps its own
// script object alive until destroy() or the runtime's termination, so an open window needs no script
// reference.
//
// JavaScript thread only, like every component binding.
class VLWindowJSBinding final : public VLJSBinding<VLWindowJSBinding, VLComponentJSBindingBase> {
public:
    static std::string bindingClassName() { return "Window"; }

    using Super::initWithContext;
    // Reads "parent" first; refuses a type the runtime does not allow and a window beyond the limit.
    bool initWithContext(JSContextRef ctx, const std::shared_ptr<VLJSBindingContext>& bindingContext,
                         size_t argc, const JSValueRef argv[], JSValueRef* exception) override;
    void didCreateJSObject(JSObjectRef object,
                           const std::shared_ptr<VLJSBindingContext>& bindingContext) override;
    void willCollectGarbage() override;

    VLWindow& window() const { return static_cast<VLWindow&>(*component()); }

    // Script face.
    JSValueRef devicePixelRatio(JSContextRef ctx);
    JSValueRef parentWindow(JSContextRef ctx);
    // A Window sets the parent, null or undefined clears it, anything else changes nothing.
    void setParentWindow(JSContextRef ctx, JSValueRef value);
    template <const std::optional<VLWindowRegion>& (VLWindow::*Read)() const>
    JSValueRef region(JSContextRef ctx) {
        return regionValue(ctx, (window().*Read)());
    }
    template <void (VLWindow::*Write)(std::optional<VLWindowRegion>)>
    void setRegion(JSContextRef ctx, JSValueRef value) {
        if (std::optional<std::optional<VLWindowRegion>> region = regionFromValue(ctx, value))
            (window().*Write)(std::move(*region));
    }
    JSValueRef allowsTiling(JSContextRef ctx);
    void setAllowsTiling(JSContextRef ctx, JSValueRef value);
    JSValueRef childWindows(JSContextRef ctx);
    JSValueRef show(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef close(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef destroy(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);

    static void describe(VLJSClassBuilder<VLWindowJSBinding>& b);

protected:
    std::shared_ptr<VLComponent> makeComponent(const VLDictionary& style, const VLDictionary& attributes,
                                               const VLArray& events) const override;
    std::vector<const char*> attributeOptionNames() const override { return {"type"}; }
    // A file drag's leave carries an empty object.
    bool passesEmptyDetails(const std::string& name) const override { return name == "dragleave"; }

private:
    // Reading gives null without a region, else new objects {x, y, width, height}.
    static JSValueRef regionValue(JSContextRef ctx, const std::optional<VLWindowRegion>& region);
    // What writing the value sets: nothing to change (nullopt), no region, or the valid rectangles.
    static std::optional<std::optional<VLWindowRegion>> regionFromValue(JSContextRef ctx, JSValueRef value);

    // The runtime's checks of a new window; false after storing the error.
    bool checkAllowedType(JSContextRef ctx, const VLRuntime& runtime, JSValueRef* exception) const;
    static bool checkWindowLimit(JSContextRef ctx, const VLRuntime& runtime, JSValueRef* exception);

    void runtimeWillTerminate(const VLNotification& notification);
    // Gives the runtime's window count back, once.
    void _uncount();
    // Lets go of the window's own script object, once.
    void release();

    std::shared_ptr<VLNotificationCenter::Observer> _terminationObserver;
    std::weak_ptr<VLRuntime> _countedRuntime;
    bool _destroyed = false;
    bool _released = false;
    JSGlobalContextRef _globalContext = nullptr; // the context whose termination closes the window
};
