#include "Modules/Window/Image/VLImageJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLJSConsole.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/Support/VLURLString.h"
#include "Core/Runtime/VLFileSystemManager.h"
#include "Core/Runtime/VLRemoteResource.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeJSBindingContext.h"
#include "Modules/Window/Component/VLComponentOptions.h"
#include "Modules/Window/Image/VLImage.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Foundation/VLURL.h"

namespace {

// The text of a string value; nothing for any other value.
std::optional<std::string> stringOf(JSContextRef ctx, JSValueRef value) {
    if (!value || !JSValueIsString(ctx, value))
        return std::nullopt;
    return VLJSValueToNSString(ctx, value);
}

std::optional<VLImageSize> sizeOf(JSContextRef ctx, JSValueRef value) {
    const std::optional<std::string> text = stringOf(ctx, value);
    return text ? VLImageSizeForText(*text) : std::nullopt;
}

std::optional<VLImagePosition> positionOf(JSContextRef ctx, JSValueRef value) {
    const std::optional<std::string> text = stringOf(ctx, value);
    return text ? VLImagePositionForText(*text) : std::nullopt;
}

} // namespace

void VLImageJSBinding::describe(VLJSClassBuilder<VLImageJSBinding>& b) {
    b.property<"src", &VLImageJSBinding::src, &VLImageJSBinding::setSrc>();
    b.property<"size", &VLImageJSBinding::size, &VLImageJSBinding::setSize>();
    b.property<"position", &VLImageJSBinding::position, &VLImageJSBinding::setPosition>();
    b.function<"destroy", &VLImageJSBinding::destroy>();
    b.eventHandlerWithOff<"load">();
    b.eventHandlerWithOff<"error">();
}

bool VLImageJSBinding::initWithContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                       JSValueRef* exception) {
    JSValueRef thrown = nullptr;
    const std::optional<VLImageSize> size =
        sizeOf(ctx, VLComponentGetOption(ctx, argc, argv, "size", &thrown));
    std::optional<VLImagePosition> position;
    std::optional<std::string> src;
    if (!thrown)
        position = positionOf(ctx, VLComponentGetOption(ctx, argc, argv, "position", &thrown));
    if (!thrown)
        src = VLComponentSrcFromValue(ctx, VLComponentGetOption(ctx, argc, argv, "src", &thrown));
    if (thrown) {
        if (exception)
            *exception = thrown;
        return false;
    }
    if (!Super::initWithContext(ctx, argc, argv, exception))
        return false;
    image()->setDelegate(sharedFromThis());
    if (size)
        image()->setImageSize(*size);
    if (position)
        image()->setImagePosition(*position);
    // Applied once the object exists, which loading keeps alive.
    _src = std::move(src);
    return true;
}

void VLImageJSBinding::didCreateJSObject(JSObjectRef object,
                                         const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    Super::didCreateJSObject(object, bindingContext);
    if (_src && !_protectedWhileLoading)
        _applySrc(*_src);
}

std::shared_ptr<VLComponent> VLImageJSBinding::makeComponent(const VLDictionary& style,
                                                             const VLDictionary& attributes,
                                                             const VLArray& events) const {
    return VLImage::create(style, attributes, events);
}

std::shared_ptr<VLImage> VLImageJSBinding::image() const {
    return std::static_pointer_cast<VLImage>(component());
}

// Script face

JSValueRef VLImageJSBinding::src(JSContextRef ctx) {
    return _src ? VLJSValueFromNSString(ctx, *_src) : JSValueMakeNull(ctx);
}

void VLImageJSBinding::setSrc(JSContextRef ctx, JSValueRef value) {
    std::optional<std::string> src = VLComponentSrcFromValue(ctx, value);
    if (!src)
        return;
    _src = std::move(src);
    _applySrc(*_src);
}

JSValueRef VLImageJSBinding::size(JSContextRef ctx) {
    return VLJSValueFromNSString(ctx, VLImageSizeToNSString(image()->imageSize()));
}

void VLImageJSBinding::setSize(JSContextRef ctx, JSValueRef value) {
    if (std::optional<VLImageSize> size = sizeOf(ctx, value))
        image()->setImageSize(*size);
}

JSValueRef VLImageJSBinding::position(JSContextRef ctx) {
    return VLJSValueFromNSString(ctx, VLImagePositionToNSString(image()->imagePosition()));
}

void VLImageJSBinding::setPosition(JSContextRef ctx, JSValueRef value) {
    if (std::optional<VLImagePosition> position = positionOf(ctx, value))
        image()->setImagePosition(*position);
}

JSValueRef VLImageJSBinding::destroy(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                     JSValueRef* exception) {
    Super::destroy(ctx, argc, argv, exception);
    image()->stopLoading();
    _setProtectedWhileLoading(false);
    return nullptr;
}

// Sources

void VLImageJSBinding::_applySrc(const std::string& src) {
    _setProtectedWhileLoading(true);
    const std::shared_ptr<VLImage> image = this->image();
    auto bindingContext = std::dynamic_pointer_cast<VLRuntimeJSBindingContext>(this->bindingContext());
    const std::shared_ptr<VLRuntime> runtime = bindingContext ? bindingContext->runtime() : nullptr;
    if (!runtime) {
        image->setUnresolvableSrc(src);
        return;
    }
    if (VLURLStringIsHTTP(src)) {
        const VLURL url(src);
        if (std::optional<std::string> denial = runtime->networkDenialForURL(url)) {
            warnCantLoad(src, *denial);
            image->setUnresolvableSrc(src);
            return;
        }
        image->setRemoteCheck(VLRemoteResource::checkForRuntime(runtime));
        if (!runtime->checksNetworkAddresses()) {
            image->setSrc(src);
            return;
        }
        image->supersedeSrc();
        std::weak_ptr<VLImageJSBinding> weakSelf = sharedFromThis();
        runtime->checkNetworkAddressOfURL(url, [weakSelf, src](const std::optional<std::string>& denial) {
            std::shared_ptr<VLImageJSBinding> self = weakSelf.lock();
            if (!self || self->_src != src)
                return;
            if (denial) {
                self->warnCantLoad(src, *denial);
                self->image()->setUnresolvableSrc(src);
            } else {
                self->image()->setSrc(src);
            }
        });
        return;
    }
    const std::shared_ptr<VLFileSystemManager>& manager = runtime->fileSystemManager();
    const VLFile file = manager ? manager->fileAtURL(VLURL(src)) : VLFile();
    if (!file.path) {
        image->setUnresolvableSrc(src);
        return;
    }
    // Package files are read only once their digests check out.
    image->setFileReader(
        [weakManager = std::weak_ptr(manager)](const std::string& path) -> std::optional<VLData> {
            std::shared_ptr<VLFileSystemManager> manager = weakManager.lock();
            return manager ? manager->contentsOfFileAtPath(path, nullptr, VLImage::kMaximumPictureLength)
                           : std::nullopt;
        });
    image->setSrc(*file.path);
}

void VLImageJSBinding::warnCantLoad(const std::string& src, const std::string& reason) const {
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    if (JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr)
        VLJSConsoleWarn(ctx)(VLStringWithFormat("Can't load %@: %@", src, reason));
}

void VLImageJSBinding::_setProtectedWhileLoading(bool protect) {
    if (protect == _protectedWhileLoading)
        return;
    _protectedWhileLoading = protect;
    protectJSObject(protect);
    if (!protect) {
        _loading.reset();
        return;
    }
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    if (std::shared_ptr<VLJSEngine> engine = bindingContext ? bindingContext->engine() : nullptr)
        _loading = engine->beginPendingWork();
}

// Outcomes

void VLImageJSBinding::imageDidLoaded(VLImage&, const std::shared_ptr<const VLBitmap>&) {
    triggerEvent("load");
    _setProtectedWhileLoading(false);
}

void VLImageJSBinding::imageDidFail(VLImage&, const VLErrorRef& error) {
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    if (JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr) {
        JSValueRef payload =
            VLJSValueFromNSObject(ctx, VLDictionary{{"errMsg", error ? error->localizedDescription() : ""}});
        triggerEvent("error", 1, &payload);
    }
    _setProtectedWhileLoading(false);
}
