#pragma once

#include "Core/Engine/Binding/VLEventedJSBindingBase.h"
#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSClassBuilder.h"
#include "Platform/Foundation/VLValue.h"

#include <JavaScriptCore/JavaScript.h>

#include <memory>
#include <optional>
#include <string>

class VLRuntime;

// The script class "Files": requests on the user's files that the main application holds, through the
// runtime's user-files provider. request(kind, value, id) starts one ("trash" with a drop token,
// "restore" with a file identifier, "list"); its answer comes as a "result" event with
// {request, value} or {request, reason}. Velto.files builds its promises on it.
//
// JavaScript thread; the provider is called on the main queue and answers on any thread, and every
// answer is handed back to the JavaScript thread. Each request holds the engine's pending work until
// answered.
class VLFilesJSBinding final : public VLJSBinding<VLFilesJSBinding, VLEventedJSBindingBase> {
public:
    static std::string bindingClassName() { return "Files"; }

    // Refuses construction in a runtime without a provider: "Velto.files isn't available".
    static void validateConstructionWithContext(JSContextRef ctx,
                                                const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                                size_t argc, const JSValueRef argv[], JSValueRef* exception);

    JSValueRef request(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);

    static void describe(VLJSClassBuilder<VLFilesJSBinding>& b) {
        b.function<"request", &VLFilesJSBinding::request>();
        b.eventHandlerWithOff<"result">();
    }

private:
    std::shared_ptr<VLRuntime> runtime() const;
    // Any thread: fires "result" on the JavaScript thread unless the runtime ended. No value, or a
    // reason, makes the answer a failure ("failed" when no reason came).
    void _answerRequest(double request, VLValue value, std::optional<std::string> reason);
};
