#pragma once

#include <string>

// What identifies this build of the program, so that a rebuilt program is asked again for what an older
// one was granted: the GNU build-id of the executable in hex, else the SHA-256 of the executable in hex,
// else "". Computed once per process; any thread.
class VLSystemAudioCodeIdentity final {
public:
    static const std::string& current();

private:
    static std::string buildIdentifier();
    static std::string executableDigest();
};
