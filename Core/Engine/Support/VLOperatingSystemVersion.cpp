#include "Core/Engine/Support/VLOperatingSystemVersion.h"

#include <algorithm>
#include <charconv>
#include <sys/utsname.h>

namespace {

// Reads the decimal number at the start of the text and removes it; 0 when there is none.
unsigned takeNumber(std::string_view& text) {
    unsigned value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc())
        return 0;
    text.remove_prefix(size_t(result.ptr - text.data()));
    return value;
}

} // namespace

double VLOperatingSystemVersionFromRelease(std::string_view release) {
    unsigned major = takeNumber(release);
    unsigned minor = 0;
    if (release.starts_with('.')) {
        release.remove_prefix(1);
        minor = takeNumber(release);
    }
    return major + std::min(minor, 9u) / 10.0;
}

// The kernel's release is the version a process can always read on Linux, and the one the platform's
// own process information reports there; distribution versions depend on files that may be missing.
double VLOperatingSystemVersion() {
    static const double version = [] {
        struct utsname names = {};
        return uname(&names) == 0 ? VLOperatingSystemVersionFromRelease(names.release) : 0.0;
    }();
    return version;
}
