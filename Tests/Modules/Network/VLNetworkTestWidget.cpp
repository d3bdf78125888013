#include "Tests/Modules/Network/VLNetworkTestWidget.h"

#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLEmbeddedScripts.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Runtime/VLRuntimeModuleScripts.h"
#include "Modules/Network/VLNetworkJSBinding.h"
#include "Modules/Network/VLNetworkModule.h"
#include "Platform/Foundation/VLMainQueue.h"

#include <cmath>

namespace {

constexpr const char* kScript = R"(
globalThis.native = new VeltoRuntime.Network();
globalThis.listener = (name) => ({
    response(r) { console.log(name, 'response', JSON.stringify(r)); },
    data(b) {
        console.log(name, 'data', b.byteLength, b.byteLength <= 64 ? JSON.stringify(native.decode(b)) : '');
    },
    complete(e) { console.log(name, 'complete', JSON.stringify(e)); },
});
globalThis.request = (name, options) => native.request(options, listener(name));
)";

// The framework's scripts, but with "messaging" handing the prelude's internals to the tests.
std::optional<std::string_view> scriptsShowingInternals(std::string_view name) {
    if (name == "messaging")
        return "global.networkInternal = internal; global.native = internal.native;";
    return VLEmbeddedScript("Modules/" + std::string(name));
}

} // namespace

VLNetworkTestWidget::VLNetworkTestWidget(const VLTestWidget::Configure& configure,
                                         const std::map<std::string, std::string>& files, Scripts scripts) {
    std::map<std::string, std::string> package = files;
    package["index.js"] = scripts == Scripts::binding ? kScript : "";
    // Read by the launch, which the widget's constructor waits for.
    VLNetworkModule::setIncludesPolyfillScript(scripts == Scripts::prelude);
    _widget = std::make_unique<VLTestWidget>(package, configure);
    VLNetworkModule::setIncludesPolyfillScript(true);
    if (scripts == Scripts::internals) {
        VLRuntimeModuleScripts internals(scriptsShowingInternals);
        run(VLNetworkModule::polyfillScriptWithScripts(internals));
    }
}

void VLNetworkTestWidget::run(const std::string& script) {
    _widget->inspect(script, [](JSContextRef, JSValueRef) {});
}

double VLNetworkTestWidget::number(const std::string& expression) {
    double result = NAN;
    _widget->inspect(expression, [&](JSContextRef ctx, JSValueRef value) {
        if (value && JSValueIsNumber(ctx, value))
            result = JSValueToNumber(ctx, value, nullptr);
    });
    return result;
}

std::string VLNetworkTestWidget::text(const std::string& expression) {
    std::string result;
    _widget->inspect(
        "(() => { try { return String(" + expression + "); } catch (e) { return 'threw ' + e; } })()",
        [&](JSContextRef ctx, JSValueRef value) { result = VLJSValueToNSString(ctx, value).value_or(""); });
    return result;
}

std::string VLNetworkTestWidget::settled(const std::string& promise, std::chrono::seconds limit) {
    const std::string name = "settled" + std::to_string(_settledCount++);
    run("Promise.resolve().then(() => " + promise + ").then(v => console.log('" + name +
        "', 'ok ' + String(v)), e => console.log('" + name +
        "', 'error ' + (e && e.name) + ': ' + (e && e.message)));");
    if (!waitForCall(name, "", limit))
        return "not settled";
    return calls(name).front();
}

std::vector<std::string> VLNetworkTestWidget::calls(const std::string& name) const {
    const std::string prefix = "log: " + name + " ";
    std::vector<std::string> found;
    for (const std::string& line : _widget->console()) {
        if (line.starts_with(prefix))
            found.push_back(line.substr(prefix.size()));
    }
    return found;
}

bool VLNetworkTestWidget::waitForCall(const std::string& name, const std::string& start,
                                      std::chrono::seconds limit) {
    return VLMainQueue::runUntil(
        [&] {
            for (const std::string& call : calls(name)) {
                if (call.starts_with(start))
                    return true;
            }
            return false;
        },
        limit);
}

std::string VLNetworkTestWidget::completion(const std::string& name) {
    if (!waitForCall(name, "complete "))
        return "no completion";
    for (const std::string& call : calls(name)) {
        if (call.starts_with("complete "))
            return call.substr(9);
    }
    return "";
}

void VLNetworkTestWidget::withBinding(const std::function<void(VLNetworkJSBinding& binding)>& block) {
    _widget->inspect("native", [&](JSContextRef ctx, JSValueRef value) {
        if (auto* binding = VLJSBindingGetObjectOfClass<VLNetworkJSBinding>(ctx, value))
            block(*binding);
    });
}

std::shared_ptr<VLHTTPDataTask> VLNetworkTestWidget::task(double identifier) {
    std::shared_ptr<VLHTTPDataTask> task;
    withBinding([&](VLNetworkJSBinding& binding) { task = binding.taskForRequest(identifier); });
    return task;
}

VLTestWidget::Configure VLNetworkAccess(std::optional<std::vector<std::string>> hosts) {
    return [hosts](VLLocalPathLaunchPayload& payload) {
        payload.setAllowsNetworkAccess(true);
        if (hosts)
            payload.setAllowedNetworkHosts(*hosts);
    };
}
