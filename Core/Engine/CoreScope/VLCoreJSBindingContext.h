#pragma once

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSClassTable.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

// The scope "VeltoCore" that every engine has: the core classes and the core prelude, which defines
// the global Velto object and the web-like globals before any other script runs.
class VLCoreJSBindingContext : public VLJSBindingContext {
public:
    // What the scope offers: its classes and its prelude.
    struct Contents {
        VLJSClassTable classes;
        std::string prelude;
    };

    // With the engine's own contents.
    VLCoreJSBindingContext() : _contents(engineContents()) {}
    // With other contents, for tests.
    explicit VLCoreJSBindingContext(Contents contents)
        : _ownContents(std::move(contents)), _contents(*_ownContents) {}

    // The engine's core classes and prelude, made once per process.
    static const Contents& engineContents();

    std::string scopeName() const override { return "VeltoCore"; }
    std::optional<std::string> polyfillScript() const override { return _contents.prelude; }
    const VLJSClassInfo* bindingClassForName(std::string_view name) const override {
        return _contents.classes.find(name);
    }

private:
    // Only for other contents; the engine's are shared by every engine.
    const std::optional<Contents> _ownContents;
    const Contents& _contents;
};
