#pragma once

#include "Platform/Foundation/VLValue.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <sys/types.h>

// File reads and writes over POSIX descriptors, with interrupted calls retried. Any thread.

// pread() that retries when a signal interrupts it: the byte count, 0 at the end of the file, or -1 with
// errno set.
ssize_t VLReadAt(int fd, void* buffer, size_t count, uint64_t offset);

// Fills the buffer from the offset on; false at an error or when the file ends first.
bool VLReadFullyAt(int fd, void* buffer, size_t count, uint64_t offset);

// The whole contents of a file, read in one go; nothing, with the error number in *error, when the file
// cannot be opened or read (a directory gives EISDIR, anything else that is not a regular file EINVAL:
// a FIFO never blocks the reader, a device never fills memory), holds more than maximumLength bytes
// (EFBIG) or its bytes find no memory (ENOMEM).
std::optional<VLData> VLContentsOfFile(const std::string& path, int* error = nullptr,
                                       uint64_t maximumLength = UINT64_MAX);

// write() until every byte is written, again when a signal interrupts; false at any other error, with
// errno set.
bool VLFileWriteAll(int fd, std::span<const uint8_t> bytes);

// What an atomic write does with a symbolic link at the path: a settings file kept as a link is common,
// so by default the link is replaced by the file, as any file is; a path given by a person on the
// command line may instead refuse it.
enum class VLSymbolicLinkWriting { Replace, Refuse };

// Writes the bytes to a new file beside the path and renames it over the path, so that readers see the
// old file or the new one, never a part. The folder must exist. A path that is a directory, a device, a
// FIFO or a socket is refused and left as it is (EISDIR, or EINVAL for the others; ELOOP for a refused
// link). False with errno set at any failure, the temporary file removed.
bool VLWriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                           VLSymbolicLinkWriting links = VLSymbolicLinkWriting::Replace);
