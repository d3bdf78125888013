#pragma once

#include "Platform/Foundation/VLFileIO.h"

#include <functional>
#include <string>

// VLWriteFileAtomically with the bytes written by `write` into the new file's descriptor as they are made,
// so that nothing need hold them all; `write` returns false with errno set when it fails. The same
// refusals and the same failures otherwise. Any thread.
bool VLWriteFileAtomicallyWith(const std::string& path, const std::function<bool(int fd)>& write,
                               VLSymbolicLinkWriting links = VLSymbolicLinkWriting::Replace);
