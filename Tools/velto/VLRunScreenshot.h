#pragma once

#include "Platform/Foundation/VLError.h"

#include <string>

// What `velto run --screenshot FILE.png` writes: the main screen as the window server composites it,
// every visible window of the process over a transparent desktop, as an RGBA PNG. Main thread.
class VLRunScreenshot {
public:
    VLRunScreenshot() = delete;

    // Applies the view changes that wait on the main queue first; the error says why nothing was written.
    static VLErrorRef write(const std::string& path);
};
