#include "Core/Runtime/VLRuntime.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/Binding/VLJSClassLoader.h"
#include "Core/Engine/CoreScope/VLUtilsJSBinding.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Engine/Support/VLScopeExit.h"
#include "Platform/Foundation/VLManualDelayScheduler.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gtest/gtest.h>

namespace {

// A second Utils object in a scope of its own, which the test can reach from native code.
class VLProbeJSBindingContext : public VLJSBindingContext {
public:
    std::string scopeName() const override { return "VeltoProbe"; }
    std::optional<std::string> polyfillScript() const override {
        return "var probeUtils = new VeltoProbe.Utils();";
    }
    const VLJSClassInfo* bindingClassForName(std::string_view name) const override {
        return name == "Utils" ? &VLJSClassLoader::loadNativeClass<VLUtilsJSBinding>() : nullptr;
    }
};

class VLRuntimeTest : public testing::Test {
protected:
    // Ends the runtimes and waits for their threads, so that none outlives the test.
    void TearDown() override {
        std::vector<std::shared_ptr<VLRunLoopThread>> threads;
        for (const auto& runtime : runtimes)
            threads.push_back(runtime->engine()->runLoop()->thread());
        runtimes.clear();
        for (const auto& thread : threads)
            EXPECT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
    }

    std::shared_ptr<VLRuntime> makeRuntime() {
        std::shared_ptr<VLRuntime> runtime = VLRuntime::create();
        runtime->engine()->injectBindingContext(std::make_shared<VLProbeJSBindingContext>());
        runtimes.push_back(runtime);
        return runtime;
    }

    static VLValue evaluate(const std::shared_ptr<VLRuntime>& runtime, std::string_view script) {
        return runtime->engine()->evaluateScript(script, "test.js");
    }

    static void waitFor(const std::shared_ptr<VLRuntime>& runtime, std::string_view condition) {
        EXPECT_TRUE(VLWaitUntil([&] { return evaluate(runtime, condition) == VLValue(true); })) << condition;
    }

    // The throttle of the probe's timers, read on the JavaScript thread.
    static double probeThrottle(const std::shared_ptr<VLRuntime>& runtime) {
        double throttle = -1;
        const std::shared_ptr<VLJSEngine>& engine = runtime->engine();
        engine->runLoop()->performBlockSync([&] {
            JSGlobalContextRef ctx = engine->context()->globalContext();
            JSValueRef probe = VLGetJSObjectProperty(ctx, JSContextGetGlobalObject(ctx), "probeUtils");
            if (auto* utils = VLJSBindingGetObjectOfClass<VLUtilsJSBinding>(ctx, probe))
                throttle = utils->timerThrottleInterval();
        });
        return throttle;
    }

    std::vector<std::shared_ptr<VLRuntime>> runtimes;
};

} // namespace

TEST_F(VLRuntimeTest, PostsSuspensionChangesOnlyWhileAlive) {
    std::shared_ptr<VLRuntime> runtime = makeRuntime();
    int posts = 0;
    auto observer = VLNotificationCenter::defaultCenter().addObserver(
        VLRuntimeSuspendedDidChangeNotification, runtime.get(), [&](const VLNotification&) { ++posts; });

    runtime->setSuspended(true);
    runtime->setSuspended(true);
    EXPECT_EQ(1, posts);
    EXPECT_TRUE(runtime->isSuspended());
    runtime->setSuspended(false);
    EXPECT_EQ(2, posts);

    runtime->terminate();
    runtime->terminate();
    runtime->setSuspended(true);
    EXPECT_EQ(2, posts);
    EXPECT_FALSE(runtime->isSuspended());
    EXPECT_TRUE(runtime->isTerminated());
}

TEST_F(VLRuntimeTest, VeltoCarriesTheAPIVersion) {
    std::shared_ptr<VLRuntime> runtime = makeRuntime();
    EXPECT_EQ(VLValue("9 true"),
              evaluate(runtime, "Velto.apiVersion + ' ' + Object.keys(Velto).includes('apiVersion')"));
}

TEST_F(VLRuntimeTest, SuspensionThrottlesTheTimersOfItsOwnRuntimeOnly) {
    std::shared_ptr<VLRuntime> suspended = makeRuntime();
    std::shared_ptr<VLRuntime> other = makeRuntime();
    ASSERT_EQ(0, probeThrottle(suspended));
    ASSERT_EQ(0, probeThrottle(other));

    suspended->setSuspended(true);
    EXPECT_TRUE(VLWaitUntil([&] { return probeThrottle(suspended) == 1.0; }));
    // Every observer's work for that notification was posted to the suspended runtime's thread, and
    // has run there by now.
    EXPECT_EQ(0, probeThrottle(other));

    suspended->setSuspended(false);
    EXPECT_TRUE(VLWaitUntil([&] { return probeThrottle(suspended) == 0; }));
}

TEST_F(VLRuntimeTest, AUtilsObjectMadeWhileSuspendedStartsThrottled) {
    std::shared_ptr<VLRuntime> runtime = VLRuntime::create();
    runtimes.push_back(runtime);
    EXPECT_EQ(runtime, VLRuntime::runtimeOwningEngine(*runtime->engine()));
    runtime->setSuspended(true);
    // The probe's Utils object is made after the notice has gone by.
    runtime->engine()->injectBindingContext(std::make_shared<VLProbeJSBindingContext>());
    EXPECT_EQ(1.0, probeThrottle(runtime));

    runtime->setSuspended(false);
    EXPECT_TRUE(VLWaitUntil([&] { return probeThrottle(runtime) == 0; }));
}

TEST_F(VLRuntimeTest, TimersOfASuspendedRuntimeRunAboutOnceASecondUntilItResumes) {
    std::shared_ptr<VLRuntime> runtime = makeRuntime();
    // Once the preludes have run, so that the Utils objects are there to hear of the suspension.
    ASSERT_EQ(0, probeThrottle(runtime));
    runtime->setSuspended(true);
    ASSERT_TRUE(VLWaitUntil([&] { return probeThrottle(runtime) == 1.0; }));

    evaluate(runtime, "var runs = []; setInterval(() => runs.push(performance.now()), 10);");
    waitFor(runtime, "runs.length === 3");
    // Never sooner than the throttle allows; the first run needs no wait.
    EXPECT_EQ(VLValue(true), evaluate(runtime, "runs[2] - runs[1] >= 999 && runs[1] - runs[0] >= 999"))
        << evaluate(runtime, "runs.join()").stringValue();

    runtime->setSuspended(false);
    // The run that waited for the next tick comes at once, and the interval goes on at its own pace.
    waitFor(runtime, "runs.length >= 13");
    EXPECT_EQ(0, probeThrottle(runtime));
}

TEST_F(VLRuntimeTest, TerminationEndsTheTimersOfItsOwnContextOnly) {
    std::shared_ptr<VLRuntime> ending = makeRuntime();
    std::shared_ptr<VLRuntime> other = makeRuntime();
    for (const auto& runtime : {ending, other})
        evaluate(runtime, "var ticks = 0; setInterval(() => ticks++, 1);");
    waitFor(ending, "ticks > 0");

    ending->terminate();
    // The termination work runs on the ending runtime's thread ahead of this evaluation.
    const VLValue ticksAtEnd = evaluate(ending, "ticks");
    EXPECT_EQ(VLValue(true), evaluate(ending, "typeof setTimeout(() => ticks++, 0) === 'number'"));
    waitFor(other, "ticks > 20");
    EXPECT_EQ(ticksAtEnd, evaluate(ending, "ticks"));
}

TEST_F(VLRuntimeTest, GarbageCollectionRequestsJoinThePendingOne) {
    auto scheduler = std::make_shared<VLManualDelayScheduler>();
    VLDelayScheduler::setShared(scheduler);
    VLScopeExit restoreScheduler([] { VLDelayScheduler::setShared(nullptr); });
    std::shared_ptr<VLRuntime> runtime = makeRuntime();
    const auto collectionHasRun = [&] { runtime->engine()->runLoop()->performBlockSync([] {}); };

    runtime->setNeedsGarbageCollection();
    runtime->setNeedsGarbageCollection();
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{1.0});
    scheduler->advance(1.0);
    collectionHasRun();

    runtime->setNeedsGarbageCollection();
    EXPECT_EQ(scheduler->pendingCount(), 1u) << "a request after the collection asks again";
    scheduler->advance(1.0);
    collectionHasRun();

    runtime->terminate();
    runtime->setNeedsGarbageCollection();
    EXPECT_EQ(scheduler->pendingCount(), 0u);
}
