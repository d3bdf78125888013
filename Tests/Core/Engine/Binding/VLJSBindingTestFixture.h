#pragma once

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSClassInfo.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"

#include <JavaScriptCore/JavaScript.h>
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A binding context of the scope "VeltoTest" whose classes and preludes the test chooses.
class VLTestJSBindingContext : public VLJSBindingContext {
public:
    std::map<std::string, const VLJSClassInfo*> classes;
    std::map<std::string, std::string> preludes;

    std::string scopeName() const override { return "VeltoTest"; }
    std::map<std::string, std::string> polyfillScripts() const override { return preludes; }
    const VLJSClassInfo* bindingClassForName(std::string_view name) const override {
        auto found = classes.find(std::string(name));
        return found == classes.end() ? nullptr : found->second;
    }
};

// A bare script context on a run-loop thread of its own, with a test binding context bound to it.
// Test bodies that touch the context run on that thread through run().
class VLJSBindingFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Unbinds the binding context and releases both it and the script context, as an engine that ends.
    void endContext();
    // Runs the block on the JavaScript thread and waits for it.
    void run(const std::function<void()>& block);
    // Binds `bindingContext` (with whatever classes and preludes the test set) on the JavaScript thread.
    void bind();
    // Evaluates the script on the JavaScript thread; the result as its string conversion, or
    // "threw <name>: <message>" when it threw.
    std::string evaluate(std::string_view script);
    // Evaluates each script and expects its result.
    struct ScriptCase {
        const char* script;
        const char* expected;
    };
    void expectResults(std::initializer_list<ScriptCase> cases);
    // Collects garbage on the JavaScript thread, then lets the collected bindings retire there.
    void collectGarbage();

    std::shared_ptr<VLRunLoop> runLoop;
    JSGlobalContextRef ctx = nullptr;
    std::shared_ptr<VLTestJSBindingContext> bindingContext = std::make_shared<VLTestJSBindingContext>();
    // Exceptions handed to the binding context's exception handler, as "<name>: <message>".
    std::vector<std::string> reportedExceptions;
    // Texts written with console.warn.
    std::vector<std::string> warnings;
};
