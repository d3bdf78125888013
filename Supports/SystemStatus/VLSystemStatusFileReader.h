#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How the system-status readers reach the kernel's files: absolute paths ("/proc/stat") taken under a
// root folder, "/" on a machine and a fixture tree in tests. A file that is missing, unreadable, not a
// regular file or larger than 1 MB reads as nothing, so a reader leaves its fields at their defaults.
// It can also note each path it reads, so that a benchmark can read the same files plainly.
//
// Not thread-safe: the monitor uses it on its queue only.
class VLSystemStatusFileReader {
public:
    explicit VLSystemStatusFileReader(std::string root = "/");

    const std::string& root() const { return _root; }
    // The path on this machine of an absolute path under the root.
    std::string pathOf(std::string_view path) const;

    // The whole file.
    std::optional<std::string> text(std::string_view path) const;
    // The first line, without its end.
    std::optional<std::string> line(std::string_view path) const;
    // The first line as a decimal or 0x-hexadecimal integer; nothing when it holds anything else.
    std::optional<int64_t> integer(std::string_view path) const;
    bool exists(std::string_view path) const;
    // The names in a folder, sorted, without "." and ".."; empty when it cannot be listed.
    std::vector<std::string> list(std::string_view path) const;

    // Noting what is read: files, and folders listed.
    struct Access {
        std::string path; // on this machine
        bool isFolder = false;
    };
    void setNotesAccesses(bool notes) { _notesAccesses = notes; }
    const std::vector<Access>& accesses() const { return _accesses; }

private:
    void note(std::string path, bool isFolder) const;

    std::string _root; // without a trailing slash; empty for "/"
    bool _notesAccesses = false;
    mutable std::vector<Access> _accesses;
};

// The integer of a whole decimal text such as "42" or "-7", surrounding white space allowed; nothing
// for anything else or a value out of range.
std::optional<int64_t> VLSystemStatusParseInteger(std::string_view text);
// The unsigned decimal at the start of the text, with the characters it took; 0 taken for none.
uint64_t VLSystemStatusParseUnsigned(std::string_view text, size_t* taken);
// The text without the white space around it.
std::string_view VLSystemStatusTrimmed(std::string_view text);
// The unsigned decimal after the spaces at the start of the text, which is moved past it; nothing when
// there is none.
std::optional<uint64_t> VLSystemStatusNextUnsigned(std::string_view& text);

// Calls visit(line) for each line of the text that ends, without its end: a line cut off at the end of a
// truncated file is left out.
template <typename Visit>
void VLSystemStatusForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return;
        visit(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
}
