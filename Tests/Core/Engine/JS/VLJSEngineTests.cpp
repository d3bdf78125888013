#include "Core/Engine/CoreScope/VLCoreJSBindingContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSEngineObserver.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Platform/Foundation/VLManualClock.h"
#include "Tests/Core/Engine/Binding/VLJSBindingTestFixture.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using testing::HasSubstr;
using testing::MatchesRegex;
using testing::StartsWith;

struct Report {
    std::string message;
    std::optional<std::string> callStack;
};

// An engine whose console lines, exception reports and script messages are recorded. Handlers run on
// the JavaScript thread; the waiting calls order them before the test reads.
class VLJSEngineTests : public testing::TestWithParam<VLJSEngine::RejectionTracking> {
protected:
    std::mutex lock;
    std::vector<std::pair<std::string, std::string>> consoleLines;
    std::vector<Report> reports;
    // Last, so that it goes first.
    std::shared_ptr<VLJSEngine> engine =
        VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>(), GetParam());

    void SetUp() override {
        engine->setExceptionHandler(
            [this](const std::string& message, const std::optional<std::string>& callStack) {
                std::lock_guard guard(lock);
                reports.push_back({message, callStack});
            });
    }

    void recordConsole() {
        engine->setConsoleHandler([this](const std::string& level, const std::string& text) {
            std::lock_guard guard(lock);
            consoleLines.emplace_back(level, text);
        });
    }

    VLValue evaluate(std::string_view script) { return engine->evaluateScript(script, "test.js"); }
};

class RecordingHandler : public VLJSEngineScriptMessageHandler {
public:
    std::vector<VLValue> messages;
    void jsEngine(VLJSEngine&, const VLValue& message) override { messages.push_back(message); }
};

TEST_P(VLJSEngineTests, AThrowingScriptIsReportedOnceEverywhere) {
    evaluate("var errors = []; console.error = (text) => errors.push(text);");
    recordConsole();
    VLLogCapture log(VLLogFlagError);
    std::optional<VLJSException> exception;
    const VLValue result = engine->evaluateScript("\nthrow new TypeError('boom')", "a.js", &exception);
    VLLogFlush();

    EXPECT_TRUE(result.isNil());
    const std::string message = "TypeError: boom, at line: 2, source file: velto:///a.js";
    ASSERT_TRUE(exception);
    EXPECT_EQ(exception->message(), message);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, message);
    ASSERT_TRUE(reports[0].callStack);
    const VLValue errors = evaluate("errors");
    ASSERT_EQ(errors.count(), 1u);
    EXPECT_THAT(errors[0].stringValue(),
                MatchesRegex("\\[[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\] JS Exception\n"
                             "message: TypeError: boom, at line: 2, source file: velto:///a.js\n"
                             "callStack: .*"));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_THAT(log.lines()[0], StartsWith("app.velto.engine/VLJSEngine error: JS Exception\nmessage: " +
                                           message + "\ncallStack: "));
    // The report skipped the console handler, which still hears the script's own errors.
    EXPECT_TRUE(consoleLines.empty());
    evaluate("console.error('own')");
    EXPECT_EQ(consoleLines, (decltype(consoleLines){{"error", "own"}}));
}

TEST_P(VLJSEngineTests, AnEmptyCallStackReachesTheHandlerAsNothing) {
    evaluate("var e = new Error('quiet'); e.stack = ''; throw e;");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_THAT(reports[0].message, StartsWith("Error: quiet, at line: 1"));
    EXPECT_FALSE(reports[0].callStack);
}

TEST_P(VLJSEngineTests, ConsoleOutputIsForwardedOnce) {
    recordConsole();
    recordConsole();
    evaluate(R"(
        console.log('a', {b: 1});
        console.info(1, null, undefined);
        var cycle = {}; cycle.self = cycle;
        console.warn(cycle);
        console.debug(new Error('e'));
        console.log(Object.assign(new Error('plain'), {stack: ''}));
    )");
    ASSERT_EQ(consoleLines.size(), 5u);
    EXPECT_EQ(consoleLines[0], std::make_pair(std::string("log"), std::string("a {\"b\":1}")));
    EXPECT_EQ(consoleLines[1], std::make_pair(std::string("info"), std::string("1 null undefined")));
    EXPECT_EQ(consoleLines[2], std::make_pair(std::string("warn"), std::string("[object Object]")));
    EXPECT_EQ(consoleLines[3].first, "debug");
    EXPECT_THAT(consoleLines[3].second, StartsWith("Error: e\n"));
    EXPECT_EQ(consoleLines[4].second, "Error: plain");

    // A handler that is taken away leaves the forwarding in place, forwarding nothing.
    engine->setConsoleHandler(nullptr);
    evaluate("console.log('gone')");
    EXPECT_EQ(consoleLines.size(), 5u);
}

TEST_P(VLJSEngineTests, ScriptMessagesReachTheirHandler) {
    auto handler = std::make_shared<RecordingHandler>();
    engine->addScriptMessageHandler(handler, "h");
    EXPECT_EQ(evaluate("[postMessage('h', {a: [1, null], d: new Date(1500)}), postMessage('h'), "
                       "postMessage('h', null), typeof postMessage]"),
              VLValue({VLValue::null(), VLValue::null(), VLValue::null(), "function"}));
    ASSERT_EQ(handler->messages.size(), 3u);
    EXPECT_EQ(handler->messages[0], VLValue(VLDictionary{{"a", {1, VLValue::null()}}, {"d", VLDate{1.5}}}));
    EXPECT_TRUE(handler->messages[1].isNil());
    EXPECT_TRUE(handler->messages[2].isNull());

    engine->removeScriptMessageHandlerForName("h");
    EXPECT_EQ(evaluate("postMessage('h', 1); 'went on'"), VLValue("went on"));
    EXPECT_EQ(handler->messages.size(), 3u);
}

TEST_P(VLJSEngineTests, ScriptMessageFailuresAreReportedNotThrown) {
    EXPECT_EQ(evaluate("postMessage('', 1); postMessage(Symbol()); postMessage('nobody', 1); postMessage(); "
                       "'went on'"),
              VLValue("went on"));
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_THAT(reports[0].message, StartsWith("Error: script message handler's name is invalid, at line: "));
    EXPECT_THAT(reports[1].message, StartsWith("Error: script message handler's name is invalid, at line: "));
    EXPECT_THAT(reports[2].message,
                StartsWith("Error: `nobody` script message handler not found, at line: "));
    // The name goes through the script's string conversion.
    EXPECT_THAT(reports[3].message,
                StartsWith("Error: `undefined` script message handler not found, at line: "));
}

TEST_P(VLJSEngineTests, CallsByName) {
    evaluate("var a = {b: {c: (x, y) => x + y}}; function f() { return 'first'; } function isGlobal() { "
             "return this === globalThis; }"
             "function thrower() { throw new RangeError('no'); }");
    EXPECT_EQ(engine->callJSMethod("a.b.c", {2, 3}), VLValue(5));
    EXPECT_EQ(engine->callJSMethod("f", {}), VLValue("first"));
    // The function found first stays, even when the script replaces it.
    evaluate("f = () => 'second'");
    EXPECT_EQ(engine->callJSMethod("f", {}), VLValue("first"));
    EXPECT_EQ(engine->callJSMethod("isGlobal", {}), VLValue(true));
    EXPECT_TRUE(reports.empty());

    EXPECT_EQ(engine->callJSMethod("missing.path", {}), std::nullopt);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_THAT(reports[0].message, StartsWith("Error: `missing.path` function not found, at line: "));

    EXPECT_EQ(engine->callJSMethod("thrower", {}), VLValue());
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_THAT(reports[1].message, StartsWith("RangeError: no, at line: 1"));
}

TEST_P(VLJSEngineTests, PostedWorkRunsOnTheJavaScriptThread) {
    std::promise<std::pair<bool, std::string>> evaluated;
    engine->evaluateScript("1 +", "b.js",
                           [&](JSValueRef result, const std::optional<VLJSException>& exception) {
                               evaluated.set_value({result == nullptr && engine->runLoop()->isCurrent(),
                                                    exception ? exception->message() : ""});
                           });
    const auto [onThread, message] = evaluated.get_future().get();
    EXPECT_TRUE(onThread);
    EXPECT_THAT(message, HasSubstr("source file: velto:///b.js"));

    evaluate("function twice(x) { return x * 2; }");
    std::promise<double> called;
    engine->callJSMethod("twice", {21}, [&](JSValueRef result) {
        called.set_value(JSValueToNumber(engine->context()->globalContext(), result, nullptr));
    });
    EXPECT_EQ(called.get_future().get(), 42);
}

TEST_P(VLJSEngineTests, UnhandledRejectionsAreReportedOnce) {
    evaluate("Promise.reject(new Error('nope'))");
    EXPECT_EQ(engine->tracksUnhandledRejections(), GetParam() == VLJSEngine::RejectionTracking::Automatic);
    evaluate("Promise.reject(1).catch(() => {})");
    evaluate("Promise.reject(5)");
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_THAT(reports[0].message, StartsWith("Unhandled promise rejection: Error: nope, at line: 1"));
    EXPECT_TRUE(reports[0].callStack);
    EXPECT_EQ(reports[1].message, "Unhandled promise rejection: 5");
    EXPECT_FALSE(reports[1].callStack);
}

TEST_P(VLJSEngineTests, BindingContextsAreBoundAndKeptByScope) {
    auto bindingContext = std::make_shared<VLTestJSBindingContext>();
    bindingContext->preludes = {{"B", "var fromPrelude = typeof DOMException;"},
                                {"A", "throw new Error('prelude')"}};
    engine->injectBindingContext(bindingContext);
    // The DOMException is there before any prelude; a prelude that throws is reported and the next runs.
    EXPECT_EQ(evaluate("fromPrelude"), VLValue("function"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, "Error: prelude, at line: 1, source file: polyfill/A.js");
    EXPECT_EQ(engine->bindingContextForScope("VeltoTest"), bindingContext);
    EXPECT_EQ(engine->bindingContexts().size(), 2u);
    // The core scope is there from the start, read-only.
    EXPECT_NE(engine->bindingContextForScope("VeltoCore"), nullptr);
    EXPECT_EQ(evaluate("VeltoCore = 1; typeof VeltoCore"), VLValue("object"));
    EXPECT_GT(bindingContext->now(), 0);

    // Unbound on the JavaScript thread while the context still exists.
    const std::shared_ptr<VLRunLoopThread> thread = engine->runLoop()->thread();
    engine.reset();
    ASSERT_TRUE(thread->waitUntilFinished(std::chrono::seconds(30)));
    EXPECT_EQ(bindingContext->globalCtx(), nullptr);
}

TEST_P(VLJSEngineTests, NamesTheContextAndTheThread) {
    const std::string name(100, 'n');
    engine->setName(name);
    EXPECT_EQ(engine->name(), name);
    std::string contextName;
    std::string threadName;
    engine->runLoop()->performBlockSync([&] {
        contextName = engine->context()->name();
        threadName = VLRunLoopThread::current()->systemName();
    });
    EXPECT_EQ(contextName, name);
    EXPECT_EQ(threadName, "Velto JS: " + name.substr(0, 63 - 10));
}

TEST(VLJSEngineClockTests, ClocksStartAtCreation) {
    const auto before =
        std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    auto fresh = VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>());
    const double origin = fresh->timeOrigin();
    const double first = fresh->now();
    const double second = fresh->now();
    EXPECT_GE(origin, before);
    EXPECT_LE(origin, before + 60000);
    EXPECT_GE(first, 0);
    EXPECT_GE(second, first);
    EXPECT_EQ(fresh->timeOrigin(), origin);

    // The engine reads the process's clock as it was when the engine was made.
    auto manual = std::make_shared<VLManualClock>(5'000'000'000);
    VLClock::setShared(manual);
    auto onManualTime = VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>());
    VLClock::setShared(nullptr);
    manual->advance(0.25);
    EXPECT_EQ(onManualTime->now(), 250);
}

// Records what an engine tells it into a list of the test's, on the JavaScript thread.
class RecordingObserver final : public VLJSEngineObserver {
public:
    RecordingObserver(VLJSEngine& engine, std::vector<std::string>& heard) : _engine(engine), _heard(heard) {}

    void jsEngineSuspendedDidChange(bool suspended) override {
        _heard.push_back(suspended ? "suspended" : "resumed");
    }
    // With the binding contexts' marks at that moment.
    void jsEngineWillTerminate() override {
        std::string marks;
        for (const auto& bindingContext : _engine.bindingContexts())
            marks += bindingContext->isTerminated() ? "T" : "-";
        _heard.push_back("terminated " + marks);
    }

private:
    VLJSEngine& _engine;
    std::vector<std::string>& _heard;
};

TEST(VLJSEngineObserverTests, ObserversHearTheLatestSuspensionOnceAndTheEndAfterTheMarks) {
    auto engine = VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>());
    engine->injectBindingContext(std::make_shared<VLTestJSBindingContext>());
    std::vector<std::string> heard; // the JavaScript thread's until read through onThread
    auto observer = std::make_shared<RecordingObserver>(*engine, heard);
    auto onThread = [&](const std::function<void()>& block) { engine->runLoop()->performBlockSync(block); };
    auto read = [&] {
        std::vector<std::string> copy;
        onThread([&] { copy = heard; });
        return copy;
    };
    onThread([&] { engine->addObserver(observer); });

    engine->setSuspended(true);
    engine->setSuspended(true);
    EXPECT_TRUE(engine->isSuspended());
    EXPECT_EQ(read(), std::vector<std::string>{"suspended"});
    // Changes made while the thread is held reach it as their outcome: back where it was, nothing.
    std::promise<void> release;
    engine->runLoop()->performBlock([held = release.get_future().share()] { held.wait(); });
    engine->setSuspended(false);
    engine->setSuspended(true);
    release.set_value();
    std::thread([&] { engine->setSuspended(false); }).join();
    onThread([&] { engine->terminateBindingContexts(); });
    EXPECT_EQ(read(), (std::vector<std::string>{"suspended", "resumed", "terminated TT"}));

    // Held weakly: an observer that is gone is not called.
    observer.reset();
    engine->setSuspended(true);
    EXPECT_EQ(read().size(), 3u);
}

bool threadExists(uint64_t threadIdentifier) {
    return std::filesystem::exists("/proc/self/task/" + std::to_string(threadIdentifier));
}

TEST_P(VLJSEngineTests, EnginesLeaveNoThreadBehind) {
    std::vector<uint64_t> threadIdentifiers;
    auto runOne = [&] {
        auto engine = VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>(), GetParam());
        engine->setConsoleHandler([](const std::string&, const std::string&) {});
        engine->addScriptMessageHandler(std::make_shared<RecordingHandler>(), "x");
        engine->evaluateScript(
            "var list = []; for (let i = 0; i < 100; ++i) list.push({i}); postMessage('x', list)", "");
        const std::shared_ptr<VLRunLoopThread> thread = engine->runLoop()->thread();
        threadIdentifiers.push_back(thread->threadIdentifier());
        engine.reset();
        return thread->waitUntilFinished(std::chrono::seconds(30));
    };
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(runOne());
    // Each body has ended; the detached threads themselves exit right after. (Helper threads that
    // JavaScriptCore starts idle out on their own schedule and are not the engine's.)
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    auto anyLeft = [&] {
        return std::any_of(threadIdentifiers.begin(), threadIdentifiers.end(), threadExists);
    };
    while (anyLeft() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_FALSE(anyLeft());
}

INSTANTIATE_TEST_SUITE_P(RejectionTracking, VLJSEngineTests,
                         testing::Values(VLJSEngine::RejectionTracking::Automatic,
                                         VLJSEngine::RejectionTracking::Fallback),
                         [](const auto& info) {
                             return info.param == VLJSEngine::RejectionTracking::Automatic ? "Automatic"
                                                                                           : "Fallback";
                         });

} // namespace
