#pragma once

#include "Core/Engine/Binding/VLEventedJSBindingBase.h"
#include "Core/Engine/Binding/VLJSExportSingleton.h"
#include "Platform/Foundation/VLNotificationCenter.h"

#include <JavaScriptCore/JavaScript.h>

#include <memory>
#include <string>

class VLStorageArea;

// The script class "LocalStorage": the runtime's local storage area, whose script layer (the resource
// script "storage") makes the global localStorage of it. length, key(index), getItem(key),
// setItem(key, value) answering the area's result code, removeItem(key) and clear(); arguments are
// converted to strings, a missing one counting as "".
//
// The area is chosen at first use: the shared one of the runtime's data directory, or a private one in
// memory for a runtime without one. Once the runtime ends, a fresh memory area takes its place, so that
// what scripts do while their runtime ends never reaches the file.
//
// JavaScript thread.
class VLStorageJSBinding : public VLJSBinding<VLStorageJSBinding, VLEventedJSBindingBase>,
                           public VLJSExportSingleton {
public:
    static std::string bindingClassName() { return "LocalStorage"; }

    ~VLStorageJSBinding() override;
    void willCollectGarbage() override;

    JSValueRef length(JSContextRef ctx);
    JSValueRef key(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef getItem(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef setItem(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef removeItem(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef clear(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);

    static void describe(VLJSClassBuilder<VLStorageJSBinding>& b) {
        b.getter<"length", &VLStorageJSBinding::length>();
        b.function<"key", &VLStorageJSBinding::key>();
        b.function<"getItem", &VLStorageJSBinding::getItem>();
        b.function<"setItem", &VLStorageJSBinding::setItem>();
        b.function<"removeItem", &VLStorageJSBinding::removeItem>();
        b.function<"clear", &VLStorageJSBinding::clear>();
    }

protected:
    // The area in use, chosen at first use.
    const std::shared_ptr<VLStorageArea>& area();
    // The area in use, none before the first use.
    const std::shared_ptr<VLStorageArea>& currentArea() const { return _area; }
    // Puts the area in place of the one in use; subclasses that watch their area override it.
    virtual void setArea(std::shared_ptr<VLStorageArea> area);
    // Synchronised storage rather than local.
    virtual bool syncs() const { return false; }

private:
    std::shared_ptr<VLStorageArea> chooseArea() const;
    // A new area in memory, of this binding's kind.
    std::shared_ptr<VLStorageArea> freshMemoryArea() const;
    void watchTermination();

    std::shared_ptr<VLStorageArea> _area;
    std::shared_ptr<VLNotificationCenter::Observer> _terminationObserver;
};
