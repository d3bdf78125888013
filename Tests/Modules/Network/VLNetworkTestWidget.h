#pragma once

#include "Core/Launcher/VLLocalPathLaunchPayload.h"
#include "Tests/Support/VLTestWidget.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

class VLHTTPDataTask;
class VLNetworkJSBinding;

// A widget whose script holds the Network binding as `native` and calls it directly, for the binding's
// tests. `request(name, options)` makes a request whose listener prints each call on the console as
// "name response {…}", "name data LENGTH "TEXT"" (the text only for short bodies) and
// "name complete null|{…}", and returns its identifier. The binding is a singleton, so that script
// and the Network prelude exclude each other: the widget has one of them, or neither (for a test that
// evaluates a prelude of its own). Main thread, as VLTestWidget.
class VLNetworkTestWidget {
public:
    // `internals`: the prelude, with its internals as `networkInternal` and its binding as `native`.
    enum class Scripts { binding, prelude, none, internals };

    explicit VLNetworkTestWidget(const VLTestWidget::Configure& configure = {},
                                 const std::map<std::string, std::string>& files = {},
                                 Scripts scripts = Scripts::binding);

    VLTestWidget& widget() { return *_widget; }
    const std::shared_ptr<VLRuntime>& runtime() const { return _widget->runtime(); }

    // Evaluates the script on the JavaScript thread and settles.
    void run(const std::string& script);
    // The number a script expression gives; NaN when it gives none.
    double number(const std::string& expression);
    // The text of a script expression, as String() makes it; "threw NAME: MESSAGE" when it throws.
    std::string text(const std::string& expression);

    // Runs the script expression, a promise, and waits until it settles: "ok VALUE" (as String() makes
    // it) or "error NAME: MESSAGE". The limit only keeps a fault from hanging the test.
    std::string settled(const std::string& promise, std::chrono::seconds limit = std::chrono::seconds(20));

    // What the listener named printed so far, without the name.
    std::vector<std::string> calls(const std::string& name) const;
    // Runs the main queue until the listener named has printed a line starting with the text.
    bool waitForCall(const std::string& name, const std::string& start,
                     std::chrono::seconds limit = std::chrono::seconds(20));
    // Waits for the listener's complete, and gives its argument's text.
    std::string completion(const std::string& name);

    // Runs the block on the JavaScript thread with the binding, then settles.
    void withBinding(const std::function<void(VLNetworkJSBinding& binding)>& block);
    // A request's task, or null.
    std::shared_ptr<VLHTTPDataTask> task(double identifier);

private:
    std::unique_ptr<VLTestWidget> _widget;
    int _settledCount = 0;
};

// The configuration of a widget that may reach any host, or only the hosts named.
VLTestWidget::Configure VLNetworkAccess(std::optional<std::vector<std::string>> hosts = std::nullopt);
