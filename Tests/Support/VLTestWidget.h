#pragma once

#include "Core/Launcher/VLLocalPathLaunchPayload.h"
#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"
#include "Tests/Support/VLTestPackage.h"

#include <JavaScriptCore/JavaScript.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class VLLauncher;
class VLManager;
class VLRuntime;
class VLWSDriver;

// A widget launched in the test process through the launcher, as the host launches one, from a package
// of the given files (index.js among them). The test adjusts the payload (widget sizing, permissions)
// before the launch. Console lines and the messages that scripts post to the named handlers are kept
// in order. Letting go of it terminates the runtime and waits for its thread to end.
//
// Main thread only: the main queue runs while the widget is launched and settled, and the main thread
// never waits on the JavaScript thread.
class VLTestWidget {
public:
    using Configure = std::function<void(VLLocalPathLaunchPayload& payload)>;

    explicit VLTestWidget(const std::map<std::string, std::string>& files, const Configure& configure = {},
                          const std::vector<std::string>& handlerNames = {});
    ~VLTestWidget();
    VLTestWidget(const VLTestWidget&) = delete;
    VLTestWidget& operator=(const VLTestWidget&) = delete;

    // Null when the launch failed, with the error.
    const std::shared_ptr<VLRuntime>& runtime() const { return _state->runtime; }
    const VLErrorRef& launchError() const { return _state->error; }
    // "level: text", as the console printed them so far.
    const std::vector<std::string>& console() const { return _state->console; }
    // Handler name and message.
    const std::vector<std::pair<std::string, VLValue>>& messages() const { return _state->messages; }

    // Runs the main queue until the JavaScript thread has run what was queued for it and the main queue
    // has nothing ready; again while that brings new work. Timers that wait are not waited for.
    void settle();
    // Evaluates the expression on the JavaScript thread and hands its value (nullptr when it threw) to
    // the block there; then settles.
    void inspect(const std::string& expression, const std::function<void(JSContextRef, JSValueRef)>& block);
    // The expression's value as a string, evaluated as inspect() does: "(threw)" when it threw,
    // "(not a string)" when its value is no string.
    std::string evaluate(const std::string& expression);
    // Collects the script garbage on the JavaScript thread, then settles.
    void collectGarbage();
    // Runs the block on the JavaScript thread, the components' thread, then settles.
    void perform(const std::function<void()>& block);
    // Queues the block on the JavaScript thread and returns at once.
    void performLater(const std::function<void()>& block);
    // The window server's driver: pointer, keys and the user's window actions.
    static VLWSDriver& driver();

private:
    // The main queue's, but for what the JavaScript thread hands over through it.
    struct State {
        std::shared_ptr<VLRuntime> runtime;
        VLErrorRef error;
        bool launched = false;
        std::vector<std::string> console;
        std::vector<std::pair<std::string, VLValue>> messages;
    };

    // Whether the JavaScript thread ran a marker block and answered, with any other main-queue work
    // that came meanwhile.
    bool roundTripRanOtherWork();

    VLTestPackage _package;
    std::shared_ptr<State> _state = std::make_shared<State>();
    std::shared_ptr<VLManager> _manager;
    std::shared_ptr<VLLauncher> _launcher;
};
