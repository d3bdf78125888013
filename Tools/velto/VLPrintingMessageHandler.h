#pragma once

#include "Core/Engine/JS/VLJSEngine.h"

#include <string>

// Prints each message it receives as "message NAME: JSON" on standard output, the message written as
// JSON.stringify would write it: dates as ISO texts, data as arrays of bytes, numbers that are not
// finite and nil as null.
class VLPrintingMessageHandler final : public VLJSEngineScriptMessageHandler {
public:
    explicit VLPrintingMessageHandler(std::string name) : _name(std::move(name)) {}

    void jsEngine(VLJSEngine& engine, const VLValue& message) override;
    // The same for a message that came another way, under its handler's name.
    static void print(const std::string& name, const VLValue& message);

private:
    const std::string _name;
};
