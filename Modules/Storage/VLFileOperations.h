#pragma once

#include "Modules/Storage/VLFileArguments.h"
#include "Platform/Foundation/VLValue.h"

class VLFileSystemManager;

// The operations of VLFilePerform, one function each with its arguments. Each answers its result, or nil
// with the error info set. On the runtime's file thread.
using VLFileOperation = VLValue (*)(VLFileSystemManager& manager, const VLFileArguments& arguments,
                                    VLDictionary* errorInfo);

// Reading: VLFileReadOperations.cpp.
VLValue VLFileAccess(VLFileSystemManager& manager, const VLFileArguments& arguments, VLDictionary* errorInfo);
VLValue VLFileExists(VLFileSystemManager& manager, const VLFileArguments& arguments, VLDictionary* errorInfo);
VLValue VLFileStat(VLFileSystemManager& manager, const VLFileArguments& arguments, VLDictionary* errorInfo);
VLValue VLFileReadFile(VLFileSystemManager& manager, const VLFileArguments& arguments,
                       VLDictionary* errorInfo);
VLValue VLFileReadDir(VLFileSystemManager& manager, const VLFileArguments& arguments,
                      VLDictionary* errorInfo);

// Writing: VLFileWriteOperations.cpp.
VLValue VLFileWriteFile(VLFileSystemManager& manager, const VLFileArguments& arguments,
                        VLDictionary* errorInfo);
VLValue VLFileMkdir(VLFileSystemManager& manager, const VLFileArguments& arguments, VLDictionary* errorInfo);
VLValue VLFileRemove(VLFileSystemManager& manager, const VLFileArguments& arguments, VLDictionary* errorInfo);
VLValue VLFileRename(VLFileSystemManager& manager, const VLFileArguments& arguments, VLDictionary* errorInfo);
VLValue VLFileCopyFile(VLFileSystemManager& manager, const VLFileArguments& arguments,
                       VLDictionary* errorInfo);
