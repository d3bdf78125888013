// libFuzzer target for the JPEG reader.
#include "Platform/Image/VLJPEGDecoder.h"
#include "Tests/Fuzz/VLImageDecoderFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return VLFuzzImageDecoder<VLJPEGDecoder>(data, size);
}
