#include "Platform/Foundation/VLPath.h"

#include <cstdlib>
#include <vector>

namespace {

std::string_view withoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.ends_with('/'))
        path.remove_suffix(1);
    return path;
}

} // namespace

std::string_view VLLastPathComponent(std::string_view path) {
    path = withoutTrailingSlashes(path);
    if (path == "/")
        return path;
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view VLPathExtension(std::string_view path) {
    std::string_view name = VLLastPathComponent(path);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return name.substr(dot + 1);
}

std::string VLPathByAppendingComponent(std::string_view path, std::string_view component) {
    std::string result(withoutTrailingSlashes(path));
    while (component.starts_with('/'))
        component.remove_prefix(1);
    if (component.empty())
        return result;
    if (!result.empty() && result != "/")
        result += '/';
    result += component;
    return result;
}

std::string VLPathByAppendingExtension(std::string_view path, std::string_view extension) {
    std::string result(withoutTrailingSlashes(path));
    if (!extension.empty())
        result.append(".").append(extension);
    return result;
}

std::vector<std::string_view> VLPathComponents(std::string_view path) {
    std::vector<std::string_view> components;
    while (!path.empty()) {
        size_t slash = path.find('/');
        std::string_view component = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (!component.empty() && component != ".")
            components.push_back(component);
    }
    return components;
}

std::string VLStandardizedPath(std::string_view path) {
    const bool absolute = path.starts_with('/');
    std::vector<std::string_view> components;
    for (std::string_view component : VLPathComponents(path)) {
        if (component == ".." && !components.empty() && components.back() != "..")
            components.pop_back();
        else if (component != ".." || !absolute)
            components.push_back(component);
    }
    std::string result = absolute ? "/" : "";
    for (std::string_view component : components) {
        if (!result.empty() && result != "/")
            result += '/';
        result += component;
    }
    return result;
}

std::string VLSystemTemporaryDirectory() {
    const char* directory = std::getenv("TMPDIR");
    if (directory && directory[0] == '/')
        return std::string(withoutTrailingSlashes(directory));
    return "/tmp";
}
