#pragma once

#include "Platform/Foundation/VLValue.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

// One BroadcastChannel message: its channel (scope and name), the tree text that the script layer made
// and the bytes of the ArrayBuffers that the tree refers to. The receivers of a post share one message;
// each takes the buffers once, the last one the message's own, the others copies.
//
// Immutable but for the buffers and the take count, which belong to `_lock`; any thread.
class VLBroadcastMessage {
public:
    VLBroadcastMessage(std::string scope, std::string name, std::u16string tree, std::vector<VLData> buffers);
    VLBroadcastMessage(const VLBroadcastMessage&) = delete;
    VLBroadcastMessage& operator=(const VLBroadcastMessage&) = delete;

    // What a message weighs against the limits: two bytes a UTF-16 unit of the tree, and the buffers.
    static uint64_t sizeOfTree(uint64_t treeLength, uint64_t bufferLength);

    const std::string& scope() const { return _scope; }
    const std::string& name() const { return _name; }
    const std::u16string& tree() const { return _tree; }
    uint64_t size() const { return _size; }

    // How many receivers will take the buffers; set before any of them is told.
    void setReceiverCount(size_t count);
    // Each receiver's buffers, once: copies until the last receiver, which gets the message's own.
    std::vector<VLData> takeBuffers();

    // The bytes that carry the message to another process: a binary property list of exactly "scope",
    // "name", "tree" and "buffers". Empty when it can't be written.
    VLData transportData() const;
    // The message those bytes carry; nullptr unless they hold such a dictionary with values of the
    // right types.
    static std::shared_ptr<VLBroadcastMessage> messageWithTransportData(std::span<const uint8_t> data);

private:
    const std::string _scope;
    const std::string _name;
    const std::u16string _tree;
    const uint64_t _size;

    mutable std::mutex _lock;
    std::vector<VLData> _buffers;
    size_t _receiverCount = 0;
    size_t _taken = 0;
};
