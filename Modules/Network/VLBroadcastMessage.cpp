#include "Modules/Network/VLBroadcastMessage.h"

#include "Platform/Foundation/VLPropertyListSerialization.h"
#include "Platform/Foundation/VLUnicode.h"

namespace {

uint64_t bytesOf(const std::vector<VLData>& buffers) {
    uint64_t total = 0;
    for (const VLData& buffer : buffers)
        total += buffer.size();
    return total;
}

} // namespace

VLBroadcastMessage::VLBroadcastMessage(std::string scope, std::string name, std::u16string tree,
                                       std::vector<VLData> buffers)
    : _scope(std::move(scope)), _name(std::move(name)), _tree(std::move(tree)),
      _size(sizeOfTree(_tree.size(), bytesOf(buffers))), _buffers(std::move(buffers)) {}

uint64_t VLBroadcastMessage::sizeOfTree(uint64_t treeLength, uint64_t bufferLength) {
    return 2 * treeLength + bufferLength;
}

void VLBroadcastMessage::setReceiverCount(size_t count) {
    std::lock_guard lock(_lock);
    _receiverCount = count;
}

std::vector<VLData> VLBroadcastMessage::takeBuffers() {
    std::lock_guard lock(_lock);
    if (++_taken >= _receiverCount)
        return std::exchange(_buffers, {});
    return _buffers;
}

VLData VLBroadcastMessage::transportData() const {
    VLArray buffers;
    {
        std::lock_guard lock(_lock);
        buffers.reserve(_buffers.size());
        for (const VLData& buffer : _buffers)
            buffers.emplace_back(buffer);
    }
    const VLDictionary message{{"scope", _scope},
                               {"name", _name},
                               {"tree", VLUTF8FromUTF16(_tree)},
                               {"buffers", std::move(buffers)}};
    return VLPropertyListSerialization::dataWithPropertyList(message).value_or(VLData());
}

std::shared_ptr<VLBroadcastMessage>
VLBroadcastMessage::messageWithTransportData(std::span<const uint8_t> data) {
    const VLValue message = VLPropertyListSerialization::propertyListWithData(data);
    if (!message.isDictionary())
        return nullptr;
    const VLValue& scope = message["scope"];
    const VLValue& name = message["name"];
    const VLValue& tree = message["tree"];
    const VLValue& buffers = message["buffers"];
    if (!scope.isString() || !name.isString() || !tree.isString() || !buffers.isArray())
        return nullptr;
    std::vector<VLData> bytes;
    bytes.reserve(buffers.arrayValue().size());
    for (const VLValue& buffer : buffers.arrayValue()) {
        if (!buffer.isData())
            return nullptr;
        bytes.push_back(buffer.dataValue());
    }
    return std::make_shared<VLBroadcastMessage>(scope.stringValue(), name.stringValue(),
                                                VLUTF16FromUTF8(tree.stringValue()), std::move(bytes));
}
