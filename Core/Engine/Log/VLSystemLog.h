#pragma once

#include <functional>
#include <string_view>

// The stand-in for the system's own log: lines that the engine writes unconditionally (as a
// configuration warning) or through its print sink. Standard error unless a host or a test puts
// another writer in place.
using VLSystemLogWriter = std::function<void(std::string_view line)>;

// Writes one line; the writer is called under a lock, so lines never interleave. Any thread.
void VLSystemLogWrite(std::string_view line);

// Puts a writer in place (nullptr restores standard error) and returns the one it replaces.
VLSystemLogWriter VLSetSystemLogWriter(VLSystemLogWriter writer);
