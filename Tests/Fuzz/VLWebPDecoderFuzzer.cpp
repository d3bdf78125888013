// libFuzzer target for the WebP reader.
#include "Platform/Image/VLWebPDecoder.h"
#include "Tests/Fuzz/VLImageDecoderFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return VLFuzzImageDecoder<VLWebPDecoder>(data, size);
}
