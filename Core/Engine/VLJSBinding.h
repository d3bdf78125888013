#pragma once

#include "Core/Engine/VLJSBindingBase.h"
#include "Core/Engine/VLJSClassLoader.h"

#include <memory>

// The base through which a binding class derives from its superclass:
//
//   class VLFooJSBinding final : public VLJSBinding<VLFooJSBinding> { ... };
//   class VLBarJSBinding final : public VLJSBinding<VLBarJSBinding, VLEventedJSBindingBase> { ... };
//
// It names the superclass (Super), answers the class information of Self, so that every instance
// reaches its own class's tables, and gives a typed shared pointer to the instance.
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
