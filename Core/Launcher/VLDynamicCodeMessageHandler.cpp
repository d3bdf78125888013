#include "Core/Launcher/VLDynamicCodeMessageHandler.h"

void VLDynamicCodeMessageHandler::jsEngine(VLJSEngine&, const VLValue& message) {
    if (!message.isDictionary() || !_handler)
        return;
    const VLValue& kind = message.dictionaryValue().get("kind");
    const VLValue& source = message.dictionaryValue().get("source");
    if (kind.isString() && source.isString())
        _handler(kind.stringValue(), source.stringValue());
}
