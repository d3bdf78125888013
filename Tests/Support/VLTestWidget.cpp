#include "Tests/Support/VLTestWidget.h"

#include "Core/Engine/JS/VLJSContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Launcher/VLLauncher.h"
#include "Core/Launcher/VLManager.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

// JavaScriptCore's JSGarbageCollect only hints; tests need the collection done when it returns.
extern "C" void JSSynchronousGarbageCollectForDebugging(JSContextRef ctx);

namespace {

// Hands what scripts post to the main queue, into the widget's list.
class MessageKeeper final : public VLJSEngineScriptMessageHandler {
public:
    MessageKeeper(std::string name, std::function<void(std::string, VLValue)> keep)
        : _name(std::move(name)), _keep(std::move(keep)) {}
    void jsEngine(VLJSEngine&, const VLValue& message) override { _keep(_name, message); }

private:
    const std::string _name;
    const std::function<void(std::string, VLValue)> _keep;
};

// Runs one main-queue iteration, waiting for work when `wait` is set; whether something ran.
bool iterateMainQueue(bool wait) {
    return g_main_context_iteration(g_main_context_default(), wait);
}

} // namespace

VLTestWidget::VLTestWidget(const std::map<std::string, std::string>& files, const Configure& configure,
                           const std::vector<std::string>& handlerNames) {
    for (const auto& [path, contents] : files)
        _package.write(path, contents);
    std::shared_ptr<VLLocalPathLaunchPayload> payload =
        VLLaunchPayload::launchPaylodWithLocalPath(_package.path());
    payload->setValueForKey("packageDigests", _package.digests());
    std::weak_ptr<State> weakState = _state;
    payload->setConsoleHandler([weakState](const std::string& level, const std::string& text) {
        VLMainQueue::async([weakState, line = level + ": " + text] {
            if (std::shared_ptr<State> state = weakState.lock())
                state->console.push_back(line);
        });
    });
    VLLaunchPayload::ScriptMessageHandlers handlers;
    for (const std::string& name : handlerNames) {
        handlers[name] =
            std::make_shared<MessageKeeper>(name, [weakState](std::string name, VLValue message) {
                VLMainQueue::async([weakState, name = std::move(name), message = std::move(message)] {
                    if (std::shared_ptr<State> state = weakState.lock())
                        state->messages.emplace_back(name, message);
                });
            });
    }
    payload->setScriptMessageHandlers(std::move(handlers));
    if (configure)
        configure(*payload);

    _manager = VLManager::create();
    _launcher = VLLauncher::create(_manager);
    _launcher->launchWithPayload(payload, [weakState](const auto& runtime, const VLErrorRef& error) {
        VLMainQueue::async([weakState, runtime, error] {
            if (std::shared_ptr<State> state = weakState.lock()) {
                state->runtime = runtime;
                state->error = error;
                state->launched = true;
            }
        });
    });
    while (!_state->launched)
        iterateMainQueue(true);
    if (_state->runtime)
        settle();
}

VLTestWidget::~VLTestWidget() {
    if (!_state->runtime)
        return;
    std::shared_ptr<VLRunLoopThread> thread = _state->runtime->engine()->runLoop()->thread();
    settle();
    _manager->terminateRuntime(_state->runtime);
    _state->runtime.reset();
    _launcher.reset();
    _manager.reset();
    // The runtime's last work goes through the main queue, which runs until the thread has ended.
    auto finished = std::make_shared<bool>(false);
    std::thread waiter([thread, finished] {
        EXPECT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
        VLMainQueue::async([finished] { *finished = true; });
    });
    while (!*finished)
        iterateMainQueue(true);
    waiter.join();
}

bool VLTestWidget::roundTripRanOtherWork() {
    auto answered = std::make_shared<bool>(false); // the main queue's
    _state->runtime->engine()->runLoop()->performBlock(
        [answered] { VLMainQueue::async([answered] { *answered = true; }); });
    bool otherWork = false;
    while (!*answered) {
        iterateMainQueue(true);
        otherWork = otherWork || !*answered;
    }
    while (iterateMainQueue(false))
        otherWork = true;
    return otherWork;
}

void VLTestWidget::settle() {
    if (!_state->runtime)
        return;
    // Work that ran in the same turn as the answer is only seen by the next round trip.
    for (int quietRounds = 0; quietRounds < 2;)
        quietRounds = roundTripRanOtherWork() ? 0 : quietRounds + 1;
}

void VLTestWidget::inspect(const std::string& expression,
                           const std::function<void(JSContextRef, JSValueRef)>& block) {
    std::shared_ptr<VLJSEngine> engine = _state->runtime->engine();
    engine->evaluateScript(expression, "", [engine, block](JSValueRef result, const auto&) {
        block(engine->context()->globalContext(), result);
    });
    settle();
}

std::string VLTestWidget::evaluate(const std::string& expression) {
    std::string text = "(threw)";
    inspect(expression, [&text](JSContextRef ctx, JSValueRef value) {
        if (value)
            text = VLJSValueToNSString(ctx, value).value_or("(not a string)");
    });
    return text;
}

void VLTestWidget::collectGarbage() {
    std::shared_ptr<VLJSEngine> engine = _state->runtime->engine();
    engine->runLoop()->performBlock(
        [engine] { JSSynchronousGarbageCollectForDebugging(engine->context()->globalContext()); });
    settle();
}

void VLTestWidget::perform(const std::function<void()>& block) {
    performLater(block);
    settle();
}

void VLTestWidget::performLater(const std::function<void()>& block) {
    _state->runtime->engine()->runLoop()->performBlock(block);
}

VLWSDriver& VLTestWidget::driver() {
    return VLWindowServer::shared()->driver();
}
