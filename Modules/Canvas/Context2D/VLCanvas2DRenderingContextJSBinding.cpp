#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContextJSBinding.h"

#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"
#include "Modules/Canvas/Element/VLCanvasJSBinding.h"
#include "Modules/Canvas/VLCanvasServices.h"

std::atomic<int64_t> VLCanvas2DRenderingContextJSBinding::sLiveCount{0};

void VLCanvas2DRenderingContextJSBinding::describe(VLJSClassBuilder<VLCanvas2DRenderingContextJSBinding>& b) {
    b.getter<"canvas", &VLCanvas2DRenderingContextJSBinding::canvas>();
}

void VLCanvas2DRenderingContextJSBinding::initWithContext(
    JSContextRef, std::shared_ptr<VLCanvas2DRenderingContext> renderingContext,
    const std::shared_ptr<VLCanvasJSBinding>& canvasJSBinding) {
    _renderingContext = std::move(renderingContext);
    _canvasJSBinding = canvasJSBinding;
    if (!_counted) {
        _counted = true;
        sLiveCount.fetch_add(1);
    }
}

void VLCanvas2DRenderingContextJSBinding::willCollectGarbage() {
    Super::willCollectGarbage();
    if (!_counted)
        return;
    _counted = false;
    if (sLiveCount.fetch_sub(1) != 1)
        return;
    // The last 2D context of the process: what its runtime shares between canvases goes too.
    if (std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext()) {
        VLCanvasServices::resetGLSharegroup(bindingContext);
        VLCanvasServices::resetFontCache(bindingContext);
        VLCanvasServices::resetTextureLoader(bindingContext);
    }
}

JSValueRef VLCanvas2DRenderingContextJSBinding::canvas(JSContextRef ctx) {
    std::shared_ptr<VLCanvasJSBinding> canvas = _canvasJSBinding.lock();
    JSObjectRef object = canvas ? canvas->jsObject() : nullptr;
    return object ? static_cast<JSValueRef>(object) : JSValueMakeNull(ctx);
}
