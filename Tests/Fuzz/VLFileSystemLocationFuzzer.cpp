// libFuzzer target for location resolution: whatever a script names, a resolved path lies inside the
// root it belongs to, with that root's permission and no ".." left in it, and a refusal is a POSIX
// error of code 2, 13 or 22. The first byte chooses between a location text and a URL.
#include "Core/Runtime/VLFileSystemManager.h"
#include "Platform/Foundation/VLPath.h"
#include "Platform/Foundation/VLURL.h"
#include "Tests/Support/VLFakeFileSystemOwner.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

struct Sandbox {
    std::shared_ptr<VLFakeFileSystemOwner> owner = std::make_shared<VLFakeFileSystemOwner>();
    std::shared_ptr<VLFileSystemManager> manager;
    std::string package;
    std::string usr;
    std::string temp;

    Sandbox() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velto-fuzz-XXXXXX").string();
        std::string base = ::mkdtemp(pattern.data());
        setenv("TMPDIR", base.c_str(), 1);
        package = base + "/package";
        std::filesystem::create_directories(package + "/img");
        owner->bundle = package;
        manager = VLFileSystemManager::create(owner);
        usr = *manager->rootOfHost("usr");
        temp = *manager->rootOfHost("temp");
    }
};

bool inside(const std::string& path, const std::string& root) {
    return path == root || path.starts_with(root + "/");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static Sandbox* sandbox = new Sandbox();
    if (size == 0)
        return 0;
    const std::string text(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    VLErrorRef error;
    const VLFile file = bytes[0] & 1 ? sandbox->manager->fileAtURL(VLURL(text), &error)
                                     : sandbox->manager->fileAtPath(text, &error);
    if (!file.path) {
        if (file.permission != 0 || !error || error->domain() != VLPOSIXErrorDomain ||
            (error->code() != 2 && error->code() != 13 && error->code() != 22))
            abort();
        return 0;
    }
    const std::string& path = *file.path;
    if (error || VLStandardizedPath(path) != path)
        abort();
    const bool sandboxed = inside(path, sandbox->usr) || inside(path, sandbox->temp);
    if (sandboxed ? file.permission != VLFilePermissionAll
                  : !inside(path, sandbox->package) || file.permission != VLFilePermissionRead)
        abort();
    return 0;
}
