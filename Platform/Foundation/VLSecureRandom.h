#pragma once

#include <cstddef>

// Fills the buffer with bytes from the kernel's secure random generator (getrandom), waiting for it
// to be seeded if it is not yet. False, with the buffer's contents undefined, when the kernel refuses.
bool VLSecureRandomBytes(void* buffer, size_t count);
