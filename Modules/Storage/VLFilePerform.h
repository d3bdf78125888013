#pragma once

#include "Platform/Foundation/VLValue.h"

#include <string_view>

class VLFileSystemManager;

// Runs one operation of the file system module, by name, in the runtime's sandbox: "access", "exists",
// "stat", "readFile", "writeFile", "mkdir", "readdir", "remove", "rename" and "copyFile". The answer is
// the operation's result (null for those that have none), or nil with the error info stored: a
// dictionary shaped like Node's system errors (VLFileErrorInfo). On the runtime's file thread, so that
// the operations of one runtime run one at a time in call order.
VLValue VLFilePerform(VLFileSystemManager& manager, std::string_view operation, const VLArray& arguments,
                      VLDictionary* errorInfo);
