#include "Modules/Storage/VLFileErrorInfo.h"

#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Foundation/VLUnicode.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

constexpr std::pair<int, std::string_view> kCodes[] = {
    {EPERM, "EPERM"},         {ENOENT, "ENOENT"}, {EIO, "EIO"},
    {EBADF, "EBADF"},         {EACCES, "EACCES"}, {EBUSY, "EBUSY"},
    {EEXIST, "EEXIST"},       {EXDEV, "EXDEV"},   {ENOTDIR, "ENOTDIR"},
    {EISDIR, "EISDIR"},       {EINVAL, "EINVAL"}, {ENFILE, "ENFILE"},
    {EMFILE, "EMFILE"},       {EFBIG, "EFBIG"},   {ENOSPC, "ENOSPC"},
    {EROFS, "EROFS"},         {ELOOP, "ELOOP"},   {ENAMETOOLONG, "ENAMETOOLONG"},
    {ENOTEMPTY, "ENOTEMPTY"}, {EDQUOT, "EDQUOT"},
};

// The C library's own text, which unlike strerror() never follows the locale.
std::string descriptionOf(int number) {
    if (const char* text = ::strerrordesc_np(number))
        return VLASCIILowercaseString(text);
    return VLStringWithFormat("unknown error %d", number);
}

} // namespace

std::string_view VLFileErrorCode(int number) {
    for (const auto& [value, code] : kCodes)
        if (value == number)
            return code;
    return "UNKNOWN";
}

VLDictionary VLFileErrorInfo(int number, std::optional<std::string> message, std::string_view syscall,
                             std::string_view path) {
    return VLDictionary{
        {"code", VLFileErrorCode(number)},
        {"message", message ? std::move(*message) : descriptionOf(number)},
        {"syscall", syscall},
        {"path", path},
    };
}

VLDictionary VLFileErrnoInfo(std::string_view syscall, std::string_view path) {
    return VLFileErrorInfo(errno, std::nullopt, syscall, path);
}

VLDictionary VLFileErrorInfoOfError(const VLErrorRef& error, int fallbackNumber, std::string_view syscall,
                                    std::string_view path) {
    const int number = error && error->domain() == VLPOSIXErrorDomain ? int(error->code()) : fallbackNumber;
    std::string message = VLASCIILowercaseString(error ? error->localizedDescription() : std::string());
    return VLFileErrorInfo(number, std::move(message), syscall, path);
}
