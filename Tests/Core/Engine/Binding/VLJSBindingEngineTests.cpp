#include "Core/Engine/Binding/VLJSClassLoader.h"
#include "Core/Engine/CoreScope/VLCoreJSBindingContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Tests/Core/Engine/Binding/VLJSBindingTestFixture.h"
#include "Tests/Core/Engine/Binding/VLJSTestBindings.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>

extern "C" void JSSynchronousGarbageCollectForDebugging(JSContextRef ctx);

namespace {

// The test bindings in an engine, as a runtime's would be: scripts reach them through the scope
// "VeltoTest", exceptions and console output go the engine's ways.
class VLJSBindingEngineTest : public testing::Test {
protected:
    void SetUp() override {
        VLProbeCounters::reset();
        engine = VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>(),
                                    VLJSEngine::RejectionTracking::Fallback);
        engine->setExceptionHandler([this](const std::string& message, const std::optional<std::string>&) {
            std::lock_guard lock(reportsLock);
            reports.push_back(message);
        });
        engine->setConsoleHandler([this](const std::string& level, const std::string& text) {
            std::lock_guard lock(reportsLock);
            console.push_back(level + " " + text);
        });
        auto bindingContext = std::make_shared<VLTestJSBindingContext>();
        bindingContext->classes = {{"Probe", &VLJSClassLoader::loadNativeClass<VLProbeJSBinding>()},
                                   {"Emitter", &VLJSClassLoader::loadNativeClass<VLEmitterJSBinding>()},
                                   {"Sole", &VLJSClassLoader::loadNativeClass<VLSoleJSBinding>()}};
        engine->injectBindingContext(bindingContext);
    }

    // The script's completion value, which the scripts here make a string.
    std::string evaluate(std::string_view script) {
        return engine->evaluateScript(script, "test.js").stringValue();
    }

    void collectGarbage() {
        engine->runLoop()->performBlockSync(
            [&] { JSSynchronousGarbageCollectForDebugging(engine->context()->globalContext()); });
        engine->runLoop()->performBlockSync([] {});
    }

    bool reported(const std::string& text) {
        std::lock_guard lock(reportsLock);
        for (const std::string& report : reports) {
            if (report.find(text) != std::string::npos)
                return true;
        }
        return false;
    }

    std::shared_ptr<VLJSEngine> engine;
    std::mutex reportsLock; // guards reports and console, written on the JavaScript thread
    std::vector<std::string> reports;
    std::vector<std::string> console;
};

} // namespace

TEST_F(VLJSBindingEngineTest, ScriptsReachBindingsThroughTheEngine) {
    EXPECT_EQ("probe:1 3 null 4 probe",
              evaluate("var p = new VeltoTest.Probe();"
                       "[p.echo(0), p.size, String(p.empty), p.LIMIT, p.KIND].join(' ')"));
    EXPECT_EQ("TypeError Illegal invocation",
              evaluate("try { p.echo.call({}) } catch (e) { e.name + ' ' + e.message }"));
    EXPECT_EQ("Illegal constructor",
              evaluate("new VeltoTest.Sole(); try { new VeltoTest.Sole() } catch (e) { e.message }"));
    EXPECT_EQ("undefined", evaluate("String(p.requestFullscreen())"));
    std::lock_guard lock(reportsLock);
    EXPECT_THAT(console,
                testing::Contains(testing::AllOf(testing::StartsWith("warn ["),
                                                 testing::EndsWith("] function `requestFullscreen` is not "
                                                                   "implemented !"))));
}

TEST_F(VLJSBindingEngineTest, ListenerFailuresAndRejectionsAreReported) {
    evaluate("var e = new VeltoTest.Emitter(), ran = [];"
             "e.addEventListener('ping', () => { throw new RangeError('listener failed') });"
             "e.addEventListener('ping', () => Promise.reject(new TypeError('rejected later')));"
             "e.onping = () => ran.push('handler');"
             "e.fire('ping'); ''");
    EXPECT_EQ("handler", evaluate("ran.join()"));
    EXPECT_TRUE(reported("RangeError: listener failed"));
    EXPECT_TRUE(
        VLWaitUntil([&] { return reported("Unhandled promise rejection: TypeError: rejected later"); }));
}

TEST_F(VLJSBindingEngineTest, BindingsAreFreedWhenCollectedAndWhenTheEngineEnds) {
    evaluate("(function () { for (let i = 0; i < 10000; i++) new VeltoTest.Probe(); })(); ''");
    collectGarbage();
    EXPECT_EQ(0, VLProbeCounters::alive);
    EXPECT_EQ(10000, VLProbeCounters::retiredOnThread);

    evaluate("var kept = []; for (let i = 0; i < 100; i++) kept.push(new VeltoTest.Probe()); ''");
    EXPECT_EQ(100, VLProbeCounters::alive);
    engine.reset();
    EXPECT_TRUE(VLWaitUntil([] { return VLProbeCounters::alive == 0; }));
    EXPECT_EQ(10100, VLProbeCounters::retired);
}
