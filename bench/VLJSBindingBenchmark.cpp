// The cost of the binding layer against bare JavaScriptCore static callbacks of a class of the same
// shape (the floors): a raw binding function, a property getter, a typed method taking four numbers
// against a bare callback that converts them by hand, and a method inherited from a superclass against
// the same method called on its declaring class; and the registration of 512 constants. Prints the
// medians against their floors and goals at the end. Run pinned: taskset -c 2 VLJSBindingBenchmark.

#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/Binding/VLJSClassBuilder.h"
#include "Core/Engine/Binding/VLJSClassLoader.h"
#include "Core/Engine/JS/VLJSContext.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <typeindex>
#include <utility>
#include <vector>

namespace {

constexpr int kCallsPerLoop = 100000;
constexpr int kConstantCount = 512;
double sink = 0;

JSValueRef bareOne(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t count, const JSValueRef arguments[],
                   JSValueRef*) {
    sink += count ? VLJSValueToNumberFast(ctx, arguments[0]) : 0;
    return JSValueMakeUndefined(ctx);
}

// What a hand-written callback does for four single-precision arguments.
JSValueRef bareFour(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t count, const JSValueRef arguments[],
                    JSValueRef*) {
    if (count < 4)
        return JSValueMakeUndefined(ctx);
    const float x = float(VLJSValueToNumberFast(ctx, arguments[0]));
    const float y = float(VLJSValueToNumberFast(ctx, arguments[1]));
    const float z = float(VLJSValueToNumberFast(ctx, arguments[2]));
    const float w = float(VLJSValueToNumberFast(ctx, arguments[3]));
    sink += x + y + z + w;
    return JSValueMakeUndefined(ctx);
}

JSValueRef bareGetter(JSContextRef ctx, JSObjectRef, JSStringRef, JSValueRef*) {
    return JSValueMakeNumber(ctx, 1);
}

// f(x), the getter x and four(x, y, z, w), doing what their bare peers do.
class VLBenchJSBinding : public VLJSBinding<VLBenchJSBinding> {
public:
    JSValueRef f(JSContextRef ctx, size_t count, const JSValueRef arguments[], JSValueRef* exception) {
        return bareOne(ctx, nullptr, nullptr, count, arguments, exception);
    }
    JSValueRef x(JSContextRef ctx) { return JSValueMakeNumber(ctx, 1); }
    void four(JSContextRef, float x, float y, float z, float w) { sink += x + y + z + w; }
    static void describe(VLJSClassBuilder<VLBenchJSBinding>& b) {
        b.function<"f", &VLBenchJSBinding::f>();
        b.getter<"x", &VLBenchJSBinding::x>();
        b.method<"four", &VLBenchJSBinding::four>();
    }
};

// Inherits four() and adds nothing that it calls.
class VLBenchSubclassJSBinding final : public VLJSBinding<VLBenchSubclassJSBinding, VLBenchJSBinding> {
public:
    void other(JSContextRef) {}
    static void describe(VLJSClassBuilder<VLBenchSubclassJSBinding>& b) {
        b.method<"other", &VLBenchSubclassJSBinding::other>();
    }
};

// An object of a bare class with the static functions f and four and the static value x, whose parent
// class is the binding classes' own, so that only the binding layer differs.
JSObjectRef makeBareObject(JSContextRef ctx) {
    static const JSClassRef bareClass = [] {
        static const JSStaticFunction functions[] = {{"f", bareOne, kJSPropertyAttributeDontDelete},
                                                     {"four", bareFour, kJSPropertyAttributeDontDelete},
                                                     {}};
        static const JSStaticValue values[] = {
            {"x", bareGetter, nullptr, kJSPropertyAttributeDontDelete | kJSPropertyAttributeReadOnly}, {}};
        JSClassDefinition definition = kJSClassDefinitionEmpty;
        definition.className = "Bare";
        definition.parentClass = VLJSBindingObjectClass();
        definition.staticFunctions = functions;
        definition.staticValues = values;
        return JSClassCreate(&definition);
    }();
    return JSObjectMake(ctx, bareClass, nullptr);
}

// Runs the loop body kCallsPerLoop times per iteration with the global "o" set to the object.
void runMemberLoop(benchmark::State& state, VLJSContext& context, JSObjectRef object, const char* body) {
    VLJSString name("o");
    JSObjectSetProperty(context.globalContext(), context.globalObject(), name.get(), object,
                        kJSPropertyAttributeNone, nullptr);
    const std::string script = "(function () { let s = 0; for (let i = 0; i < " +
                               std::to_string(kCallsPerLoop) + "; ++i) " + body + "; return s; })()";
    for (auto _ : state)
        context.evaluateScript(script);
    state.SetItemsProcessed(state.iterations() * kCallsPerLoop);
}

void runBareLoop(benchmark::State& state, const char* body) {
    VLJSContext context;
    runMemberLoop(state, context, makeBareObject(context.globalContext()), body);
}

// Runs the loop over a binding object of class T in a bound binding context.
template <typename T>
void runBindingLoop(benchmark::State& state, const char* body) {
    VLJSContext context;
    auto bindingContext = std::make_shared<VLJSBindingContext>();
    bindingContext->bindJSContext(context.globalContext(), nullptr, nullptr);
    JSObjectRef object = VLJSBindingBase::createJSObjectWithContext(context.globalContext(), bindingContext,
                                                                    std::make_shared<T>());
    runMemberLoop(state, context, object, body);
    bindingContext->unbindJSContext();
}

constexpr const char* kFourNumbers = "o.four(i, 0.5, 1.5, 2)";

void BM_BareStaticFunction(benchmark::State& state) {
    runBareLoop(state, "o.f(i)");
}
void BM_BindingFunction(benchmark::State& state) {
    runBindingLoop<VLBenchJSBinding>(state, "o.f(i)");
}
void BM_BareStaticGetter(benchmark::State& state) {
    runBareLoop(state, "s += o.x");
}
void BM_BindingGetter(benchmark::State& state) {
    runBindingLoop<VLBenchJSBinding>(state, "s += o.x");
}
void BM_BareFourNumbers(benchmark::State& state) {
    runBareLoop(state, kFourNumbers);
}
void BM_TypedFourNumbers(benchmark::State& state) {
    runBindingLoop<VLBenchJSBinding>(state, kFourNumbers);
}
void BM_InheritedFourNumbers(benchmark::State& state) {
    runBindingLoop<VLBenchSubclassJSBinding>(state, kFourNumbers);
}

// The registration of a class's constants, from its describe() to its JavaScript class.
void BM_Register512Constants(benchmark::State& state) {
    std::vector<std::pair<std::string, double>> table;
    for (int index = 0; index < kConstantCount; ++index)
        table.emplace_back("CONSTANT_" + std::to_string(index), index);
    for (auto _ : state) {
        VLJSClassInfo info(typeid(VLBenchJSBinding), "Constants", nullptr, {});
        VLJSClassBuilder<VLBenchJSBinding> builder(info);
        builder.constants(table);
        info.finish(nullptr, nullptr);
        benchmark::DoNotOptimize(info.jsClass());
    }
}

void registerBenchmarks() {
    using Body = void (*)(benchmark::State&);
    for (auto [name, function] :
         {std::pair<const char*, Body>{"BM_BareStaticFunction", BM_BareStaticFunction},
          {"BM_BindingFunction", BM_BindingFunction},
          {"BM_BareStaticGetter", BM_BareStaticGetter},
          {"BM_BindingGetter", BM_BindingGetter},
          {"BM_BareFourNumbers", BM_BareFourNumbers},
          {"BM_TypedFourNumbers", BM_TypedFourNumbers},
          {"BM_InheritedFourNumbers", BM_InheritedFourNumbers}})
        benchmark::RegisterBenchmark(name, function)
            ->Repetitions(VLBenchmarkReporter::kRepetitions)
            ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("BM_Register512Constants", BM_Register512Constants)
        ->Repetitions(VLBenchmarkReporter::kRepetitions)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMicrosecond);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    registerBenchmarks();
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("binding function", "BM_BindingFunction", "BM_BareStaticFunction", 1.5,
                        kCallsPerLoop);
    reporter.printRatio("binding getter", "BM_BindingGetter", "BM_BareStaticGetter", 1.5, kCallsPerLoop);
    reporter.printRatio("typed call with four numbers", "BM_TypedFourNumbers", "BM_BareFourNumbers", 1.3,
                        kCallsPerLoop);
    reporter.printRatio("inherited typed call", "BM_InheritedFourNumbers", "BM_TypedFourNumbers", 1.1,
                        kCallsPerLoop);
    if (std::optional<double> constants = reporter.median("BM_Register512Constants"))
        std::printf("512 constants registered: %.3f ms (goal well under 1 ms)\n", *constants / 1e6);
    benchmark::Shutdown();
    return 0;
}
