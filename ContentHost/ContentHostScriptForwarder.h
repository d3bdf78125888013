#pragma once

#include "Core/Engine/JS/VLJSEngine.h"

#include <cstdint>
#include <memory>
#include <string>

class ContentHostConnection;

// Carries a runtime's postMessage calls under one handler name to the main application as "script"
// messages. The engine calls it on the JavaScript thread; it sends from the main queue, so that the
// messages keep their order among the host's others.
class ContentHostScriptForwarder final : public VLJSEngineScriptMessageHandler {
public:
    ContentHostScriptForwarder(int64_t rid, std::string name,
                               std::shared_ptr<ContentHostConnection> connection);

    // A message of nil goes without "message".
    void jsEngine(VLJSEngine& engine, const VLValue& message) override;

private:
    const int64_t _rid;
    const std::string _name;
    const std::shared_ptr<ContentHostConnection> _connection;
};
