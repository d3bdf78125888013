#include "Supports/SystemStatus/VLSystemStatusFileReader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Kernel files are small; a larger one is not what a reader expects.
constexpr size_t kFileLimit = 1 << 20;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

VLSystemStatusFileReader::VLSystemStatusFileReader(std::string root) : _root(std::move(root)) {
    while (!_root.empty() && _root.back() == '/')
        _root.pop_back();
}

std::string VLSystemStatusFileReader::pathOf(std::string_view path) const {
    std::string full = _root;
    full.append(path);
    return full;
}

void VLSystemStatusFileReader::note(std::string path, bool isFolder) const {
    if (_notesAccesses)
        _accesses.push_back({std::move(path), isFolder});
}

std::optional<std::string> VLSystemStatusFileReader::text(std::string_view path) const {
    std::string full = pathOf(path);
    note(full, false);
    // Non-blocking, so that a FIFO in a fixture fails instead of hanging the monitor.
    int fd = ::open(full.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat status;
    std::optional<std::string> contents;
    // Kernel files are regular files whose size says nothing: read to the end.
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        std::string buffer(4096, '\0');
        size_t filled = 0;
        for (;;) {
            if (filled == buffer.size()) {
                if (buffer.size() >= kFileLimit)
                    break;
                buffer.resize(buffer.size() * 2);
            }
            ssize_t count = ::read(fd, buffer.data() + filled, buffer.size() - filled);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                break;
            if (count == 0) {
                buffer.resize(filled);
                contents = std::move(buffer);
                break;
            }
            filled += size_t(count);
        }
    }
    ::close(fd);
    return contents;
}

std::optional<std::string> VLSystemStatusFileReader::line(std::string_view path) const {
    std::optional<std::string> contents = text(path);
    if (contents) {
        size_t end = contents->find('\n');
        if (end != std::string::npos)
            contents->resize(end);
    }
    return contents;
}

std::optional<int64_t> VLSystemStatusFileReader::integer(std::string_view path) const {
    std::optional<std::string> first = line(path);
    if (!first)
        return std::nullopt;
    std::string_view text = VLSystemStatusTrimmed(*first);
    if (text.starts_with("0x")) {
        int64_t value = 0;
        auto [end, error] = std::from_chars(text.data() + 2, text.data() + text.size(), value, 16);
        if (error != std::errc() || end != text.data() + text.size() || text.size() == 2)
            return std::nullopt;
        return value;
    }
    return VLSystemStatusParseInteger(text);
}

bool VLSystemStatusFileReader::exists(std::string_view path) const {
    std::string full = pathOf(path);
    note(full, false);
    return ::access(full.c_str(), F_OK) == 0;
}

std::vector<std::string> VLSystemStatusFileReader::list(std::string_view path) const {
    std::string full = pathOf(path);
    note(full, true);
    std::vector<std::string> names;
    DIR* folder = ::opendir(full.c_str());
    if (!folder)
        return names;
    while (dirent* entry = ::readdir(folder)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<int64_t> VLSystemStatusParseInteger(std::string_view text) {
    text = VLSystemStatusTrimmed(text);
    int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

uint64_t VLSystemStatusParseUnsigned(std::string_view text, size_t* taken) {
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    *taken = error == std::errc() ? size_t(end - text.data()) : 0;
    return error == std::errc() ? value : 0;
}

std::optional<uint64_t> VLSystemStatusNextUnsigned(std::string_view& text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    size_t taken = 0;
    uint64_t value = VLSystemStatusParseUnsigned(text, &taken);
    if (taken == 0)
        return std::nullopt;
    text.remove_prefix(taken);
    return value;
}

std::string_view VLSystemStatusTrimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}
