#pragma once

#include <string>
#include <vector>

// Directories as the file system module makes and removes them, on the runtime's file thread. Each
// answers 0 or the errno of the failure.

// The names in the open directory but "." and "..".
int VLFileNamesInDirectory(int fd, std::vector<std::string>& names);

// mkdir with mode 0755. Recursive: an existing directory is success, and missing parents are made
// first while they lie inside the root.
int VLFileMakeDirectory(const std::string& path, bool recursive, const std::string& root);

// Removes the directory and everything in it without ever following a link: a link is removed, not
// what it leads to. Anything that is not a directory is unlinked.
int VLFileRemoveTree(const std::string& path);
