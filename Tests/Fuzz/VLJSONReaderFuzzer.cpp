// libFuzzer target for the JSON reader: whatever is read must write back, and the written text must
// read back to a value that writes the same text.
#include "Platform/Foundation/VLJSONSerialization.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(bytes), size);
    VLJSONReadingOptions readingOptions;
    readingOptions.fragmentsAllowed = true;
    VLErrorRef error;
    VLValue value = VLJSONSerialization::JSONObjectWithData(text, readingOptions, &error);
    if (value.isNil()) {
        if (!error)
            abort();
        return 0;
    }
    VLJSONWritingOptions writingOptions;
    writingOptions.fragmentsAllowed = true;
    auto written = VLJSONSerialization::dataWithJSONObject(value, writingOptions);
    if (!written)
        abort();
    VLValue reread = VLJSONSerialization::JSONObjectWithData(*written, readingOptions);
    auto rewritten = VLJSONSerialization::dataWithJSONObject(reread, writingOptions);
    if (!rewritten || *rewritten != *written)
        abort();
    return 0;
}
