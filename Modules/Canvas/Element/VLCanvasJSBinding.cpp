#include "Modules/Canvas/Element/VLCanvasJSBinding.h"

#include "Core/Engine/Binding/VLJSArgument.h"
#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSConsole.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContextJSBinding.h"
#include "Modules/Canvas/Context2D/VLCanvas2DScreenRenderingContext.h"
#include "Modules/Canvas/Element/VLCanvas.h"
#include "Modules/Canvas/GL/VLEGLContextScope.h"
#include "Modules/Canvas/GL/VLEGLDisplay.h"
#include "Modules/Canvas/VLCanvasServices.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <algorithm>
#include <atomic>
#include <string_view>

namespace {

constexpr std::string_view kUnsupportedTypeFormat = "unsupport context type(%@) for `Canvas.getContext`";
constexpr std::string_view kModeChangeText =
    "CanvasContext already created. can't change 2d/webgl/webgl2 mode";
constexpr std::string_view kUnavailableText =
    "Canvas is unavailable: this Mac's graphics don't support Metal, `Canvas.getContext` returns null";
constexpr std::string_view kLossMessage =
    "The GPU stopped this canvas' work (it took too long or failed): nothing it draws shows any more.";

// The stand-in sample count of tests; 0 asks GL. Any thread.
std::atomic<int32_t> gMaxSamplesForTesting{0};

int16_t clampSide(int16_t side) {
    return std::clamp(side, VLCanvasJSBinding::kMinimumSize, VLCanvasJSBinding::kMaximumSize);
}

// A script size: a number as it is (true as 1, anything else 0), truncated, its low 16 bits, clamped.
int16_t sideFromJSValue(JSContextRef ctx, JSValueRef value) {
    return clampSide(VLJSArgument<int16_t>::read(ctx, value));
}

VLCanvasJSBinding::ContextMode modeOfType(const std::optional<std::string>& type) {
    if (!type)
        return VLCanvasJSBinding::ContextModeNone;
    if (*type == "2d")
        return VLCanvasJSBinding::ContextMode2D;
    if (*type == "webgl2")
        return VLCanvasJSBinding::ContextModeWebGL2;
    if (type->find("webgl") != std::string::npos && type->find("webgl2") == std::string::npos)
        return VLCanvasJSBinding::ContextModeWebGL;
    return VLCanvasJSBinding::ContextModeNone;
}

// How the warning shows a type that matched no row: its text as a string would read; empty when even
// that throws.
std::string typeText(JSContextRef ctx, JSValueRef value) {
    JSValueRef thrown = nullptr;
    VLJSString text = VLJSString::adopt(JSValueToStringCopy(ctx, value, &thrown));
    return thrown ? std::string() : text.utf8();
}

// An option of getContext: undefined takes the default, anything else its truthiness. False when
// reading it threw (stored in the exception).
bool readOption(JSContextRef ctx, JSObjectRef options, const char* name, bool& option,
                JSValueRef* exception) {
    JSValueRef thrown = nullptr;
    JSValueRef value = JSObjectGetProperty(ctx, options, VLJSString(name).get(), &thrown);
    if (thrown) {
        if (exception)
            *exception = thrown;
        return false;
    }
    if (!JSValueIsUndefined(ctx, value))
        option = JSValueToBoolean(ctx, value);
    return true;
}

// The object property of an object value, or nullptr; what a getter throws counts as none.
JSObjectRef objectProperty(JSContextRef ctx, JSValueRef object, const char* name) {
    if (!object || !JSValueIsObject(ctx, object))
        return nullptr;
    JSValueRef thrown = nullptr;
    JSValueRef value =
        JSObjectGetProperty(ctx, const_cast<JSObjectRef>(object), VLJSString(name).get(), &thrown);
    return !thrown && value && JSValueIsObject(ctx, value) ? const_cast<JSObjectRef>(value) : nullptr;
}

// Object.defineProperty(prototype, "constructor", { value: constructor, writable: true, configurable: true })
void defineConstructor(JSContextRef ctx, JSObjectRef prototype, JSObjectRef constructor) {
    JSObjectRef object = objectProperty(ctx, JSContextGetGlobalObject(ctx), "Object");
    JSObjectRef defineProperty = objectProperty(ctx, object, "defineProperty");
    if (!defineProperty || !JSObjectIsFunction(ctx, defineProperty))
        return;
    JSObjectRef descriptor = JSObjectMake(ctx, nullptr, nullptr);
    JSObjectSetProperty(ctx, descriptor, VLJSString("value").get(), constructor, kJSPropertyAttributeNone,
                        nullptr);
    JSObjectSetProperty(ctx, descriptor, VLJSString("writable").get(), JSValueMakeBoolean(ctx, true),
                        kJSPropertyAttributeNone, nullptr);
    JSObjectSetProperty(ctx, descriptor, VLJSString("configurable").get(), JSValueMakeBoolean(ctx, true),
                        kJSPropertyAttributeNone, nullptr);
    const JSValueRef arguments[] = {prototype, VLJSValueFromNSString(ctx, "constructor"), descriptor};
    JSValueRef ignored = nullptr;
    JSObjectCallAsFunction(ctx, defineProperty, object, 3, arguments, &ignored);
}

} // namespace

void VLCanvasJSBinding::describe(VLJSClassBuilder<VLCanvasJSBinding>& b) {
    b.property<"width", &VLCanvasJSBinding::width, &VLCanvasJSBinding::setWidth>();
    b.property<"height", &VLCanvasJSBinding::height, &VLCanvasJSBinding::setHeight>();
    b.function<"getContext", &VLCanvasJSBinding::getContext>();
    b.eventHandlerWithOff<"contextlost">();
    b.eventHandlerWithOff<"webglcontextlost">();
}

void VLCanvasJSBinding::setMaxSamplesForTesting(std::optional<int32_t> samples) {
    gMaxSamplesForTesting.store(samples.value_or(0));
}

// Construction

bool VLCanvasJSBinding::initWithContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                        JSValueRef* exception) {
    if (!Super::initWithContext(ctx, argc, argv, exception))
        return false;
    canvas()->setResizedObserver(sharedFromThis());
    return true;
}

std::shared_ptr<VLComponent> VLCanvasJSBinding::makeComponent(const VLDictionary& style,
                                                              const VLDictionary& attributes,
                                                              const VLArray& events) const {
    if (!style.empty())
        return VLCanvas::create(style, attributes, events);
    return VLCanvas::create({{"width", 300}, {"height", 150}}, attributes, events);
}

std::shared_ptr<VLCanvas> VLCanvasJSBinding::canvas() const {
    return std::static_pointer_cast<VLCanvas>(component());
}

// Size

int16_t VLCanvasJSBinding::laidOutSide(bool width) const {
    const std::shared_ptr<VLCanvas> canvas = this->canvas();
    if (!canvas)
        return kMinimumSize;
    canvas->layoutIfNeeded();
    const VLSize size = canvas->frame().size;
    return int16_t(std::clamp(width ? size.width : size.height, double(kMinimumSize), double(kMaximumSize)));
}

int16_t VLCanvasJSBinding::contextSide(bool width) {
    int16_t& stored = width ? _contextWidth : _contextHeight;
    if (_renderingContext)
        stored = width ? _renderingContext->width() : _renderingContext->height();
    return stored ? stored : laidOutSide(width);
}

void VLCanvasJSBinding::setContextSide(bool width, int16_t side) {
    side = clampSide(side);
    if (_renderingContext) {
        _renderingContext->makeContextCurrent();
        if (width)
            _renderingContext->setWidth(side);
        else
            _renderingContext->setHeight(side);
        side = width ? _renderingContext->width() : _renderingContext->height();
    }
    (width ? _contextWidth : _contextHeight) = side;
}

JSValueRef VLCanvasJSBinding::width(JSContextRef ctx) {
    return JSValueMakeNumber(ctx, contextWidth());
}

void VLCanvasJSBinding::setWidth(JSContextRef ctx, JSValueRef value) {
    setContextWidth(sideFromJSValue(ctx, value));
}

JSValueRef VLCanvasJSBinding::height(JSContextRef ctx) {
    return JSValueMakeNumber(ctx, contextHeight());
}

void VLCanvasJSBinding::setHeight(JSContextRef ctx, JSValueRef value) {
    setContextHeight(sideFromJSValue(ctx, value));
}

void VLCanvasJSBinding::updateContextStyleIfPossible() {
    auto* screenContext = dynamic_cast<VLCanvas2DScreenRenderingContext*>(_renderingContext.get());
    if (!screenContext)
        return;
    const double width = laidOutSide(true);
    const double height = laidOutSide(false);
    screenContext->makeContextCurrent();
    screenContext->setStyle(VLRect(0, 0, width, height));
}

// getContext

JSValueRef VLCanvasJSBinding::getContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                         JSValueRef* exception) {
    if (argc < 1)
        return JSValueMakeNull(ctx);
    const ContextMode mode = modeOfType(VLJSValueToNSString(ctx, argv[0]));
    if (mode == ContextModeNone) {
        VLJSConsoleWarn(ctx)(VLStringWithFormat(kUnsupportedTypeFormat, typeText(ctx, argv[0])));
        return JSValueMakeNull(ctx);
    }
    if (_renderingContext) {
        if (mode == _contextMode)
            return _contextJSObject;
        VLJSConsoleError(ctx)(VLStringWithFormat(kModeChangeText));
        return JSValueMakeNull(ctx);
    }
    bool alpha = true;
    bool antialias = false;
    if (argc > 1 && JSValueIsObject(ctx, argv[1])) {
        JSObjectRef options = const_cast<JSObjectRef>(argv[1]);
        if (!readOption(ctx, options, "alpha", alpha, exception) ||
            !readOption(ctx, options, "antialias", antialias, exception))
            return nullptr;
    }
    if (!VLEGLIsSupported()) {
        VLJSConsoleError(ctx)(VLStringWithFormat(kUnavailableText));
        return JSValueMakeNull(ctx);
    }
    // WebGL contexts come with WebGL.
    if (mode != ContextMode2D)
        return JSValueMakeNull(ctx);
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    if (!bindingContext)
        return JSValueMakeNull(ctx);
    _contextMode = mode;
    _renderingContext = makeRenderingContext(mode);
    if (!_renderingContext || !_renderingContext->isValid()) {
        _renderingContext.reset();
        _contextMode = ContextModeNone;
        VLJSConsoleError(ctx)(VLStringWithFormat(kUnavailableText));
        return JSValueMakeNull(ctx);
    }
    updateContextStyleIfPossible();
    applyMultisampling(antialias);
    _renderingContext->setOpaque(!alpha);
    const std::shared_ptr<VLRenderingLoop> loop = VLCanvasServices::renderingLoop(bindingContext);
    if (auto presentable = std::dynamic_pointer_cast<VLRenderingPresentable>(_renderingContext)) {
        presentable->setPresentableDelegate(sharedFromThis());
        if (loop)
            loop->registerPresentable(presentable);
    }
    if (loop)
        loop->addMemoryReporter(_renderingContext);
    _renderingContext->create();
    _renderingContext->makeContextCurrent();
    return makeContextJSObject(ctx, bindingContext, exception);
}

std::shared_ptr<VLCanvasRenderingContext> VLCanvasJSBinding::makeRenderingContext(ContextMode mode) {
    if (mode != ContextMode2D)
        return nullptr;
    return std::make_shared<VLCanvas2DScreenRenderingContext>(bindingContext(), contextWidth(),
                                                              contextHeight());
}

void VLCanvasJSBinding::applyMultisampling(bool antialias) {
    if (!antialias)
        return;
    GLint maxSamples = gMaxSamplesForTesting.load();
    if (maxSamples == 0) {
        // Assumed when no GL context answers.
        maxSamples = 4;
        VLEGLEnterContextWithBlockScope(_renderingContext->glContext(),
                                        [&] { glGetIntegerv(GL_MAX_SAMPLES, &maxSamples); });
    }
    _renderingContext->setMsaaEnabled(maxSamples >= 2);
    _renderingContext->setMsaaSamples(std::min<int32_t>(maxSamples, 4));
}

JSObjectRef VLCanvasJSBinding::makeContextJSObject(JSContextRef ctx,
                                                   const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                                   JSValueRef* exception) {
    auto binding = std::make_shared<VLCanvas2DRenderingContextJSBinding>();
    binding->initWithContext(ctx, std::static_pointer_cast<VLCanvas2DRenderingContext>(_renderingContext),
                             sharedFromThis());
    JSObjectRef object = createJSObjectWithContext(ctx, bindingContext, binding);
    _contextJSObject = object;
    JSObjectSetProperty(ctx, jsObject(), VLJSString("__currentContext").get(), object,
                        kJSPropertyAttributeReadOnly | kJSPropertyAttributeDontEnum |
                            kJSPropertyAttributeDontDelete,
                        exception);
    // The class that scripts see, once a script has published it, is the context's constructor.
    JSObjectRef velto = objectProperty(ctx, JSContextGetGlobalObject(ctx), "Velto");
    JSObjectRef scriptClass = objectProperty(ctx, velto, binding->classInfo().name().c_str());
    JSValueRef prototype = JSObjectGetPrototype(ctx, object);
    if (scriptClass && prototype && JSValueIsObject(ctx, prototype))
        defineConstructor(ctx, const_cast<JSObjectRef>(prototype), scriptClass);
    return object;
}

// Drawable

std::shared_ptr<VLGLTexture> VLCanvasJSBinding::texture() {
    auto* screenContext = dynamic_cast<VLCanvas2DScreenRenderingContext*>(_renderingContext.get());
    return screenContext ? screenContext->texture() : nullptr;
}

// The context's news

void VLCanvasJSBinding::handleRenderingPresentableViewCreated(VLRenderingPresentable& presentable) {
    if (std::shared_ptr<VLCanvas> canvas = this->canvas())
        canvas->addDrawingView(presentable.view());
}

void VLCanvasJSBinding::performLater(std::function<void(VLCanvasJSBinding& self, JSContextRef ctx)> block) {
    std::shared_ptr<VLRunLoopThread> thread = VLJSBindingGetThread(bindingContext());
    if (!thread)
        return;
    thread->post([weakSelf = std::weak_ptr(sharedFromThis()), block = std::move(block)] {
        std::shared_ptr<VLCanvasJSBinding> self = weakSelf.lock();
        std::shared_ptr<VLJSBindingContext> bindingContext = self ? self->bindingContext() : nullptr;
        JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
        if (ctx)
            block(*self, ctx);
    });
}

void VLCanvasJSBinding::renderingPresentableDidLoseContext(VLRenderingPresentable&) {
    const bool webGL = _contextMode == ContextModeWebGL || _contextMode == ContextModeWebGL2;
    // Never inside the present that found the loss.
    performLater([type = std::string(webGL ? "webglcontextlost" : "contextlost")](VLCanvasJSBinding& self,
                                                                                  JSContextRef ctx) {
        const std::string message = VLStringWithFormat(kLossMessage);
        VLJSConsoleError(ctx)("Canvas: " + message);
        self.triggerEvent(type, {{"statusMessage", VLJSValueFromNSString(ctx, message)}});
    });
}

void VLCanvasJSBinding::canvasDidResized(VLCanvas& canvas) {
    updateContextStyleIfPossible();
    const VLRect frame = canvas.frame();
    // Scripts hear of it once the layout that set the frame is over.
    performLater([frame](VLCanvasJSBinding& self, JSContextRef ctx) {
        JSValueRef argument = VLJSValueFromNSObject(ctx, VLDictionary{{"x", frame.origin.x},
                                                                      {"y", frame.origin.y},
                                                                      {"width", frame.size.width},
                                                                      {"height", frame.size.height}});
        self.triggerEvent("framechange", 1, &argument);
    });
}
