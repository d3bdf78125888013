#pragma once

#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSClassBuilder.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class VLCanvas2DRenderingContext;
class VLCanvasJSBinding;

// "Canvas2DRenderingContext": the script face of one canvas's 2D context, made by the canvas's
// getContext("2d"). It keeps the context alive and refers to its canvas weakly. While any of them lives
// in the process the runtimes' share groups, font caches and texture loaders stay; once the last one
// is collected, its runtime's are let go.
//
// JavaScript thread only, but for the live count, which every runtime shares.
class VLCanvas2DRenderingContextJSBinding final : public VLJSBinding<VLCanvas2DRenderingContextJSBinding> {
public:
    static std::string bindingClassName() { return "Canvas2DRenderingContext"; }

    using Super::initWithContext;
    // Native construction: the context drawn into and the canvas it belongs to.
    void initWithContext(JSContextRef ctx, std::shared_ptr<VLCanvas2DRenderingContext> renderingContext,
                         const std::shared_ptr<VLCanvasJSBinding>& canvasJSBinding);
    void willCollectGarbage() override;

    const std::shared_ptr<VLCanvas2DRenderingContext>& renderingContext() const { return _renderingContext; }
    // The bindings made and not yet collected, in every runtime of the process.
    static int64_t liveCount() { return sLiveCount.load(); }

    // Script face: the canvas's object while the canvas binding lives, else null.
    JSValueRef canvas(JSContextRef ctx);
    static void describe(VLJSClassBuilder<VLCanvas2DRenderingContextJSBinding>& b);

private:
    static std::atomic<int64_t> sLiveCount;

    std::shared_ptr<VLCanvas2DRenderingContext> _renderingContext;
    std::weak_ptr<VLCanvasJSBinding> _canvasJSBinding;
    bool _counted = false;
};
