#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLValue.h"
#include "Platform/Graphics/VLPixelSource.h"

#include <optional>
#include <string>

// Encodes pixels as a PNG of 8-bit RGBA with straight alpha, the colours divided by alpha and rounded.
// Any thread.
class VLPNGWriter final {
public:
    VLPNGWriter() = delete;

    // Nothing for pixels that cannot be encoded: none, or a size PNG does not take.
    static std::optional<VLData> dataWithPixels(const VLPixels& pixels);
    // The source's pixels at this moment.
    static std::optional<VLData> dataWithSource(const VLPixelSource& source);
    // Replaces the file whole, never leaving a part of it; what is no file (a device, say) is refused.
    static VLErrorRef writeSource(const VLPixelSource& source, const std::string& path,
                                  VLSymbolicLinkWriting links = VLSymbolicLinkWriting::Replace);
};
