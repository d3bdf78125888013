#include "Modules/Storage/VLFilePerform.h"

#include "Modules/Storage/VLFileErrorInfo.h"
#include "Modules/Storage/VLFileOperations.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <cerrno>
#include <utility>

namespace {

constexpr std::pair<std::string_view, VLFileOperation> kOperations[] = {
    {"access", &VLFileAccess},     {"exists", &VLFileExists},       {"stat", &VLFileStat},
    {"readFile", &VLFileReadFile}, {"writeFile", &VLFileWriteFile}, {"mkdir", &VLFileMkdir},
    {"readdir", &VLFileReadDir},   {"remove", &VLFileRemove},       {"rename", &VLFileRename},
    {"copyFile", &VLFileCopyFile},
};

} // namespace

VLValue VLFilePerform(VLFileSystemManager& manager, std::string_view operation, const VLArray& arguments,
                      VLDictionary* errorInfo) {
    VLDictionary failure;
    VLValue result;
    bool known = false;
    for (const auto& [name, perform] : kOperations) {
        if (name == operation) {
            result = perform(manager, VLFileArguments(arguments), &failure);
            known = true;
            break;
        }
    }
    if (!known)
        failure = VLFileErrorInfo(EINVAL, VLStringWithFormat("unknown operation %@", operation), operation,
                                  VLFileArguments(arguments).path());
    if (result.isNil() && errorInfo)
        *errorInfo = std::move(failure);
    return result;
}
