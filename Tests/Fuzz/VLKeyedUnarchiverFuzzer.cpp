// libFuzzer target for the unarchiver, both its layers: the input is read as a plain binary property list
// and as a keyed archive. A failure must say why; whatever is read must write back, and what it writes
// must read back to a value that writes the same bytes. The storage files' reading of the texts of a top
// array must succeed exactly where the plain reading finds an array. The input is also read as the
// transport data of a broadcast message, which must write back to data that reads as the same message.
// Seeds: Tests/Fuzz/Seeds/VLKeyedUnarchiverFuzzer.
#include "Modules/Network/VLBroadcastMessage.h"
#include "Platform/Foundation/VLKeyedArchiver.h"
#include "Platform/Foundation/VLKeyedUnarchiver.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"

#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

template <typename Read, typename Write>
void checkRoundTrip(std::span<const uint8_t> input, Read read, Write write) {
    VLErrorRef error;
    const VLValue value = read(input, &error);
    if (value.isNil()) {
        if (!error)
            abort();
        return;
    }
    const auto written = write(value);
    if (!written)
        abort();
    const auto rewritten = write(read(*written, nullptr));
    if (!rewritten || *rewritten != *written)
        abort();
}

void checkBroadcastMessage(std::span<const uint8_t> input) {
    const auto message = VLBroadcastMessage::messageWithTransportData(input);
    if (!message)
        return;
    const auto again = VLBroadcastMessage::messageWithTransportData(message->transportData());
    if (!again || again->scope() != message->scope() || again->name() != message->name() ||
        again->size() != message->size() || again->takeBuffers() != message->takeBuffers())
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::span<const uint8_t> input(bytes, size);
    checkRoundTrip(input, VLPropertyListSerialization::propertyListWithData, [](const VLValue& value) {
        return VLPropertyListSerialization::dataWithPropertyList(value);
    });
    if (VLPropertyListSerialization::stringsOfTopArrayWithData(input).has_value() !=
        VLPropertyListSerialization::propertyListWithData(input).isArray())
        abort();
    checkRoundTrip(input, VLKeyedUnarchiver::unarchivedObject,
                   [](const VLValue& value) { return VLKeyedArchiver::archivedData(value); });
    checkBroadcastMessage(input);
    return 0;
}
