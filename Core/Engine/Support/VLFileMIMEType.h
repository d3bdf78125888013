#pragma once

#include <string>
#include <string_view>

// The MIME type for a file path, by its extension: the system's preferred type for it, or
// "application/octet-stream" when there is no extension or the system knows none. Answers are cached
// per extension as written (up to 1024 of them). Any thread.
std::string VLFileMIMETypeWithAbsolutePath(std::string_view path);
