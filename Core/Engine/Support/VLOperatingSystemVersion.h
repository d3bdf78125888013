#pragma once

#include <string_view>

// The operating system's version as one comparable number: major + minor / 10 (6.1 for 6.1). Read
// once; 0 when it cannot be read. Callers compare it with 13.3, a version of the platform where script
// contexts first became inspectable; the kernel versions read here are all below that.
double VLOperatingSystemVersion();

// The number for a kernel release text such as "6.1.0-18-amd64": 6.1. The minor version counts at
// most 9, so that 5.15 stays below 6.0 (it gives 5.9). 0 when the text does not start with a number.
double VLOperatingSystemVersionFromRelease(std::string_view release);
