#pragma once

#include "Platform/Foundation/VLValue.h"

#include <memory>
#include <string>
#include <string_view>

// The test fonts that the setup step keeps in the cache: Inter's "inter-latin-400-normal.woff" and
// ".woff2", "inter-latin-700-italic.woff2", and the variable "inter-latin-wght-normal.woff2" (weight axis
// 100 to 900). The path of one of them by its file name.
std::string VLTestFontPath(std::string_view file);

// The bytes of a test font, or of any font file by its absolute path; the test fails when it cannot be read.
std::shared_ptr<const VLData> VLTestFontData(std::string_view file);

// An installed DejaVu Sans file, which the setup step's fonts-dejavu-core provides.
inline constexpr const char* VLTestDejaVuSansPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
