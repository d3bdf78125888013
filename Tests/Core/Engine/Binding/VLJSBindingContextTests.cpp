#include "Core/Engine/CoreScope/VLCoreJSBindingContext.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeJSBindingContext.h"
#include "Core/Runtime/VLRuntimeModule.h"
#include "Core/Runtime/VLRuntimeModuleScripts.h"
#include "Tests/Core/Engine/Binding/VLJSBindingTestFixture.h"
#include "Tests/Core/Engine/Binding/VLJSTestBindings.h"
#include "Tests/Support/VLJSTestContext.h"
#include "Tests/Support/VLLogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// Runtime modules of the test executable. One carrier registers two of them in reverse order, so
// that the order of the preludes shows that it does not follow registration.
class VLZuluTestModule final : public VLDynamicParts {
public:
    using BindingClass = VLOtherJSBinding;
    static std::optional<std::string> polyfillScript() {
        return "order.push('Zulu:' + typeof VeltoRuntime.Other)";
    }
};
class VLAlphaTestModule final : public VLDynamicParts {
public:
    using BindingClass = VLProbeJSBinding;
    static std::optional<std::string> polyfillScript() { return "var order = ['Alpha']"; }
};
class VLEmptyTestModule final : public VLDynamicParts {
public:
    using BindingClass = VLEmitterJSBinding;
    static std::optional<std::string> polyfillScript() { return ""; }
};
class VLSilentTestModule final : public VLDynamicParts {
public:
    using BindingClass = VLSoleJSBinding;
};
class VLTestModules final : public VLDynamicParts {
public:
    static std::vector<VLPart> exports() {
        return {VLRuntimeModulePart<VLZuluTestModule>(), VLRuntimeModulePart<VLAlphaTestModule>(),
                VLRuntimeModulePart<VLEmptyTestModule>(), VLRuntimeModulePart<VLSilentTestModule>()};
    }
};
VL_EXPORT_PARTS(VLTestModules);

namespace {

using VLJSBindingContextTest = VLJSBindingFixture;

} // namespace

TEST_F(VLJSBindingContextTest, RuntimeScopeOffersTheModulesOfTheRegistry) {
    VLLogCapture capture(VLLogFlagDebug);
    // The library's own modules are registered as well; these are the test executable's.
    std::vector<std::string> classNames;
    for (const VLPart& part : VLRuntimeJSBindingContext::moduleClasses())
        if (part.description().ends_with("TestModule"))
            classNames.push_back(part.description());
    EXPECT_THAT(classNames, testing::ElementsAre("VLZuluTestModule", "VLAlphaTestModule", "VLEmptyTestModule",
                                                 "VLSilentTestModule"));
    VLLogFlush();
    EXPECT_THAT(capture.lines(), testing::Contains(testing::HasSubstr("Registered runtime modules: (")));

    auto runtimeContext = std::make_shared<VLRuntimeJSBindingContext>(nullptr);
    std::map<std::string, std::string> testScripts = runtimeContext->polyfillScripts();
    std::erase_if(testScripts,
                  [](const auto& keyAndScript) { return !keyAndScript.first.ends_with("Test"); });
    EXPECT_EQ(
        (std::map<std::string, std::string>{{"AlphaTest", "var order = ['Alpha']"},
                                            {"EmptyTest", ""},
                                            {"ZuluTest", "order.push('Zulu:' + typeof VeltoRuntime.Other)"}}),
        testScripts);
    run([&] { runtimeContext->bindJSContext(ctx, nullptr, nullptr); });
    expectResults({
        {"order", "Alpha,Zulu:object"},
        {"[typeof new VeltoRuntime.Probe().echo, typeof new VeltoRuntime.Emitter().addEventListener]",
         "function,function"},
        {"[VeltoRuntime.AlphaTest, VeltoRuntime.toString]", ","},
        {"VeltoRuntime = 0; delete VeltoRuntime; typeof VeltoRuntime.Sole", "object"},
    });
    run([&] { runtimeContext->setTerminated(true); });
    EXPECT_EQ("threw Error: The widget was stopped", evaluate("new VeltoRuntime.Other()"));
    run([&] { runtimeContext->unbindJSContext(); });
}

TEST_F(VLJSBindingContextTest, CoreScopeRunsItsPreludeUnderItsName) {
    auto coreContext = std::make_shared<VLCoreJSBindingContext>(VLCoreJSBindingContext::Contents{
        {&VLJSClassLoader::loadNativeClass<VLOtherJSBinding>()}, "var preludeURL = new Error().sourceURL"});
    run([&] { coreContext->bindJSContext(ctx, nullptr, nullptr); });
    EXPECT_EQ("polyfill/VeltoCore.js other:0 undefined",
              evaluate("[preludeURL, new VeltoCore.Other().echo(), String(VeltoCore.Probe)].join(' ')"));
    run([&] { coreContext->unbindJSContext(); });
    EXPECT_EQ("VeltoCore", VLCoreJSBindingContext().scopeName());
}

TEST(VLRuntimeModuleScripts, JoinsTheEventsScriptWithTheModuleScript) {
    int lookups = 0;
    std::map<std::string, std::string, std::less<>> resources = {{"events", "E"}, {"fonts", "F"}};
    auto lookup = [&](std::string_view name) -> std::optional<std::string_view> {
        ++lookups;
        auto found = resources.find(name);
        return found == resources.end() ? std::nullopt : std::optional<std::string_view>(found->second);
    };
    VLRuntimeModuleScripts scripts(lookup);
    VLLogCapture capture(VLLogFlagError);
    EXPECT_EQ("E\nF", scripts.moduleScript("fonts"));
    EXPECT_EQ("", scripts.moduleScript("storage"));
    int lookupsBefore = lookups;
    EXPECT_EQ("E\nF", scripts.moduleScript("fonts"));
    EXPECT_EQ("", scripts.moduleScript("storage"));
    EXPECT_EQ(lookupsBefore, lookups) << "results, empty ones too, are cached";
    EXPECT_EQ("E\nsource", scripts.moduleScriptWithSource("source"));
    VLLogFlush();
    EXPECT_THAT(capture.lines(), testing::ElementsAre(testing::HasSubstr(
                                     "Failed to load storage.js: not in the framework's resources")));

    resources.erase("events");
    VLRuntimeModuleScripts withoutEvents(lookup);
    EXPECT_EQ("", withoutEvents.moduleScriptWithSource("source"));
    EXPECT_EQ("", withoutEvents.moduleScript("fonts"));
    VLLogFlush();
    EXPECT_THAT(capture.lines().back(), testing::HasSubstr("Failed to load events.js"));
}

TEST(VLRuntimeModuleScripts, TheEventsScriptGivesModulesEventTargets) {
    EXPECT_TRUE(VLRuntimeResourceScript("events").has_value());
    VLJSTestContext context;
    context.evaluate("var errors = []; console.error = e => errors.push(String(e));");
    context.evaluate(VLRuntimeModuleScriptWithSource("var First = EventTarget;"));
    context.evaluate(VLRuntimeModuleScriptWithSource("var Second = EventTarget;"));
    JSValueRef result = context.evaluate(R"(
        class Player extends EventTarget {}
        EventTarget.defineHandlers(Player.prototype, ['end']);
        const p = new Player(), log = [];
        const f = e => log.push('f:' + e.type + ':' + (e.target === p));
        p.addEventListener('end', f);
        p.addEventListener('end', f);
        p.addEventListener('end', () => { log.push('once'); throw new Error('boom') }, {once: true});
        p.onend = () => log.push('handler');
        p.dispatchEvent(new Event('end'));
        p.removeEventListener('end', f);
        p.onend = 5;
        p.dispatchEvent(new Event('end'));
        [First === Second, log.join(), errors.join(), String(p.onend), Object.keys(globalThis).includes('EventTarget')].join(' ')
    )");
    EXPECT_EQ(VLValue("true f:end:true,once,handler Error: boom null false"),
              VLJSValueToNSObject(context, result));
}
