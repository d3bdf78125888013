#include "Core/Runtime/VLRuntime.h"

#include "Core/Engine/Binding/VLEventedJSBindingBase.h"
#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/Binding/VLJSClassLoader.h"
#include "Core/Engine/CoreScope/VLUtilsJSBinding.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Engine/Support/VLScopeExit.h"
#include "Core/Runtime/VLBlobURLStore.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLFileSystemManager.h"
#include "Core/Runtime/VLWidgetWindowComponent.h"
#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLManualDelayScheduler.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLPrivateTMPDIR.h"
#include "Tests/Support/VLTestPackage.h"
#include "Tests/Support/VLTestSignal.h"
#include "Tests/Support/VLValuePrinter.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <thread>

using testing::Contains;
using testing::StartsWith;

namespace {

// Stands in for the System module's binding: an evented object scripts put at Velto.system.
class VLSystemProbeJSBinding final : public VLJSBinding<VLSystemProbeJSBinding, VLEventedJSBindingBase> {
public:
    static void describe(VLJSClassBuilder<VLSystemProbeJSBinding>& b) {
        b.eventHandler("onparameterschange");
    }
};

// A second Utils object and a System stand-in in a scope of their own, which the test can reach.
class VLProbeJSBindingContext : public VLJSBindingContext {
public:
    std::string scopeName() const override { return "VeltoProbe"; }
    std::optional<std::string> polyfillScript() const override {
        return "var probeUtils = new VeltoProbe.Utils();";
    }
    const VLJSClassInfo* bindingClassForName(std::string_view name) const override {
        if (name == "Utils")
            return &VLJSClassLoader::loadNativeClass<VLUtilsJSBinding>();
        if (name == "SystemProbe")
            return &VLJSClassLoader::loadNativeClass<VLSystemProbeJSBinding>();
        return nullptr;
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

    std::shared_ptr<VLRuntime> makeBareRuntime() {
        std::shared_ptr<VLRuntime> runtime = VLRuntime::create(std::make_shared<VLBundle>(package.path()));
        runtimes.push_back(runtime);
        return runtime;
    }

    std::shared_ptr<VLRuntime> makeRuntime() {
        std::shared_ptr<VLRuntime> runtime = makeBareRuntime();
        runtime->engine()->injectBindingContext(std::make_shared<VLProbeJSBindingContext>());
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

    // The answer of a parameters update, which arrives on the main queue.
    static std::optional<bool> updateParameters(const std::shared_ptr<VLRuntime>& runtime,
                                                const VLValue& parameters) {
        std::optional<bool> answer;
        runtime->updateParameters(parameters, [&](bool updated) {
            EXPECT_TRUE(VLMainQueue::isCurrent());
            answer = updated;
        });
        EXPECT_FALSE(answer) << "answered before the main queue ran";
        VLMainQueue::runUntil([&] { return answer.has_value(); });
        return answer;
    }

    // What loading the package reports.
    static VLErrorRef loadPackage(const std::shared_ptr<VLRuntime>& runtime) {
        VLErrorRef result;
        VLTestSignal loaded;
        runtime->loadPackage([&](const VLErrorRef& error) {
            result = error;
            loaded.raise();
        });
        EXPECT_TRUE(loaded.wait());
        return result;
    }

    VLTestPackage package;
    std::vector<std::shared_ptr<VLRuntime>> runtimes;
};

// Counts the notifications of one name posted for the runtime, and on which thread they came.
class NoticeCounter {
public:
    NoticeCounter(const char* name, const std::shared_ptr<VLRuntime>& runtime)
        : _observer(
              VLNotificationCenter::defaultCenter().addObserver(name, runtime.get(), [this](const auto&) {
                  ++_count;
                  _offMainThread += !VLMainQueue::isCurrent();
              })) {}

    int count() const { return _count.load(); }
    int offMainThread() const { return _offMainThread.load(); }

private:
    std::atomic<int> _count{0};
    std::atomic<int> _offMainThread{0};
    std::shared_ptr<VLNotificationCenter::Observer> _observer;
};

} // namespace

TEST_F(VLRuntimeTest, ANewRuntimeHasItsIdentityDefaultsAndAPIVersion) {
    std::shared_ptr<VLRuntime> runtime = makeBareRuntime();
    const std::string identity = runtime->identity(); // a copy each time: one string for both ends
    EXPECT_EQ(36u, identity.size());
    EXPECT_TRUE(std::none_of(identity.begin(), identity.end(), ::islower));
    EXPECT_NE(runtime->identity(), makeBareRuntime()->identity());
    EXPECT_EQ(1.0f, runtime->volume());
    EXPECT_TRUE(runtime->nudgesWidgetResizeHint());
    EXPECT_TRUE(runtime->hostArea().isNull());
    EXPECT_EQ(60u, runtime->preferredFramesPerSecond());
    EXPECT_EQ(package.path(), runtime->bundlePath());
    EXPECT_EQ(VLValue("9 true true"),
              evaluate(runtime, "Velto.apiVersion + ' ' + Object.keys(Velto).includes('apiVersion') + ' ' + "
                                "(typeof VeltoRuntime === 'object')"));
}

TEST_F(VLRuntimeTest, SuspensionPostsOnTheMainThreadOnlyOnChangesWhileAlive) {
    std::shared_ptr<VLRuntime> runtime = makeRuntime();
    NoticeCounter notices(VLRuntimeSuspendedDidChangeNotification, runtime);

    runtime->setSuspensionReason(3);
    EXPECT_EQ(0, notices.count()) << "a reason alone, while running, is only stored";
    EXPECT_TRUE(runtime->setValueForKey("suspensionReason", VLValue(4.0)));
    EXPECT_EQ(4, runtime->suspensionReason());

    std::thread([&] { runtime->setSuspended(true); }).join();
    EXPECT_EQ(0, notices.count()) << "not posted off the main thread";
    VLMainQueue::runUntil([&] { return notices.count() == 1; });
    EXPECT_TRUE(runtime->isSuspended());
    EXPECT_TRUE(runtime->isPlaybackPaused());

    runtime->setSuspended(true);
    EXPECT_EQ(1, notices.count()) << "unchanged";
    runtime->setSuspensionReason(4);
    EXPECT_EQ(1, notices.count()) << "the same reason";
    EXPECT_TRUE(runtime->setValueForKey("suspensionReason", VLValue(int64_t(5))));
    EXPECT_EQ(2, notices.count()) << "a new reason while suspended";
    runtime->setSuspended(false);
    EXPECT_EQ(3, notices.count());
    EXPECT_FALSE(runtime->isPlaybackPaused());

    runtime->terminate();
    runtime->setSuspended(true);
    runtime->setSuspensionReason(9);
    EXPECT_EQ(3, notices.count());
    EXPECT_FALSE(runtime->isSuspended());
    EXPECT_EQ(0, notices.offMainThread());
}

TEST_F(VLRuntimeTest, RenderingPausesPausePlaybackWithoutANotice) {
    std::shared_ptr<VLRuntime> runtime = makeBareRuntime();
    NoticeCounter notices(VLRuntimeSuspendedDidChangeNotification, runtime);
    EXPECT_TRUE(runtime->setValueForKey("renderingPaused", VLValue(true)));
    EXPECT_TRUE(runtime->isRenderingPaused());
    EXPECT_TRUE(runtime->isPlaybackPaused());
    runtime->setSuspended(true);
    EXPECT_TRUE(runtime->setValueForKey("renderingPaused", VLValue(0)));
    EXPECT_TRUE(runtime->isPlaybackPaused()) << "still suspended";
    runtime->setSuspended(false);
    EXPECT_FALSE(runtime->isPlaybackPaused());
    EXPECT_EQ(2, notices.count());

    runtime->terminate();
    runtime->setRenderingPaused(true);
    EXPECT_FALSE(runtime->isRenderingPaused());
}

TEST_F(VLRuntimeTest, KeyValueSettingTakesOnlyItsKeysAndTypes) {
    std::shared_ptr<VLRuntime> runtime = makeBareRuntime();
    const struct {
        const char* key;
        VLValue value;
    } refused[] = {
        {"suspensionReason", VLValue("7")},  {"suspensionReason", VLValue(NAN)},
        {"suspensionReason", VLValue(1e19)}, {"suspensionReason", VLValue()},
        {"renderingPaused", VLValue("yes")}, {"renderingPaused", VLValue::null()},
        {"suspended", VLValue(true)},        {"volume", VLValue(0.5)},
    };
    for (const auto& [key, value] : refused)
        EXPECT_FALSE(runtime->setValueForKey(key, value)) << key << " " << value.description();
    EXPECT_EQ(0, runtime->suspensionReason());
    EXPECT_FALSE(runtime->isRenderingPaused());
    EXPECT_FALSE(runtime->isSuspended());
    EXPECT_EQ(1.0f, runtime->volume());
    EXPECT_TRUE(runtime->setValueForKey("suspensionReason", VLValue(-2.9)));
    EXPECT_EQ(-2, runtime->suspensionReason());
}

TEST_F(VLRuntimeTest, VolumeIsClampedAndEachChangePostedOnceOnTheMainThread) {
    std::shared_ptr<VLRuntime> runtime = makeBareRuntime();
    NoticeCounter notices(VLRuntimeVolumeDidChangeNotification, runtime);
    const struct {
        float set;
        float stored;
        int notices;
    } steps[] = {{1.7f, 1.0f, 0}, {-0.2f, 0.0f, 1}, {NAN, 1.0f, 2}, {0.5f, 0.5f, 3}, {0.5f, 0.5f, 3}};
    for (const auto& step : steps) {
        runtime->setVolume(step.set);
        EXPECT_EQ(step.stored, runtime->volume()) << step.set;
        EXPECT_EQ(step.notices, notices.count()) << step.set;
    }

    std::thread([&] { runtime->setMutedByUser(true); }).join();
    EXPECT_EQ(0.0f, runtime->outputVolume());
    VLMainQueue::runUntil([&] { return notices.count() == 4; });
    runtime->setMuted(true);
    runtime->setMutedByUser(false);
    EXPECT_EQ(0.0f, runtime->outputVolume());
    runtime->setMuted(false);
    EXPECT_EQ(0.5f, runtime->outputVolume());
    EXPECT_EQ(7, notices.count());

    runtime->terminate();
    runtime->setVolume(0.25f);
    EXPECT_EQ(0.25f, runtime->volume()) << "volume still works after termination";
    EXPECT_EQ(8, notices.count());
    EXPECT_EQ(0, notices.offMainThread());
}

TEST_F(VLRuntimeTest, DropTokensBeyond256ForgetTheOldest) {
    std::shared_ptr<VLRuntime> runtime = makeBareRuntime();
    std::vector<VLURL> urls;
    for (int i = 0; i < 300; ++i)
        urls.emplace_back("file:///drop/" + std::to_string(i));
    const std::vector<std::string> tokens = runtime->registerDroppedFileURLs(urls);
    ASSERT_EQ(300u, tokens.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::optional<VLURL> url = runtime->fileURLForDropToken(tokens[i]);
        if (i < 44)
            EXPECT_FALSE(url) << i;
        else
            EXPECT_EQ(urls[i].absoluteString(), url ? url->absoluteString() : "") << i;
    }

    runtime->forgetDropToken(tokens[299]);
    runtime->forgetDropToken("not a token");
    EXPECT_FALSE(runtime->fileURLForDropToken(tokens[299]));
    // The forgotten token left the order too: 256 more still push out exactly the 255 that remained.
    const std::vector<std::string> more = runtime->registerDroppedFileURLs(std::vector<VLURL>(256, urls[0]));
    EXPECT_FALSE(runtime->fileURLForDropToken(tokens[298]));
    EXPECT_TRUE(runtime->fileURLForDropToken(more.front()));
}

TEST_F(VLRuntimeTest, GarbageCollectionRequestsMadeWhileOneIsPendingJoinIt) {
    auto scheduler = std::make_shared<VLManualDelayScheduler>();
    VLDelayScheduler::setShared(scheduler);
    VLScopeExit restoreScheduler([] { VLDelayScheduler::setShared(nullptr); });
    std::shared_ptr<VLRuntime> runtime = makeRuntime();
    const auto collections = [&] {
        runtime->engine()->runLoop()->performBlockSync([] {});
        return runtime->garbageCollectionCount();
    };

    runtime->setNeedsGarbageCollection();
    scheduler->advance(0.5);
    runtime->setNeedsGarbageCollection();
    EXPECT_EQ(0u, collections());
    scheduler->advance(0.5);
    EXPECT_EQ(1u, collections()) << "a second after the first request";
    scheduler->advance(5);
    EXPECT_EQ(1u, collections()) << "the second request joined the first";

    runtime->setNeedsGarbageCollection();
    EXPECT_EQ(scheduler->pendingDelays(), std::vector<double>{1.0})
        << "a request after the collection asks again";
    runtime->terminate();
    scheduler->advance(1);
    EXPECT_EQ(1u, collections()) << "none once terminated";
    runtime->setNeedsGarbageCollection();
    EXPECT_EQ(0u, scheduler->pendingCount());
}

TEST_F(VLRuntimeTest, ParameterUpdatesReachAListeningSystemBinding) {
    std::shared_ptr<VLRuntime> runtime = makeRuntime();
    evaluate(runtime, R"(
        Velto.launchOptions = Object.freeze({ parameters: Object.freeze({ a: 1, b: 2, d: 5 }), size: 'large' });
        var before = Velto.launchOptions;
        var events = [];
        Velto.system = new VeltoProbe.SystemProbe();
        Velto.system.onparameterschange = (update) => events.push(update);
    )");

    EXPECT_EQ(std::optional<bool>(true),
              updateParameters(runtime, VLDictionary{{"a", 1}, {"b", 2}, {"d", 5}}));
    EXPECT_EQ(VLValue(true), evaluate(runtime, "events.length === 0 && Velto.launchOptions === before"));

    EXPECT_EQ(std::optional<bool>(true),
              updateParameters(runtime, VLDictionary{{"d", 5}, {"c", 4}, {"b", 3}}));
    EXPECT_EQ(VLValue("a,b,c"), evaluate(runtime, "events.length === 1 && events[0].changed.join()"));
    EXPECT_EQ(VLValue(true), evaluate(runtime, R"(
        var options = Velto.launchOptions;
        options !== before && options.size === 'large' && options.parameters === events[0].parameters &&
            options.parameters.c === 4 && Object.isFrozen(options) && Object.isFrozen(options.parameters) &&
            Object.getOwnPropertyDescriptor(Velto, 'launchOptions').enumerable)"));

    // Keys named "__proto__" stay own keys, among the options kept and the new parameters.
    evaluate(runtime,
             R"(Velto.launchOptions = Object.freeze(JSON.parse('{"__proto__": 7, "parameters": {}}'));)");
    EXPECT_EQ(std::optional<bool>(true),
              updateParameters(runtime, VLDictionary{{"__proto__", VLDictionary{}}}));
    EXPECT_EQ(VLValue("__proto__ __proto__,parameters 7 __proto__ true"), evaluate(runtime, R"(
        var options = Velto.launchOptions;
        [events[1].changed.join(), Object.keys(options).join(), options.__proto__,
         Object.keys(options.parameters).join(), Object.getPrototypeOf(options.parameters) === Object.prototype].join(' '))"));
}

TEST_F(VLRuntimeTest, ParameterUpdatesThatCannotApplyAnswerNoAndChangeNothing) {
    const struct {
        const char* setUp;
        VLValue parameters;
    } cases[] = {
        {"", VLDictionary{{"a", 2}}},
        {"Velto.system = { addEventListener() {} };", VLDictionary{{"a", 2}}},
        {"Velto.system = new VeltoProbe.SystemProbe();", VLDictionary{{"a", 2}}},
        {"Velto.system = new VeltoProbe.SystemProbe(); Velto.system.onparameterschange = () => {};",
         VLDictionary{{"when", VLDate{0}}}},
        {"Velto.system = new VeltoProbe.SystemProbe(); Velto.system.onparameterschange = () => {};",
         VLValue("a")},
    };
    for (const auto& [setUp, parameters] : cases) {
        std::shared_ptr<VLRuntime> runtime = makeRuntime();
        evaluate(runtime, std::string("Velto.launchOptions = { parameters: { a: 1 } }; var before = "
                                      "Velto.launchOptions;") +
                              setUp);
        EXPECT_EQ(std::optional<bool>(false), updateParameters(runtime, parameters))
            << setUp << parameters.description();
        EXPECT_EQ(VLValue(true),
                  evaluate(runtime, "Velto.launchOptions === before && before.parameters.a === 1"))
            << setUp;
    }

    VLLogCapture log(VLLogFlagError);
    std::shared_ptr<VLRuntime> throwing = makeRuntime();
    evaluate(throwing, R"(
        Velto.system = new VeltoProbe.SystemProbe();
        Velto.system.onparameterschange = () => {};
        Object.defineProperty(Velto, 'launchOptions', { get() { throw new Error('unreadable'); } });)");
    EXPECT_EQ(std::optional<bool>(false), updateParameters(throwing, VLDictionary{{"a", 2}}));
    VLLogFlush();
    EXPECT_THAT(log.lines(),
                Contains(StartsWith("app.velto.engine/VLRuntime error: update parameters failed: "
                                    "Error: unreadable, at line: ")));

    std::shared_ptr<VLRuntime> terminated = makeRuntime();
    evaluate(terminated,
             "Velto.system = new VeltoProbe.SystemProbe(); Velto.system.onparameterschange = () => {};");
    terminated->terminate();
    EXPECT_EQ(std::optional<bool>(false), updateParameters(terminated, VLDictionary{{"a", 2}}));
}

TEST_F(VLRuntimeTest, LoadingThePackageReportsEachFailureAsError202) {
    const struct {
        const char* name;
        std::function<void(VLTestPackage&, VLRuntime&)> setUp;
        const char* description; // nothing: loaded
    } cases[] = {
        {"no index.js", [](VLTestPackage&, VLRuntime&) {}, "The package has no index.js"},
        {"a folder named index.js",
         [](VLTestPackage& package, VLRuntime&) { package.write("index.js/a", "1"); },
         "The package has no index.js"},
        {"a link to a device that never ends",
         [](VLTestPackage& package, VLRuntime&) {
             std::filesystem::create_symlink("/dev/zero", std::filesystem::path(package.path()) / "index.js");
         },
         "Can't read index.js: can't read the file"},
        {"not UTF-8",
         [](VLTestPackage& package, VLRuntime&) { package.write("index.js", "var a = '\xff';"); },
         "Can't read index.js: it isn't UTF-8"},
        {"a digest that does not match",
         [](VLTestPackage& package, VLRuntime& runtime) {
             package.write("index.js", "1");
             runtime.setPackageDigests(package.digests());
             package.write("index.js", "2");
         },
         "Can't read index.js: the file was changed after it was installed"},
        {"no digest at all",
         [](VLTestPackage& package, VLRuntime& runtime) {
             package.write("index.js", "1");
             runtime.setPackageDigests(VLDictionary());
         },
         "Can't read index.js: Not a file of the package: index.js"},
        {"a throwing script",
         [](VLTestPackage& package, VLRuntime&) {
             package.write("index.js", "throw new TypeError('100%@')");
         },
         "TypeError: 100%@, at line: 1, source file: velto:///index.js"},
        {"a matching digest",
         [](VLTestPackage& package, VLRuntime& runtime) {
             package.write("index.js", "var loaded = 1;");
             runtime.setPackageDigests(package.digests());
         },
         nullptr},
    };
    for (const auto& [name, setUp, description] : cases) {
        VLTestPackage casePackage;
        std::shared_ptr<VLRuntime> runtime =
            VLRuntime::create(std::make_shared<VLBundle>(casePackage.path()));
        runtimes.push_back(runtime);
        setUp(casePackage, *runtime);
        const VLErrorRef error = loadPackage(runtime);
        if (!description) {
            EXPECT_FALSE(error) << name;
            EXPECT_EQ(VLValue(1), evaluate(runtime, "loaded")) << name;
            continue;
        }
        ASSERT_TRUE(error) << name;
        EXPECT_EQ(VLRuntimeErrorDomain, error->domain()) << name;
        EXPECT_EQ(202, error->code()) << name;
        EXPECT_EQ(description, error->localizedDescription()) << name;
        EXPECT_EQ(description, error->localizedFailureReason()) << name;
    }
}

TEST_F(VLRuntimeTest, AnEmptyIndexRunsNothingAndLoadsAtOnce) {
    package.write("index.js", "");
    std::shared_ptr<VLRuntime> runtime = makeBareRuntime();
    bool loaded = false;
    runtime->loadPackage([&](const VLErrorRef& error) { loaded = !error; });
    EXPECT_TRUE(loaded) << "on the calling thread";
}

TEST_F(VLRuntimeTest, TerminationRunsOnceAndAnnouncesItAfterMarkingEveryContext) {
    VLPrivateTMPDIR temporary;
    std::shared_ptr<VLRuntime> runtime = makeRuntime();
    const std::string temporaryDirectory = *runtime->fileSystemManager()->rootOfHost("temp");
    const std::string blobURL = runtime->blobURLStore()->addData(VLData{1, 2, 3}, "text/plain");
    const std::string blobFile = *runtime->blobURLStore()->filePathForURL(blobURL);
    ASSERT_TRUE(std::filesystem::exists(temporaryDirectory));
    ASSERT_TRUE(std::filesystem::exists(blobFile));

    JSGlobalContextRef ctx = nullptr;
    runtime->engine()->runLoop()->performBlockSync(
        [&] { ctx = runtime->engine()->context()->globalContext(); });
    struct Announcement {
        bool onJavaScriptThread;
        size_t unmarkedContexts;
    };
    std::vector<Announcement> announcements;
    auto observer = VLNotificationCenter::defaultCenter().addObserver(
        VLRuntimeWillTerminateNotification, nullptr, [&](const VLNotification& notification) {
            const auto* context = notification.userInfoValue<JSGlobalContextRef>(VLRuntimeGlobalContextKey);
            if (!context || *context != ctx)
                return;
            size_t unmarked = 0;
            for (const auto& bindingContext : runtime->engine()->bindingContexts())
                unmarked += !bindingContext->isTerminated();
            announcements.push_back({runtime->engine()->runLoop()->isCurrent(), unmarked});
        });

    runtime->terminate();
    runtime->terminate();
    runtime->engine()->runLoop()->performBlockSync([] {});
    ASSERT_EQ(1u, announcements.size());
    EXPECT_TRUE(announcements[0].onJavaScriptThread);
    EXPECT_EQ(0u, announcements[0].unmarkedContexts);
    EXPECT_EQ(3u, runtime->engine()->bindingContexts().size()) << "core, runtime and probe scopes";
    EXPECT_FALSE(std::filesystem::exists(blobFile));
    runtime->fileSystemManager()->sync([](VLFileSystemManager&) {});
    EXPECT_FALSE(std::filesystem::exists(temporaryDirectory));
}

TEST_F(VLRuntimeTest, TheHostMovesTheWidgetWindowThroughItsComponent) {
    struct Component : VLWidgetWindowComponent {
        std::vector<VLPoint> places;
        void moveWidgetToPlace(VLPoint place) override { places.push_back(place); }
    };
    std::shared_ptr<VLRuntime> runtime = makeBareRuntime();
    runtime->moveWidgetWindowToPlace({1, 2}); // none yet
    auto component = std::make_shared<Component>();
    runtime->setWidgetWindowComponent(component);
    runtime->moveWidgetWindowToPlace({3, 4});
    EXPECT_EQ(component->places, (std::vector<VLPoint>{VLPoint{3, 4}}));
    component.reset();
    runtime->moveWidgetWindowToPlace({5, 6}); // held weakly: gone
}

TEST_F(VLRuntimeTest, SuspensionThrottlesTheTimersOfItsOwnRuntimeOnly) {
    std::shared_ptr<VLRuntime> suspended = makeRuntime();
    std::shared_ptr<VLRuntime> other = makeRuntime();
    ASSERT_EQ(0, probeThrottle(suspended));
    ASSERT_EQ(0, probeThrottle(other));

    // Each change reaches the runtime's own thread ahead of the reading that follows it.
    suspended->setSuspended(true);
    EXPECT_EQ(1.0, probeThrottle(suspended));
    EXPECT_EQ(0, probeThrottle(other));
    suspended->setSuspended(false);
    EXPECT_EQ(0, probeThrottle(suspended));
    // Changes from two threads at once: the timers end with the runtime's last state.
    std::thread([&] { suspended->setSuspended(true); }).join();
    suspended->setSuspended(false);
    suspended->setSuspended(true);
    EXPECT_EQ(1.0, probeThrottle(suspended));
}

TEST_F(VLRuntimeTest, AUtilsObjectMadeWhileSuspendedStartsThrottled) {
    std::shared_ptr<VLRuntime> runtime = makeBareRuntime();
    runtime->setSuspended(true);
    // The probe's Utils object is made after the change has gone by.
    runtime->engine()->injectBindingContext(std::make_shared<VLProbeJSBindingContext>());
    EXPECT_EQ(1.0, probeThrottle(runtime));

    runtime->setSuspended(false);
    EXPECT_EQ(0, probeThrottle(runtime));
}

TEST_F(VLRuntimeTest, TimersOfASuspendedRuntimeRunOnceASecondUntilItResumes) {
    // Manual time from before the engine is made, so that performance.now() reads it too.
    auto scheduler = std::make_shared<VLManualDelayScheduler>();
    VLDelayScheduler::setShared(scheduler);
    VLClock::setShared(scheduler->clock());
    VLScopeExit restoreTime([] {
        VLDelayScheduler::setShared(nullptr);
        VLClock::setShared(nullptr);
    });
    std::shared_ptr<VLRuntime> runtime = makeRuntime();
    // What falls due runs on the JavaScript thread, as it would.
    auto advance = [&](double seconds) {
        runtime->engine()->runLoop()->performBlockSync([&] { scheduler->advance(seconds); });
    };
    // The change reaches the engine's thread ahead of the reading.
    runtime->setSuspended(true);
    ASSERT_EQ(1.0, probeThrottle(runtime));

    evaluate(runtime, "var runs = []; setInterval(() => runs.push(Math.round(performance.now())), 10);");
    advance(2.5);
    // The first run needs no wait; the others wait for the ticks a second apart.
    EXPECT_EQ(VLValue("10,1010,2010"), evaluate(runtime, "runs.join()"));

    runtime->setSuspended(false);
    EXPECT_EQ(0, probeThrottle(runtime));
    advance(0.03);
    // The run that waited for the next tick comes at once, and the interval goes on at its own pace.
    EXPECT_EQ(VLValue("10,1010,2010,2500,2510,2520,2530"), evaluate(runtime, "runs.join()"));
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
