#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class VLDispatchQueue;

// The files of storage areas: a binary property list of one flat array [key0, value0, key1, ...],
// read when an area is made and written on the process's storage queue. Failures are logged, never
// thrown; the area in memory stays as it is.
class VLStorageFile final {
public:
    // Files larger than this are not read.
    static constexpr uint64_t maximumLength() { return uint64_t(64) << 20; }

    // What a file holds: each element a text, or nothing for one of another kind.
    struct Contents {
        std::vector<std::optional<std::string>> elements;
        // The file exists but is no storage file (not a property list, not an array, too large).
        bool unreadable = false;
    };
    // No file gives empty contents, without a log; an unreadable one is logged.
    static Contents read(const std::string& path);

    // Writes the flat array atomically, or removes the file when it is empty. With keepUnreadable the
    // file there is first renamed aside with the suffix ".unreadable", over an older one.
    static void write(const std::string& path, const std::vector<std::string>& elements, bool keepUnreadable);

    // The serial queue on which files are written, made on first use.
    static const std::shared_ptr<VLDispatchQueue>& queue();

    // How the bytes reach the disk: VLWriteFileAtomically, unless a test counts the writes. False with
    // errno set at a failure. Set before areas write.
    using Writer = std::function<bool(const std::string& path, std::span<const uint8_t> bytes)>;
    static void setWriter(Writer writer);
};
