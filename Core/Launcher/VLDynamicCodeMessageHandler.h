#pragma once

#include "Core/Engine/JS/VLJSEngine.h"

#include <functional>
#include <string>

// Receives what the dynamic-code recording script reports, {kind, source}, and hands both texts to the
// host's handler; anything else is ignored. On the runtime's JavaScript thread.
class VLDynamicCodeMessageHandler final : public VLJSEngineScriptMessageHandler {
public:
    using Handler = std::function<void(const std::string& kind, const std::string& source)>;

    explicit VLDynamicCodeMessageHandler(Handler handler) : _handler(std::move(handler)) {}

    const Handler& handler() const { return _handler; }

    void jsEngine(VLJSEngine& engine, const VLValue& message) override;

private:
    const Handler _handler;
};
