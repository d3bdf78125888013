#include "Core/Launcher/VLLauncher.h"

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Launcher/VLBundleProvider.h"
#include "Core/Launcher/VLLocalPathLaunchPayload.h"
#include "Core/Launcher/VLManager.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLFileSystemManager.h"
#include "Core/Runtime/VLProcessTemporaryDirectory.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Tests/Support/VLPrivateTMPDIR.h"
#include "Tests/Support/VLTestPackage.h"
#include "Tests/Support/VLTestSignal.h"
#include "Tests/Support/VLValuePrinter.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <mutex>

namespace {

// A payload that no bundle provider takes.
class VLUnservedLaunchPayload final : public VLLaunchPayload {};

class VLLauncherTest : public testing::Test {
protected:
    struct Outcome {
        std::shared_ptr<VLRuntime> runtime;
        VLErrorRef error;
    };

    // Ends every runtime made and waits for its thread, so that none outlives the test.
    void TearDown() override {
        std::vector<std::shared_ptr<VLRunLoopThread>> threads;
        {
            std::lock_guard lock(_lock);
            for (const auto& runtime : _made) {
                runtime->terminate();
                threads.push_back(runtime->engine()->runLoop()->thread());
            }
            _made.clear();
        }
        launcher.reset();
        manager.reset();
        for (const auto& thread : threads)
            EXPECT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
    }

    // A payload for the package that records the runtime made and every console line and event.
    std::shared_ptr<VLLocalPathLaunchPayload> payloadFor(const std::string& path) {
        auto payload = VLLaunchPayload::launchPaylodWithLocalPath(path);
        instrument(*payload);
        return payload;
    }

    void instrument(VLLaunchPayload& payload) {
        payload.setRuntimeHandler([this](const std::shared_ptr<VLRuntime>& runtime) { keep(runtime); });
        payload.setConsoleHandler(
            [this](const std::string& level, const std::string& text) { note(level + ": " + text); });
    }

    Outcome launch(std::shared_ptr<VLLaunchPayload> payload) {
        Outcome outcome;
        VLTestSignal done;
        launcher->launchWithPayload(std::move(payload), [&](const auto& runtime, const VLErrorRef& error) {
            EXPECT_TRUE(launcher->queue()->isCurrent());
            note("completion");
            outcome = {runtime, error};
            done.raise();
        });
        EXPECT_TRUE(done.wait());
        return outcome;
    }

    void keep(const std::shared_ptr<VLRuntime>& runtime) {
        note("runtime");
        std::lock_guard lock(_lock);
        _made.push_back(runtime);
    }

    void note(std::string event) {
        std::lock_guard lock(_lock);
        _events.push_back(std::move(event));
    }

    std::vector<std::string> events() {
        std::lock_guard lock(_lock);
        return _events;
    }

    // Lets go of the runtimes made so far (terminated or not).
    void forgetRuntimes() {
        std::lock_guard lock(_lock);
        _made.clear();
    }

    std::shared_ptr<VLRuntime> madeRuntime() {
        std::lock_guard lock(_lock);
        return _made.empty() ? nullptr : _made.back();
    }

    static VLValue evaluate(const std::shared_ptr<VLRuntime>& runtime, std::string_view script) {
        return runtime->engine()->evaluateScript(script, "test.js");
    }

    VLTestPackage package{"weather"};
    std::shared_ptr<VLManager> manager = VLManager::create();
    std::shared_ptr<VLLauncher> launcher = VLLauncher::create(manager);

private:
    std::mutex _lock; // the handlers run on the launcher queue and the JavaScript thread
    std::vector<std::string> _events;
    std::vector<std::shared_ptr<VLRuntime>> _made;
};

} // namespace

TEST_F(VLLauncherTest, RunsIndexAfterEveryScriptBeforeItAndJoinsTheManager) {
    package.write("index.js", R"(
        console.log([typeof setTimeout, typeof VeltoRuntime, Velto.apiVersion,
                     Object.isFrozen(Velto.launchOptions), Object.isFrozen(Velto.launchOptions.parameters),
                     Velto.launchOptions.parameters.city, String(eval).includes('[native code]')].join(' '));)");
    auto payload = payloadFor(package.path());
    payload->setOptions(VLDictionary{{"parameters", VLDictionary{{"city", "Oslo"}}}, {"theme", "dark"}});
    payload->setDynamicCodeHandler([](const std::string&, const std::string&) {});

    const Outcome outcome = launch(payload);
    ASSERT_FALSE(outcome.error) << outcome.error->localizedDescription();
    EXPECT_EQ(madeRuntime(), outcome.runtime);
    EXPECT_EQ(events(), (std::vector<std::string>{"runtime", "log: function object 9 true true Oslo false",
                                                  "completion"}));
    EXPECT_EQ(VLValue("dark"), evaluate(outcome.runtime, "Velto.launchOptions.theme"));
    EXPECT_EQ(manager->runingRuntimes(), std::vector<std::shared_ptr<VLRuntime>>{outcome.runtime});
}

TEST_F(VLLauncherTest, OptionsThatAreNoJSONObjectReachScriptsAsAFrozenEmptyObject) {
    package.write("index.js", "");
    const std::optional<VLDictionary> cases[] = {VLDictionary{{"when", VLDate{0}}}, std::nullopt,
                                                 VLDictionary{{"nan", NAN}}};
    for (const std::optional<VLDictionary>& options : cases) {
        auto payload = payloadFor(package.path());
        payload->setOptions(options);
        const Outcome outcome = launch(payload);
        ASSERT_TRUE(outcome.runtime);
        EXPECT_EQ(VLValue("[] true"),
                  evaluate(outcome.runtime, "JSON.stringify(Object.keys(Velto.launchOptions)) + "
                                            "' ' + Object.isFrozen(Velto.launchOptions)"));
    }
}

// The options reach scripts as data: a key named "__proto__" is an own key, not the prototype.
TEST_F(VLLauncherTest, OptionsKeepEveryKeyAsAnOwnKey) {
    package.write("index.js", "");
    auto payload = payloadFor(package.path());
    payload->setOptions(VLDictionary{{"__proto__", VLDictionary{{"polluted", true}}},
                                     {"parameters", VLDictionary{{"__proto__", 1}}}});
    const Outcome outcome = launch(payload);
    ASSERT_TRUE(outcome.runtime);
    EXPECT_EQ(VLValue("[\"__proto__\",\"parameters\"] [\"__proto__\"] true undefined"),
              evaluate(outcome.runtime, R"(
        var options = Velto.launchOptions;
        [JSON.stringify(Object.keys(options)), JSON.stringify(Object.keys(options.parameters)),
         Object.getPrototypeOf(options) === Object.prototype, String(options.polluted)].join(' '))"));
}

TEST_F(VLLauncherTest, DynamicCodeIsReportedCutTo2000CharactersAndStillRuns) {
    package.write("index.js", R"(
        var two = eval('1+1');
        var echo = Function('a', 'return a');
        var made = new Function('return 5');
        (async function () {}).constructor('return 1');
        (function* () {}).constructor('yield 1');
        (async function* () {}).constructor('yield 1');
        setTimeout('1', 0);
        clearInterval(setInterval('2', 1000));
        setTimeout(() => {}, 0);
        var long = eval('"' + 'x'.repeat(5000) + '"');
        var results = [two, echo(3), made(), long.length, Function.name, echo instanceof Function,
                       (async function () {}).constructor.name];)");
    std::vector<std::pair<std::string, std::string>> reports;
    auto payload = payloadFor(package.path());
    payload->setDynamicCodeHandler([&](const std::string& kind, const std::string& source) {
        EXPECT_TRUE(madeRuntime()->engine()->runLoop()->isCurrent());
        reports.emplace_back(kind, source);
    });

    const Outcome outcome = launch(payload);
    ASSERT_FALSE(outcome.error) << outcome.error->localizedDescription();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"eval", "1+1"},
        {"Function", "a, return a"},
        {"Function", "return 5"},
        {"AsyncFunction", "return 1"},
        {"GeneratorFunction", "yield 1"},
        {"AsyncGeneratorFunction", "yield 1"},
        {"setTimeout", "1"},
        {"setInterval", "2"},
        {"eval", '"' + std::string(1999, 'x')},
    };
    EXPECT_EQ(expected, reports);
    EXPECT_EQ(VLValue(VLArray{2, 3, 5, 5000, "Function", true, "AsyncFunction"}),
              evaluate(outcome.runtime, "results"));
}

TEST_F(VLLauncherTest, FailuresReachTheCompletionAndEndTheRuntime) {
    const struct {
        const char* script; // nothing: no index.js
        const char* domain;
        int64_t code;
        const char* description;
    } cases[] = {
        {nullptr, VLRuntimeErrorDomain, 202, "The package has no index.js"},
        {"throw new RangeError('out of %d range')", VLRuntimeErrorDomain, 202,
         "RangeError: out of %d range, at line: 1, source file: velto:///index.js"},
    };
    for (const auto& [script, domain, code, description] : cases) {
        VLTestPackage casePackage;
        if (script)
            casePackage.write("index.js", script);
        const Outcome outcome = launch(payloadFor(casePackage.path()));
        EXPECT_FALSE(outcome.runtime);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(domain, outcome.error->domain());
        EXPECT_EQ(code, outcome.error->code());
        EXPECT_EQ(description, outcome.error->localizedDescription());
        ASSERT_TRUE(madeRuntime());
        EXPECT_TRUE(madeRuntime()->isTerminated()) << description;
        EXPECT_EQ(events().back(), "completion");
        EXPECT_EQ(events()[events().size() - 2], "runtime") << "the host heard of the runtime first";
    }
    EXPECT_TRUE(manager->runingRuntimes().empty());

    auto unserved = std::make_shared<VLUnservedLaunchPayload>();
    instrument(*unserved);
    const Outcome outcome = launch(unserved);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(VLBundleProviderErrorDomain, outcome.error->domain());
    EXPECT_EQ(401, outcome.error->code());
    EXPECT_EQ(events().back(), "completion");
}

TEST_F(VLLauncherTest, TheEngineIsNamedAfterThePayloadOrElseThePackageDirectory) {
    package.write("index.js", "");
    const struct {
        std::string path;
        std::string name;
        std::string engineName;
    } cases[] = {
        {package.path(), "", "weather"},
        {package.path() + "/", "", "weather"},
        {package.path(), "Forecast", "Forecast"},
    };
    for (const auto& [path, name, engineName] : cases) {
        auto payload = payloadFor(path);
        payload->setName(name);
        const Outcome outcome = launch(payload);
        ASSERT_TRUE(outcome.runtime) << path;
        EXPECT_EQ(engineName, outcome.runtime->engine()->name()) << path;
    }
}

TEST_F(VLLauncherTest, TheRuntimeGetsThePayloadsSettings) {
    package.write("index.js", "var ran = true;");
    const std::string dataPath = package.path() + "-data/deep/Data";
    auto payload = payloadFor(package.path());
    for (const char* key :
         {"allowsNetworkAccess", "allowsSystemAudio", "allowsKeyboard", "hidesFromWebInspector", "muted"})
        ASSERT_TRUE(payload->setValueForKey(key, VLValue(true))) << key;
    ASSERT_TRUE(payload->setValueForKey("volume", VLValue(0.25)));
    ASSERT_TRUE(payload->setValueForKey("dataQuota", VLValue(4096)));
    ASSERT_TRUE(payload->setValueForKey("dataPath", VLValue(dataPath)));
    ASSERT_TRUE(payload->setValueForKey("packageDigests", VLValue(package.digests())));
    payload->setAllowedWindowTypes(std::set<std::string>{"widget"});
    payload->setHostArea({1, 2, 3, 4});

    const Outcome outcome = launch(payload);
    ASSERT_TRUE(outcome.runtime) << outcome.error->localizedDescription();
    const std::shared_ptr<VLRuntime>& runtime = outcome.runtime;
    EXPECT_TRUE(runtime->allowsNetworkAccess());
    EXPECT_FALSE(runtime->allowsSystemAudio()) << "no system audio for a widget that may reach the network";
    EXPECT_TRUE(runtime->allowsKeyboard());
    EXPECT_FALSE(runtime->allowsAudio());
    EXPECT_TRUE(runtime->asksForSystemAudio());
    EXPECT_EQ(0.25f, runtime->volume());
    EXPECT_EQ(0.0f, runtime->outputVolume());
    EXPECT_EQ(4096u, runtime->dataQuota());
    EXPECT_EQ(dataPath, runtime->dataPath());
    EXPECT_TRUE(std::filesystem::is_directory(dataPath));
    EXPECT_EQ(VLValue(package.digests()), runtime->packageDigests());
    EXPECT_EQ(runtime->allowedWindowTypes(), std::optional<std::set<std::string>>({"widget"}));
    EXPECT_EQ(VLRect(1, 2, 3, 4), runtime->hostArea());
    EXPECT_EQ(VLValue(true), evaluate(runtime, "ran"));
    bool inspectable = true;
    runtime->engine()->runLoop()->performBlockSync(
        [&] { inspectable = JSGlobalContextIsInspectable(runtime->engine()->context()->globalContext()); });
    EXPECT_FALSE(inspectable);
    std::filesystem::remove_all(package.path() + "-data");
}

TEST_F(VLLauncherTest, ALauncherReleasedMidLaunchCallsNoCompletionAndEndsItsRuntime) {
    package.write("index.js", "var ran = true;");
    auto payload = payloadFor(package.path());
    const std::shared_ptr<VLDispatchQueue> queue = launcher->queue();
    std::shared_ptr<VLLauncher> released = launcher;
    payload->setRuntimeHandler([&](const std::shared_ptr<VLRuntime>& runtime) {
        keep(runtime);
        released.reset(); // the launcher's last owner lets go during the launch
    });
    bool completed = false;
    launcher->launchWithPayload(payload, [&](const auto&, const auto&) { completed = true; });
    launcher.reset();

    ASSERT_TRUE(VLWaitUntil([&] { return madeRuntime() && madeRuntime()->isTerminated(); }));
    queue->sync([] {}); // whatever the launch still had to do on its queue is done
    EXPECT_FALSE(completed);
    EXPECT_TRUE(manager->runingRuntimes().empty());
    EXPECT_EQ(VLValue(), evaluate(madeRuntime(), "globalThis.ran")) << "the package never ran";
}

TEST_F(VLLauncherTest, FiftyLaunchesAndTerminationsLeaveNoThreadOrFileBehind) {
    VLPrivateTMPDIR temporary;
    package.write("index.js", "var timer = setInterval(() => {}, 1000); Velto.launchOptions.city;");
    std::vector<uint64_t> javaScriptThreads;
    for (int i = 0; i < 50; ++i) {
        auto payload = payloadFor(package.path());
        payload->setOptions(VLDictionary{{"city", "Oslo"}});
        Outcome outcome = launch(payload);
        ASSERT_TRUE(outcome.runtime) << outcome.error->localizedDescription();
        javaScriptThreads.push_back(outcome.runtime->engine()->runLoop()->thread()->threadIdentifier());
        ASSERT_TRUE(outcome.runtime->fileSystemManager()->rootOfHost("temp"));
        manager->terminateRuntime(outcome.runtime);
        // As a host does once it has terminated a runtime.
        forgetRuntimes();
    }
    EXPECT_TRUE(manager->runingRuntimes().empty());

    // Every run-loop thread (JavaScript and file threads) has let go of everything; the threads
    // themselves exit right after.
    EXPECT_TRUE(VLRunLoopThread::waitUntilAllFinished(std::chrono::seconds(30)));
    EXPECT_TRUE(VLWaitUntil([&] {
        return std::none_of(javaScriptThreads.begin(), javaScriptThreads.end(), [](uint64_t thread) {
            return std::filesystem::exists("/proc/self/task/" + std::to_string(thread));
        });
    }));
    const std::filesystem::path runtimes = VLProcessTemporaryDirectory("Velto-runtimes");
    EXPECT_TRUE(std::filesystem::is_empty(runtimes)) << runtimes;
}
