// libFuzzer target for the GIF reader.
#include "Platform/Image/VLGIFDecoder.h"
#include "Tests/Fuzz/VLImageDecoderFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return VLFuzzImageDecoder<VLGIFDecoder>(data, size);
}
