#pragma once

#include <string>
#include <string_view>

// This process's temporary directory for a name: the system temporary directory, the name, then the
// process identifier ("/tmp/Velto-runtimes/4242"). The directory itself is not created.
//
// The system temporary directory is shared by every user, so the folder for the name is made private
// (mode 0700) and used only when it is a real directory of this user; otherwise "<name>-<uid>" beside
// it is tried. Empty when neither can be had. The first call for a folder in this process deletes what
// it holds except the directories of processes that still run. Any thread.
std::string VLProcessTemporaryDirectory(std::string_view name);

// Removes this process's directory for the name when nothing is left in it: what is, was not the
// caller's to end. Any thread.
void VLRemoveEmptyProcessTemporaryDirectory(std::string_view name);
