#include "LoginHelper/VLHelperBundle.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

std::string VLHelperBundle::executablePath(GError** error) {
    char path[PATH_MAX];
    if (!::realpath("/proc/self/exe", path)) {
        const int failure = errno;
        g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(failure), "/proc/self/exe: %s",
                    g_strerror(failure));
        return {};
    }
    return path;
}

std::string VLHelperBundle::bundlePath(const std::string& executablePath) {
    return deletingLastPathComponent(executablePath);
}

std::string VLHelperBundle::mainApplicationPath(const std::string& bundlePath) {
    std::string path = bundlePath;
    for (int level = 0; level < 4; ++level)
        path = deletingLastPathComponent(path);
    return path;
}

std::string VLHelperBundle::deletingLastPathComponent(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}
