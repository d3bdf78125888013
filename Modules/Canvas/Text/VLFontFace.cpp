#include "Modules/Canvas/Text/VLFontFace.h"

void VLFontFace::setFontDescriptor(VLPlatformFontDescriptorRef descriptor) {
    _fontDescriptor = std::move(descriptor);
    _hasWeightAxis = _fontDescriptor && _fontDescriptor->hasWeightAxis();
}
