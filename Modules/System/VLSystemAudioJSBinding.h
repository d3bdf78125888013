#pragma once

#include "Core/Engine/Binding/VLEventedJSBindingBase.h"
#include "Core/Engine/Binding/VLJSExportSingleton.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Supports/SystemAudio/VLSystemAudioAnalysis.h"
#include "Supports/SystemAudio/VLSystemAudioObserver.h"

#include <JavaScriptCore/JavaScript.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class VLRunLoopThread;
class VLRuntime;
class VLSystemAudioMonitor;
class VLSystemAudioReading;

// The script class "SystemAudio", published as Velto.systemAudio for runtimes allowed to hear what the
// machine plays: whether system audio is supported and active, its level and a spectrum of up to 128
// bands (32, shared per package and in 1/255 steps, without detailed permission), and "activechange".
// Runtimes that simulate system audio read a synthetic spectrum and never touch the monitor.
//
// It observes the monitor only while scripts handle "activechange" and the runtime may see it (not
// suspended, not terminated, not simulated).
//
// JavaScript thread, but for the monitor's calls on its queue, which hop over, and
// systemAudioObserverIsLive(), which reads only the runtime.
class VLSystemAudioJSBinding final : public VLJSBinding<VLSystemAudioJSBinding, VLEventedJSBindingBase>,
                                     public VLSystemAudioObserver,
                                     public VLJSExportSingleton {
public:
    static std::string bindingClassName() { return "SystemAudio"; }
    // Refused, with the permission text, outside a runtime that allows system audio.
    static void validateConstructionWithContext(JSContextRef ctx,
                                                const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                                size_t argc, const JSValueRef argv[], JSValueRef* exception);

    ~VLSystemAudioJSBinding() override;

    // Puts this object in Velto.systemAudio, and follows the runtime's suspension and end.
    void didCreateJSObject(JSObjectRef object,
                           const std::shared_ptr<VLJSBindingContext>& bindingContext) override;
    void willCollectGarbage() override;

    // Handlers and listeners decide whether the monitor is observed.
    void addListenerForType(std::string_view type, JSContextRef ctx, JSValueRef listener,
                            JSValueRef* exception) override;
    void removeListenerForType(std::string_view type, JSContextRef ctx, JSObjectRef listener) override;
    void setCallbackForType(std::string_view type, JSContextRef ctx, JSValueRef callback,
                            JSValueRef* exception) override;
    void removeCallbackForType(std::string_view type, JSContextRef ctx) override;
    void removeAllListeners() override;
    void removeAllCallbacks() override;

    // VLSystemAudioObserver, on the monitor's queue.
    void systemAudioMonitorActiveDidChange(bool active) override;
    bool systemAudioObserverIsLive() override;

    JSValueRef supported(JSContextRef ctx);
    JSValueRef active(JSContextRef ctx);
    JSValueRef level(JSContextRef ctx);
    JSValueRef bandCount(JSContextRef ctx);
    void setBandCount(JSContextRef ctx, JSValueRef value);
    JSValueRef maxBandCount(JSContextRef ctx);
    JSValueRef getBands(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);

    static void describe(VLJSClassBuilder<VLSystemAudioJSBinding>& b) {
        b.getter<"supported", &VLSystemAudioJSBinding::supported>();
        b.getter<"active", &VLSystemAudioJSBinding::active>();
        b.getter<"level", &VLSystemAudioJSBinding::level>();
        b.property<"bandCount", &VLSystemAudioJSBinding::bandCount, &VLSystemAudioJSBinding::setBandCount>();
        b.getter<"maxBandCount", &VLSystemAudioJSBinding::maxBandCount>();
        b.function<"getBands", &VLSystemAudioJSBinding::getBands>();
        b.eventHandlerWithOff<"activechange">();
    }

private:
    void observeNotifications();
    bool isDetailed() const;
    bool isSimulated() const;
    // The snapshot this runtime may read now; notes the read with the monitor.
    VLSystemAudioSnapshot currentSnapshot();

    // Observing the monitor.
    bool wantsToObserve() const;
    void updateObserving();
    void stopObservingIfUnwanted();
    void deliverActive(bool active);

    int64_t _bandCount = int64_t(VLSystemAudioRestrictedBandCount);
    bool _observing = false, _listening = false, _settingCallback = false, _stopScheduled = false;
    bool _lastActive = false, _terminated = false, _collected = false;

    std::vector<std::shared_ptr<VLNotificationCenter::Observer>> _observers;
    std::shared_ptr<VLSystemAudioReading> _reading; // made at the first read

    // Set once in didCreateJSObject(), before the monitor is observed; then read on its queue too.
    std::weak_ptr<VLRuntime> _observedRuntime;
    std::weak_ptr<VLRunLoopThread> _thread;
    std::shared_ptr<VLSystemAudioMonitor> _monitor;
    JSGlobalContextRef _globalContext = nullptr; // compared, never used
};
