#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A widget package seen as a directory: its root and lookups of the files under it. Immutable, so any
// thread may use it; lookups read the disk each time.
class VLBundle {
public:
    explicit VLBundle(std::string path) : _bundlePath(std::move(path)) {}
    virtual ~VLBundle() = default;

    // The package root, as given.
    const std::string& bundlePath() const { return _bundlePath; }

    // The path of name (with the extension appended when there is one) in the directory under the root,
    // when an item that is not a directory lies there; nothing otherwise.
    std::optional<std::string> pathForResource(std::string_view name,
                                               std::optional<std::string_view> extension,
                                               std::string_view directory = {}) const;
    // The full paths of the directory's entries (the root's when no directory is given) whose extension
    // is the given one (every entry without one), sorted by name; nothing when it cannot be listed.
    std::optional<std::vector<std::string>>
    pathsForResourcesOfType(std::optional<std::string_view> extension,
                            std::optional<std::string_view> directory) const;

private:
    std::string _bundlePath;
};
