#include "Core/Engine/Binding/VLJSClassLoader.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSConsole.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/Parts/VLTypeInfo.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <mutex>
#include <unordered_map>

namespace {

std::mutex cacheLock; // guards classCache
std::unordered_map<std::type_index, std::unique_ptr<VLJSClassInfo>>& classCache() {
    static auto* cache = new std::unordered_map<std::type_index, std::unique_ptr<VLJSClassInfo>>(21);
    return *cache;
}

// Private data of a constructor object.
struct VLJSConstructorContext {
    std::weak_ptr<VLJSBindingContext> bindingContext;
    const VLJSClassInfo* bindingClass;
};

// Private data of a scope object: its binding context, weakly, so that a scope that outlives its
// context reads as empty instead of reaching a freed one.
using VLJSScopeContext = std::weak_ptr<VLJSBindingContext>;

JSObjectRef emptyObject(JSContextRef ctx) {
    return JSObjectMake(ctx, nullptr, nullptr);
}

JSObjectRef constructorCallAsConstructor(JSContextRef ctx, JSObjectRef constructor, size_t argc,
                                         const JSValueRef argv[], JSValueRef* exception) {
    auto* context = static_cast<VLJSConstructorContext*>(JSObjectGetPrivate(constructor));
    std::shared_ptr<VLJSBindingContext> bindingContext = context ? context->bindingContext.lock() : nullptr;
    if (!bindingContext)
        return emptyObject(ctx);
    const VLJSClassInfo& bindingClass = *context->bindingClass;
    const VLJSClassInfo::Construction& construction = bindingClass.construction();
    if (!construction.allocate ||
        (construction.singleton && bindingContext->hasSingletonMark(bindingClass))) {
        VLJSThrowException(ctx, exception, "TypeError: Illegal constructor");
        return emptyObject(ctx);
    }
    if (bindingContext->isTerminated()) {
        VLJSThrowException(ctx, exception, "The widget was stopped");
        return emptyObject(ctx);
    }
    JSValueRef refusal = nullptr;
    construction.validate(ctx, bindingContext, argc, argv, &refusal);
    if (refusal) {
        *exception = refusal;
        return emptyObject(ctx);
    }
    std::shared_ptr<VLJSBindingBase> instance = construction.allocate();
    if (!instance->initWithContext(ctx, bindingContext, argc, argv, exception))
        return emptyObject(ctx);
    if (construction.singleton)
        bindingContext->setSingletonMark(bindingClass);
    return VLJSBindingBase::createJSObjectWithContext(ctx, bindingContext, instance);
}

bool constructorHasInstance(JSContextRef ctx, JSObjectRef constructor, JSValueRef value, JSValueRef*) {
    auto* context = static_cast<VLJSConstructorContext*>(JSObjectGetPrivate(constructor));
    VLJSBindingBase* instance = VLJSBindingGetObject(ctx, value);
    return context && instance && instance->classInfo().isKindOf(*context->bindingClass);
}

void constructorFinalize(JSObjectRef constructor) {
    delete static_cast<VLJSConstructorContext*>(JSObjectGetPrivate(constructor));
}

JSClassRef constructorClass() {
    static const JSClassRef jsClass = [] {
        JSClassDefinition definition = kJSClassDefinitionEmpty;
        definition.className = "BindingConstructor";
        definition.attributes = kJSClassAttributeNoAutomaticPrototype;
        definition.callAsConstructor = constructorCallAsConstructor;
        definition.hasInstance = constructorHasInstance;
        definition.finalize = constructorFinalize;
        return JSClassCreate(&definition);
    }();
    return jsClass;
}

// Every name read on a scope object ends here: a binding class gives a new constructor object, any
// other name undefined, so the scope exposes nothing inherited.
JSValueRef scopeGetProperty(JSContextRef ctx, JSObjectRef scope, JSStringRef propertyName, JSValueRef*) {
    auto* weakContext = static_cast<VLJSScopeContext*>(JSObjectGetPrivate(scope));
    std::shared_ptr<VLJSBindingContext> bindingContext = weakContext ? weakContext->lock() : nullptr;
    if (!bindingContext)
        return JSValueMakeUndefined(ctx);
    const VLJSClassInfo* bindingClass = bindingContext->bindingClassForName(VLJSString::toUTF8(propertyName));
    if (!bindingClass)
        return JSValueMakeUndefined(ctx);
    return JSObjectMake(ctx, constructorClass(), new VLJSConstructorContext{bindingContext, bindingClass});
}

void scopeFinalize(JSObjectRef scope) {
    delete static_cast<VLJSScopeContext*>(JSObjectGetPrivate(scope));
}

JSClassRef scopeClass() {
    static const JSClassRef jsClass = [] {
        JSClassDefinition definition = kJSClassDefinitionEmpty;
        definition.className = "BindingScope";
        definition.attributes = kJSClassAttributeNoAutomaticPrototype;
        definition.getProperty = scopeGetProperty;
        definition.finalize = scopeFinalize;
        return JSClassCreate(&definition);
    }();
    return jsClass;
}

} // namespace

const VLJSClassInfo&
VLJSClassLoader::loadNativeClass(std::type_index type,
                                 const std::function<std::unique_ptr<VLJSClassInfo>()>& build) {
    {
        std::lock_guard lock(cacheLock);
        auto found = classCache().find(type);
        if (found != classCache().end())
            return *found->second;
    }
    std::unique_ptr<VLJSClassInfo> built = build();
    std::lock_guard lock(cacheLock);
    std::unique_ptr<VLJSClassInfo>& info = classCache()[type];
    if (!info)
        info = std::move(built);
    return *info;
}

void VLJSClassLoader::finishClass(VLJSClassInfo& info) {
    info.finish(VLJSBindingObjectClass(), VLJSBindingBaseFinalizeCallback);
}

std::string VLJSClassLoader::defaultBindingClassName(std::string_view className) {
    constexpr std::string_view prefix = "VL", suffix = "JSBinding";
    if (className.size() > prefix.size() + suffix.size() && className.starts_with(prefix) &&
        className.ends_with(suffix))
        return std::string(className.substr(prefix.size(), className.size() - prefix.size() - suffix.size()));
    return std::string(className);
}

std::string VLJSClassLoader::defaultBindingClassName(const std::type_info& type) {
    return defaultBindingClassName(VLTypeName(type));
}

void VLJSClassLoader::loadBindingContext(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    JSGlobalContextRef ctx = bindingContext->globalCtx();
    JSObjectRef global = JSContextGetGlobalObject(ctx);
    VLJSString name(bindingContext->scopeName());
    JSValueRef existing = JSObjectGetProperty(ctx, global, name.get(), nullptr);
    if (existing && JSValueIsObjectOfClass(ctx, existing, scopeClass())) {
        // The global is read-only: a scope bound again keeps its object, which now reaches the new context.
        *static_cast<VLJSScopeContext*>(JSObjectGetPrivate(const_cast<JSObjectRef>(existing))) =
            bindingContext;
        return;
    }
    JSObjectRef scope = JSObjectMake(ctx, scopeClass(), new VLJSScopeContext(bindingContext));
    JSObjectSetProperty(ctx, global, name.get(), scope,
                        kJSPropertyAttributeReadOnly | kJSPropertyAttributeDontDelete, nullptr);
}

JSValueRef VLJSNotImplementedFunctionCallback(JSContextRef ctx, JSObjectRef function, JSObjectRef thisObject,
                                              size_t, const JSValueRef[], JSValueRef*) {
    if (!VLJSBindingGetObject(ctx, thisObject))
        return JSValueMakeUndefined(ctx);
    std::optional<std::string> name = VLJSValueToNSString(ctx, VLGetJSObjectProperty(ctx, function, "name"));
    if (name)
        VLJSConsoleWarn(ctx)(VLStringWithFormat("function `%@` is not implemented !", *name));
    return JSValueMakeUndefined(ctx);
}
