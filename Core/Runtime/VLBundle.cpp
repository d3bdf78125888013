#include "Core/Runtime/VLBundle.h"

#include "Platform/Foundation/VLPath.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

std::optional<std::string> VLBundle::pathForResource(std::string_view name,
                                                     std::optional<std::string_view> extension,
                                                     std::string_view directory) const {
    std::string file = extension ? VLPathByAppendingExtension(name, *extension) : std::string(name);
    std::string path = VLPathByAppendingComponent(VLPathByAppendingComponent(_bundlePath, directory), file);
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status))
        return std::nullopt;
    return path;
}

std::optional<std::vector<std::string>>
VLBundle::pathsForResourcesOfType(std::optional<std::string_view> extension,
                                  std::optional<std::string_view> directory) const {
    std::string folder = VLPathByAppendingComponent(_bundlePath, directory.value_or(""));
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error)
        return std::nullopt;
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        std::string name = entry.path().filename().string();
        if (!extension || VLPathExtension(name) == *extension)
            names.push_back(std::move(name));
    }
    // The directory's own order is arbitrary here.
    std::ranges::sort(names);
    std::vector<std::string> paths;
    for (const std::string& name : names)
        paths.push_back(VLPathByAppendingComponent(folder, name));
    return paths;
}
