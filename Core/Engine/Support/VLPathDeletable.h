#pragma once

#include <string>

// Clears (deletable) or sets (not deletable) the append-only flag of the file or folder at the path;
// a file with the flag can only be appended to, and neither it nor, for a folder, its entries can be
// removed. Changing the flag needs the CAP_LINUX_IMMUTABLE capability and a file system with inode
// flags; when the path or its flags cannot be read or set, nothing happens. Any thread.
void VLEnablePathDeletable(const std::string& path, bool deletable);
