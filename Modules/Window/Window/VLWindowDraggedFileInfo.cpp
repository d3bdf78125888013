#include "Modules/Window/Window/VLWindowDraggedFileInfo.h"

#include "Platform/Foundation/VLUnicode.h"

#include <sys/stat.h>

#include <cstdint>
#include <string_view>

namespace {

struct TypeByExtension {
    std::string_view extension;
    std::string_view type;
};

// Directories with these extensions are bundles that the desktop shows as single files.
constexpr TypeByExtension kPackageTypes[] = {
    {"app", "com.apple.application-bundle"},
    {"bundle", "com.apple.bundle"},
    {"framework", "com.apple.framework"},
    {"plugin", "com.apple.plugin"},
    {"kext", "com.apple.kernel-extension"},
    {"rtfd", "com.apple.rtfd"},
    {"pkg", "com.apple.installer-package-archive"},
    {"xpc", "com.apple.xpc-service"},
    {"prefpane", "com.apple.systempreference.prefpane"},
    {"qlgenerator", "com.apple.quicklook-generator"},
    {"mdimporter", "com.apple.metadata-importer"},
    {"saver", "com.apple.systempreference.screen-saver"},
};

// Common kinds of plain files; anything else gets no type.
constexpr TypeByExtension kFileTypes[] = {
    {"txt", "public.plain-text"},
    {"text", "public.plain-text"},
    {"md", "net.daringfireball.markdown"},
    {"markdown", "net.daringfireball.markdown"},
    {"rtf", "public.rtf"},
    {"html", "public.html"},
    {"htm", "public.html"},
    {"xml", "public.xml"},
    {"json", "public.json"},
    {"csv", "public.comma-separated-values-text"},
    {"js", "com.netscape.javascript-source"},
    {"css", "public.css"},
    {"sh", "public.shell-script"},
    {"py", "public.python-script"},
    {"pdf", "com.adobe.pdf"},
    {"png", "public.png"},
    {"jpg", "public.jpeg"},
    {"jpeg", "public.jpeg"},
    {"gif", "com.compuserve.gif"},
    {"tif", "public.tiff"},
    {"tiff", "public.tiff"},
    {"bmp", "com.microsoft.bmp"},
    {"ico", "com.microsoft.ico"},
    {"heic", "public.heic"},
    {"webp", "org.webmproject.webp"},
    {"svg", "public.svg-image"},
    {"mp3", "public.mp3"},
    {"m4a", "com.apple.m4a-audio"},
    {"wav", "com.microsoft.waveform-audio"},
    {"aif", "public.aiff-audio"},
    {"aiff", "public.aiff-audio"},
    {"mp4", "public.mpeg-4"},
    {"m4v", "com.apple.m4v-video"},
    {"mov", "com.apple.quicktime-movie"},
    {"zip", "public.zip-archive"},
    {"gz", "org.gnu.gnu-zip-archive"},
    {"tar", "public.tar-archive"},
    {"doc", "com.microsoft.word.doc"},
    {"docx", "org.openxmlformats.wordprocessingml.document"},
    {"xls", "com.microsoft.excel.xls"},
    {"xlsx", "org.openxmlformats.spreadsheetml.sheet"},
    {"ppt", "com.microsoft.powerpoint.ppt"},
    {"pptx", "org.openxmlformats.presentationml.presentation"},
};

template <size_t Count>
const TypeByExtension* find(const TypeByExtension (&table)[Count], std::string_view extension) {
    for (const TypeByExtension& entry : table)
        if (entry.extension == extension)
            return &entry;
    return nullptr;
}

// The type of what lstat found, empty when we know none: links and folders by their kind, the rest by
// extension.
std::string_view typeOf(const struct stat& status, bool isPackage, std::string_view extension) {
    if (S_ISLNK(status.st_mode))
        return "public.symlink";
    if (isPackage)
        return find(kPackageTypes, extension)->type;
    if (S_ISDIR(status.st_mode))
        return "public.folder";
    const TypeByExtension* entry = S_ISREG(status.st_mode) ? find(kFileTypes, extension) : nullptr;
    return entry ? entry->type : std::string_view();
}

int64_t millisecondsSince1970(const struct timespec& time) {
    // tv_nsec is never negative, so this floors also before 1970.
    return int64_t(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

} // namespace

VLDictionary VLWindowDraggedFileInfo(const VLURL& url) {
    const std::string extension = VLASCIILowercaseString(url.pathExtension());
    // A URL written with a trailing slash names a directory, whatever the disk says.
    const bool hasDirectoryPath = url.components().percentEncodedPath().ends_with('/');
    struct stat status {};
    const bool known = lstat(url.path().c_str(), &status) == 0;
    const bool isDirectory = hasDirectoryPath || (known && S_ISDIR(status.st_mode));
    const bool isPackage = known && S_ISDIR(status.st_mode) && find(kPackageTypes, extension);

    VLDictionary entry{
        {"name", url.lastPathComponent()},
        {"directory", isDirectory && !isPackage ? 1 : 0},
        {"package", isPackage},
    };
    if (known) {
        if (S_ISREG(status.st_mode) && !isDirectory)
            entry.set("size", int64_t(status.st_size));
        if (const std::string_view type = typeOf(status, isPackage, extension); !type.empty())
            entry.set("type", type);
        entry.set("modified", millisecondsSince1970(status.st_mtim));
    }
    entry.set("extension", extension);
    return entry;
}
