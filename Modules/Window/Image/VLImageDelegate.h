#pragma once

#include "Platform/Foundation/VLError.h"

#include <memory>

class VLBitmap;
class VLImage;

// Hears how the current source of an image component ended, on the component's thread.
class VLImageDelegate {
public:
    virtual ~VLImageDelegate() = default;

    virtual void imageDidLoaded(VLImage& image, const std::shared_ptr<const VLBitmap>& picture) = 0;
    virtual void imageDidFail(VLImage& image, const VLErrorRef& error) = 0;
};
