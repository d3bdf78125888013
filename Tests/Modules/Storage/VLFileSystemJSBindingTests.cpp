#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLFileSystemManager.h"
#include "Core/Runtime/VLRuntime.h"
#include "Tests/Support/VLPrivateTMPDIR.h"
#include "Tests/Support/VLTestPackage.h"
#include "Tests/Support/VLTestSignal.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>

using namespace std::chrono_literals;
using testing::HasSubstr;

namespace {

// Notes each message posted under "done" and whether it came on the engine's JavaScript thread.
class Recorder final : public VLJSEngineScriptMessageHandler {
public:
    void jsEngine(VLJSEngine& engine, const VLValue& message) override {
        std::lock_guard lock(_lock);
        _messages.push_back(message);
        _onJavaScriptThread = _onJavaScriptThread && engine.runLoop()->thread()->isCurrent();
        _received.raise();
    }
    bool wait() { return _received.wait(); }
    VLArray messages() {
        std::lock_guard lock(_lock);
        return _messages;
    }
    bool onJavaScriptThread() {
        std::lock_guard lock(_lock);
        return _onJavaScriptThread;
    }

private:
    std::mutex _lock; // guards the fields below
    VLArray _messages;
    bool _onJavaScriptThread = true;
    VLTestSignal _received;
};

class VLFileSystemJSBindingTest : public testing::Test {
protected:
    void SetUp() override {
        _package.write("module.js", "'use strict'; exports.value = 42; module.strictThis = this;");
        _package.write("invalid.js", "\xff\xfe");
        _package.write("syntax.js", "var = ;");
        _package.write("throws.js", "\n\nthrow new RangeError('from the module');");
        _runtime = VLRuntime::create(std::make_shared<VLBundle>(_package.path()));
        _runtime->engine()->setExceptionHandler(
            [this](const std::string& message, const std::optional<std::string>&) {
                std::lock_guard lock(_lock);
                _exceptions.push_back(message);
            });
        _runtime->engine()->addScriptMessageHandler(_recorder, "done");
        evaluate("var native = new VeltoRuntime.FileSystem();");
    }
    void TearDown() override {
        std::shared_ptr<VLRunLoopThread> thread = _runtime->engine()->runLoop()->thread();
        _runtime->terminate();
        _runtime.reset();
        EXPECT_TRUE(thread->waitUntilFinished(20s));
    }

    VLValue evaluate(std::string_view script) {
        return _runtime->engine()->evaluateScript(script, "test.js");
    }
    std::vector<std::string> exceptions() {
        std::lock_guard lock(_lock);
        return _exceptions;
    }

    VLPrivateTMPDIR _tmpdir;
    VLTestPackage _package;
    std::shared_ptr<VLRuntime> _runtime;
    std::shared_ptr<Recorder> _recorder = std::make_shared<Recorder>();
    std::mutex _lock; // guards _exceptions
    std::vector<std::string> _exceptions;
};

} // namespace

TEST_F(VLFileSystemJSBindingTest, PerformThrowsForAWrongSignatureAndAnswersAPairWhenSynchronous) {
    EXPECT_EQ((VLValue{"Error: perform(op, args[, callback])", "Error: perform(op, args[, callback])",
                       "Error: perform(op, args[, callback])", "Error: perform(op, args[, callback])"}),
              evaluate(R"([[], [1, []], ['stat', 5], ['stat']].map(args => {
                  try { native.perform(...args); return 'returned'; } catch (e) { return e.constructor.name + ': ' + e.message; }
              }))"));
    EXPECT_EQ(VLValue("[null,\"main\"]"), evaluate(R"(
        native.perform('writeFile', ['vlfile://temp/a.txt', 'main']);
        JSON.stringify(native.perform('readFile', ['vlfile://temp/a.txt', 'utf8'])))"));
    EXPECT_EQ(
        VLValue(
            R"([{"code":"ENOENT","message":"no such file or directory","syscall":"open","path":"nothing"},null])"),
        evaluate("JSON.stringify(native.perform('readFile', ['nothing']))"));
    // Bytes come as an ArrayBuffer; anything but an array of arguments counts as none.
    EXPECT_EQ(VLValue("ArrayBuffer 4"),
              evaluate("var bytes = native.perform('readFile', ['vlfile://temp/a.txt'])[1];"
                       "bytes.constructor.name + ' ' + bytes.byteLength"));
    EXPECT_EQ(VLValue("EISDIR read"),
              evaluate("var e = native.perform('readFile', {length: 1})[0]; e.code + ' ' + e.syscall"));
}

TEST_F(VLFileSystemJSBindingTest, CallbacksRunOnTheJavaScriptThreadWithThisUndefined) {
    evaluate(R"(native.perform('readFile', ['nothing'], function (error, result) {
        'use strict';
        postMessage('done', [this === undefined, error.code, result]);
    });
    native.perform('exists', ['module.js'], (error, result) => postMessage('done', [error, result]));)");
    ASSERT_TRUE(_recorder->wait());
    ASSERT_TRUE(_runtime->engine()->waitUntilIdle(std::chrono::steady_clock::now() + 20s));
    EXPECT_EQ((VLArray{VLValue{true, "ENOENT", VLValue::null()}, VLValue{VLValue::null(), true}}),
              _recorder->messages());
    EXPECT_TRUE(_recorder->onJavaScriptThread());

    // What a callback throws is reported like any uncaught exception.
    evaluate("native.perform('exists', ['x'], () => { throw new Error('from the callback'); });");
    ASSERT_TRUE(_runtime->engine()->waitUntilIdle(std::chrono::steady_clock::now() + 20s));
    ASSERT_EQ(1u, exceptions().size());
    EXPECT_THAT(exceptions()[0], HasSubstr("from the callback"));
}

TEST_F(VLFileSystemJSBindingTest, NoCallbackRunsOnceTheRuntimeTerminated) {
    // The file thread waits while the call is made and the runtime terminates.
    VLTestSignal holding, release;
    _runtime->fileSystemManager()->async([&](VLFileSystemManager&) {
        holding.raise();
        (void)release.wait();
    });
    ASSERT_TRUE(holding.wait());
    evaluate("native.perform('exists', ['module.js'], () => postMessage('done', 'called'));");
    _runtime->terminate();
    release.raise();
    _runtime->fileSystemManager()->sync([](VLFileSystemManager&) {});
    // Once the answer's turn on the JavaScript thread is over, nothing is pending.
    EXPECT_TRUE(_runtime->engine()->waitUntilIdle(std::chrono::steady_clock::now() + 20s));
    EXPECT_EQ(VLArray(), _recorder->messages());
}

TEST_F(VLFileSystemJSBindingTest, RequireModuleRunsAModuleOrSaysWhyNot) {
    EXPECT_EQ((VLValue{"not found", "not found", "not UTF-8", "null"}), evaluate(R"(
        [native.requireModule('missing', {}, {}, null), native.requireModule('vlfile://usr/missing.js', {}, {}, null),
         native.requireModule('invalid', {}, {}, null), String(native.requireModule('module.js', {}, {}))])"));
    EXPECT_EQ(VLValue("undefined 42 undefined"), evaluate(R"(
        var module = {exports: {}};
        var answer = native.requireModule('module', module, module.exports, function () {});
        [String(answer), module.exports.value, String(module.strictThis)].join(' '))"));
    EXPECT_EQ((VLValue{"SyntaxError", "RangeError from the module"}), evaluate(R"(
        ['syntax', 'throws'].map(path => {
            try { native.requireModule(path, {}, {}, null); return 'returned'; }
            catch (e) { return e.name === 'SyntaxError' ? e.name : e.name + ' ' + e.message; }
        }))"));
    EXPECT_TRUE(exceptions().empty());

    // Uncaught, a module's exception is reported with the module's own source URL and line.
    evaluate("native.requireModule('throws', {}, {}, null);");
    ASSERT_EQ(1u, exceptions().size());
    EXPECT_THAT(exceptions()[0],
                HasSubstr("RangeError: from the module, at line: 3, source file: velto:///throws.js"));
}
