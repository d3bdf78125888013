#pragma once

#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSClassBuilder.h"
#include "Core/Runtime/Rendering/VLRenderingPresentableDelegate.h"
#include "Modules/Canvas/Element/VLCanvasResizedObserver.h"
#include "Modules/Canvas/VLCanvasDrawable.h"
#include "Modules/Window/Component/VLComponentJSBindingBase.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class VLCanvas;
class VLCanvasRenderingContext;

// "Canvas": the component that scripts draw on. getContext makes its one drawing context (the mode
// cannot change afterwards), whose view it hosts and whose size follows the canvas's width and height
// and the component's layout; GPU loss and new frames reach scripts as events.
//
// JavaScript thread only, but for the view hosting, which the context asks for on the main thread.
class VLCanvasJSBinding final : public VLJSBinding<VLCanvasJSBinding, VLComponentJSBindingBase>,
                                public VLRenderingPresentableDelegate,
                                public VLCanvasResizedObserver,
                                public VLCanvasDrawable {
public:
    enum ContextMode : int {
        ContextModeNone = 0,
        ContextMode2D = 1,
        ContextModeWebGL = 2,
        ContextModeWebGL2 = 3
    };

    static constexpr int16_t kMinimumSize = 2;
    static constexpr int16_t kMaximumSize = 16383;

    static std::string bindingClassName() { return "Canvas"; }

    using Super::initWithContext;
    bool initWithContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                         JSValueRef* exception) override;

    std::shared_ptr<VLCanvas> canvas() const;
    const std::shared_ptr<VLCanvasRenderingContext>& renderingContext() const { return _renderingContext; }
    ContextMode contextMode() const { return _contextMode; }

    // The canvas's size: the context's, else the one set, else the laid-out component's.
    int16_t contextWidth() { return contextSide(true); }
    void setContextWidth(int16_t width) { setContextSide(true, width); }
    int16_t contextHeight() { return contextSide(false); }
    void setContextHeight(int16_t height) { setContextSide(false, height); }
    // Has an on-screen context's view follow the component's laid-out size.
    void updateContextStyleIfPossible();

    // Script face.
    JSValueRef width(JSContextRef ctx);
    void setWidth(JSContextRef ctx, JSValueRef value);
    JSValueRef height(JSContextRef ctx);
    void setHeight(JSContextRef ctx, JSValueRef value);
    JSValueRef getContext(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    static void describe(VLJSClassBuilder<VLCanvasJSBinding>& b);

    // The context's picture.
    std::shared_ptr<VLGLTexture> texture() override;
    // Main thread: the context's new view goes below the component's children.
    void handleRenderingPresentableViewCreated(VLRenderingPresentable& presentable) override;
    // Both tell scripts from the run loop, after what called them.
    void renderingPresentableDidLoseContext(VLRenderingPresentable& presentable) override;
    void canvasDidResized(VLCanvas& canvas) override;

    // Tests stand in for the GPU's largest sample count; nothing goes back to asking GL.
    static void setMaxSamplesForTesting(std::optional<int32_t> samples);

protected:
    // A canvas without a style is 300 by 150.
    std::shared_ptr<VLComponent> makeComponent(const VLDictionary& style, const VLDictionary& attributes,
                                               const VLArray& events) const override;

private:
    int16_t contextSide(bool width);
    // Clamped; a context resizes to it and answers the size it took.
    void setContextSide(bool width, int16_t side);
    // The side that the component's layout gives, clamped; kMinimumSize without a component.
    int16_t laidOutSide(bool width) const;
    // The native context of the mode, made and sized; nullptr when the mode has none.
    std::shared_ptr<VLCanvasRenderingContext> makeRenderingContext(ContextMode mode);
    // The script object of the context, kept by the canvas object, with its constructor fixed up.
    JSObjectRef makeContextJSObject(JSContextRef ctx,
                                    const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                    JSValueRef* exception);
    void applyMultisampling(bool antialias);
    // Posted to this thread's run loop, never run inside the caller; dropped once this binding is gone.
    void performLater(std::function<void(VLCanvasJSBinding& self, JSContextRef ctx)> block);

    std::shared_ptr<VLCanvasRenderingContext> _renderingContext;
    ContextMode _contextMode = ContextModeNone;
    JSObjectRef _contextJSObject = nullptr; // kept alive by the canvas object's "__currentContext"
    int16_t _contextWidth = 0;              // 0: not set
    int16_t _contextHeight = 0;
};
