#pragma once

#include "Core/Engine/Binding/VLJSBindingBase.h"
#include "Core/Engine/Binding/VLJSClassLoader.h"

#include <memory>

// The base through which a binding class derives from its superclass. How a binding class is written:
//
//   // Scripts see "Gauge" (the name without "VL" and "JSBinding"; a static bindingClassName() names
//   // it otherwise). Add `public VLJSExportSingleton` for one instance per binding context at most.
//   class VLGaugeJSBinding : public VLJSBinding<VLGaugeJSBinding> {     // final, unless extended
//   public:
//       // Optional: refuse `new` before an instance exists, by storing an exception.
//       static void validateConstructionWithContext(JSContextRef ctx,
//           const std::shared_ptr<VLJSBindingContext>& bindingContext, size_t argc,
//           const JSValueRef argv[], JSValueRef* exception);
//       // Optional: read the arguments of `new`; false refuses (with the exception, if stored). The
//       // using-declaration keeps the other initWithContext() overload visible.
//       using Super::initWithContext;
//       bool initWithContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
//                            JSValueRef* exception) override;
//       // Optional: stop work and drop protected values; call Super::willCollectGarbage().
//       void willCollectGarbage() override;
//
//       // Typed: reset(5) passes 5, reset("5") 0; reset() returns undefined without running it.
//       JSValueRef reset(JSContextRef ctx, double level, std::optional<bool> animated);
//       JSValueRef log(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
//       JSValueRef level(JSContextRef ctx);                        // nullptr reads as null
//       void setLevel(JSContextRef ctx, float value);
//       static void describe(VLJSClassBuilder<VLGaugeJSBinding>& b) {
//           b.method<"reset", &VLGaugeJSBinding::reset>();           // nullptr returns undefined
//           b.function<"log", &VLGaugeJSBinding::log>();             // raw, for odd cases
//           b.property<"level", &VLGaugeJSBinding::level, &VLGaugeJSBinding::setLevel>();
//           b.constant("MAX_LEVEL", 100);
//       }
//   };
//
// The members of describe() are listed in VLJSClassBuilder.h, long lists in VLJSClassList.h. A class that
// others extend is written the same way without `final`; each subclass names its superclass as Super:
//   class VLDialJSBinding final : public VLJSBinding<VLDialJSBinding, VLGaugeJSBinding> { ... };
//   class VLButtonJSBinding final : public VLJSBinding<VLButtonJSBinding, VLEventedJSBindingBase> { ... };
// Deriving from a binding class in any other way is refused. A member that fails stores
// VLJSThrowException(ctx, exception, "TypeError: ...") and returns nullptr. Scripts reach
// a class through the scope of a binding context (for modules: VLRuntimeModule's BindingClass), and
// `new` needs a default constructor; natives hand out objects with createJSObjectWithContext().
// Everything runs on the binding context's JavaScript thread.
//
// VLJSBinding answers the class information of Self, so that every instance reaches its own class's
// tables, and gives a typed shared pointer to the instance.
template <typename Self, typename SuperClass = VLJSBindingBase>
class VLJSBinding : public SuperClass {
public:
    using Super = SuperClass;
    using SuperClass::SuperClass;

    const VLJSClassInfo& classInfo() const override { return VLJSClassLoader::loadNativeClass<Self>(); }

    std::shared_ptr<Self> sharedFromThis() {
        return std::static_pointer_cast<Self>(static_cast<VLJSBindingBase*>(this)->shared_from_this());
    }
};
