#include "ContentHost/ContentHostScriptForwarder.h"

#include "ContentHost/ContentHostConnection.h"

ContentHostScriptForwarder::ContentHostScriptForwarder(int64_t rid, std::string name,
                                                       std::shared_ptr<ContentHostConnection> connection)
    : _rid(rid), _name(std::move(name)), _connection(std::move(connection)) {}

void ContentHostScriptForwarder::jsEngine(VLJSEngine&, const VLValue& message) {
    VLDictionary sent{{"op", "script"}, {"rid", _rid}, {"name", _name}};
    if (!message.isNil())
        sent.set("message", message);
    _connection->sendFromMainQueue(std::move(sent));
}
