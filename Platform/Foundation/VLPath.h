#pragma once

#include <string>
#include <string_view>
#include <vector>

// Paths held as text, read with the platform's path-string rules. Any thread.

// The last component; trailing slashes are ignored, "/" stays "/" and the empty path gives "".
std::string_view VLLastPathComponent(std::string_view path);

// The text after the last dot of the last component; none for a name that only starts with a dot
// (".profile") or ends with one.
std::string_view VLPathExtension(std::string_view path);

// The path and the component joined by one slash; an empty component gives the path without its
// trailing slashes.
std::string VLPathByAppendingComponent(std::string_view path, std::string_view component);

// The path with "." and the extension appended; an empty extension gives the path unchanged.
std::string VLPathByAppendingExtension(std::string_view path, std::string_view extension);

// The components between slashes, without empty and "." ones ("a//./b/" gives a, b).
std::vector<std::string_view> VLPathComponents(std::string_view path);

// The path reduced without touching the disk: repeated slashes and "." components removed, ".."
// taking its parent away (above the root of an absolute path it is dropped), no trailing slash.
std::string VLStandardizedPath(std::string_view path);

// $TMPDIR when it holds an absolute path, else "/tmp"; read on every call.
std::string VLSystemTemporaryDirectory();
