#pragma once

#include "Core/Engine/JS/VLJSEngine.h"
#include "Modules/Window/Component/VLComponentJSBindingBase.h"
#include "Modules/Window/Image/VLImageDelegate.h"

#include <memory>
#include <optional>
#include <string>

class VLImage;

// "Image": a component showing one picture, from a package file (or another file the runtime
// resolves: blob URLs, app files, sandbox files) or an http(s) URL under the runtime's network
// policy, with "load" and "error" events. The script object stays alive from a source's start until
// its outcome, so a picture loads even when the script keeps no reference, and the engine counts the
// loading as pending work.
//
// JavaScript thread only.
class VLImageJSBinding final : public VLJSBinding<VLImageJSBinding, VLComponentJSBindingBase>,
                               public VLImageDelegate {
public:
    static std::string bindingClassName() { return "Image"; }

    using Super::initWithContext;
    // Reads "size", "position" and "src" besides the component's options.
    bool initWithContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                         JSValueRef* exception) override;
    void didCreateJSObject(JSObjectRef object,
                           const std::shared_ptr<VLJSBindingContext>& bindingContext) override;

    std::shared_ptr<VLImage> image() const;

    // Script face.
    JSValueRef src(JSContextRef ctx);
    // A non-empty string starts loading it; anything else is ignored.
    void setSrc(JSContextRef ctx, JSValueRef value);
    JSValueRef size(JSContextRef ctx);
    // Only one of the texts exactly.
    void setSize(JSContextRef ctx, JSValueRef value);
    JSValueRef position(JSContextRef ctx);
    void setPosition(JSContextRef ctx, JSValueRef value);
    // Also stops loading and lets the object go.
    JSValueRef destroy(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    static void describe(VLJSClassBuilder<VLImageJSBinding>& b);

    void imageDidLoaded(VLImage& image, const std::shared_ptr<const VLBitmap>& picture) override;
    void imageDidFail(VLImage& image, const VLErrorRef& error) override;

protected:
    std::shared_ptr<VLComponent> makeComponent(const VLDictionary& style, const VLDictionary& attributes,
                                               const VLArray& events) const override;

private:
    // Hands the source to the component: refused, checked or resolved by the runtime's rules.
    void _applySrc(const std::string& src);
    void _setProtectedWhileLoading(bool protect);
    // "Can't load <source>: <reason>" on the script's console.
    void warnCantLoad(const std::string& src, const std::string& reason) const;

    std::optional<std::string> _src;
    bool _protectedWhileLoading = false;
    // Held while protected: a tool running the script waits for the outcome.
    VLJSEngine::PendingWork _loading;
};
