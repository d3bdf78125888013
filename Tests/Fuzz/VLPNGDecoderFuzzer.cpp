// libFuzzer target for the PNG reader.
#include "Platform/Image/VLPNGDecoder.h"
#include "Tests/Fuzz/VLImageDecoderFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return VLFuzzImageDecoder<VLPNGDecoder>(data, size);
}
