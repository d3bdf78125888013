#include "Platform/Foundation/VLSecureRandom.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>

bool VLSecureRandomBytes(void* buffer, size_t count) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    // A call may return fewer bytes than asked for (past 256 bytes) or be interrupted by a signal.
    while (count > 0) {
        const ssize_t filled = getrandom(bytes, count, 0);
        if (filled < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += filled;
        count -= size_t(filled);
    }
    return true;
}
