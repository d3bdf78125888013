#include "Tests/Core/Engine/Binding/VLJSBindingTestFixture.h"

#include "Core/Engine/JS/VLJSDOMException.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"

extern "C" void JSSynchronousGarbageCollectForDebugging(JSContextRef ctx);

namespace {

std::string describeException(JSContextRef ctx, JSValueRef exception) {
    JSObjectRef error = JSValueToObject(ctx, exception, nullptr);
    std::string name =
        VLJSValueTransformToNSString(ctx, VLGetJSObjectProperty(ctx, error, "name")).value_or("");
    std::string message =
        VLJSValueTransformToNSString(ctx, VLGetJSObjectProperty(ctx, error, "message")).value_or("");
    return name + ": " + message;
}

JSValueRef recordWarning(JSContextRef ctx, JSObjectRef function, JSObjectRef, size_t argc,
                         const JSValueRef argv[], JSValueRef*) {
    auto* warnings = static_cast<std::vector<std::string>*>(JSObjectGetPrivate(function));
    warnings->push_back(argc > 0 ? VLJSValueTransformToNSString(ctx, argv[0]).value_or("") : "");
    return JSValueMakeUndefined(ctx);
}

// console.warn records what it is given, so that tests can read the console.
void recordConsoleWarnings(JSGlobalContextRef ctx, std::vector<std::string>* warnings) {
    static const JSClassRef recorderClass = [] {
        JSClassDefinition definition = kJSClassDefinitionEmpty;
        definition.callAsFunction = recordWarning;
        return JSClassCreate(&definition);
    }();
    JSObjectRef console =
        JSValueToObject(ctx, VLGetJSObjectProperty(ctx, JSContextGetGlobalObject(ctx), "console"), nullptr);
    JSObjectSetProperty(ctx, console, VLJSString("warn").get(), JSObjectMake(ctx, recorderClass, warnings), 0,
                        nullptr);
}

} // namespace

void VLJSBindingFixture::SetUp() {
    runLoop = VLRunLoop::create(VLRunLoopThread::create("app.velto.test"));
    run([&] {
        ctx = JSGlobalContextCreate(nullptr);
        VLJSDefineDOMException(ctx);
        recordConsoleWarnings(ctx, &warnings);
    });
}

void VLJSBindingFixture::bind() {
    run([&] {
        bindingContext->bindJSContext(ctx, nullptr, [this](JSContextRef ctx, JSValueRef exception) {
            reportedExceptions.push_back(describeException(ctx, exception));
        });
    });
}

void VLJSBindingFixture::TearDown() {
    endContext();
    runLoop.reset();
}

void VLJSBindingFixture::endContext() {
    run([&] {
        if (bindingContext)
            bindingContext->unbindJSContext();
        bindingContext.reset();
        if (ctx)
            JSGlobalContextRelease(ctx);
        ctx = nullptr;
    });
}

void VLJSBindingFixture::run(const std::function<void()>& block) {
    runLoop->performBlockSync(block);
}

std::string VLJSBindingFixture::evaluate(std::string_view script) {
    std::string result;
    run([&] {
        JSValueRef exception = nullptr;
        JSValueRef value = JSEvaluateScript(ctx, VLJSString(script).get(), nullptr, nullptr, 1, &exception);
        result = exception ? "threw " + describeException(ctx, exception)
                           : VLJSValueTransformToNSString(ctx, value).value_or("<no string>");
    });
    return result;
}

void VLJSBindingFixture::expectResults(std::initializer_list<ScriptCase> cases) {
    for (const ScriptCase& c : cases)
        EXPECT_EQ(c.expected, evaluate(c.script)) << c.script;
}

void VLJSBindingFixture::collectGarbage() {
    run([&] { JSSynchronousGarbageCollectForDebugging(ctx); });
    // The collected bindings were handed to the thread behind this block.
    run([] {});
}
