// libFuzzer target for font data: any bytes either fail with one of the three reasons or give a face
// whose names are UTF-8, whose weight is from 1 to 1000 and whose bytes open again as a face.
#include "Modules/Canvas/Text/VLFontDescriptorFromData.h"
#include "Platform/Foundation/VLUnicode.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    auto data = std::make_shared<const VLData>(bytes, bytes + size);
    std::string failure;
    const VLPlatformFontDescriptorRef descriptor = VLFontDescriptorFromData(data, failure);
    if (!descriptor) {
        if (failure != "it isn't a TrueType, OpenType, WOFF or WOFF2 font" &&
            failure != "the font can't be read")
            abort();
        return 0;
    }
    if (!failure.empty() || descriptor->bytes() != data)
        abort();
    for (const std::string* name : {&descriptor->familyName(), &descriptor->fullName(),
                                    &descriptor->postScriptName(), &descriptor->styleName()}) {
        if (!VLIsValidUTF8(*name))
            abort();
    }
    if (descriptor->weight() < 1 || descriptor->weight() > 1000)
        abort();
    if (!descriptor->openFace())
        abort();
    return 0;
}
