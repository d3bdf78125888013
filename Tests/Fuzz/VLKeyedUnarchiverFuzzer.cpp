// libFuzzer target for the unarchiver, both its layers: the input is read as a plain binary property list
// and as a keyed archive. A failure must say why; whatever is read must write back, and what it writes
// must read back to a value that writes the same bytes. The storage files' reading of the texts of a top
// array must succeed exactly where the plain reading finds an array. Seeds:
// Tests/Fuzz/Seeds/VLKeyedUnarchiverFuzzer.
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
    return 0;
}
