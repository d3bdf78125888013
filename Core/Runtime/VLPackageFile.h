#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <optional>

// A file of a widget's package whose contents are handed out only once they are proved to be what the
// host installed. Any thread.
class VLPackageFile {
public:
    virtual ~VLPackageFile() = default;

    // The size when the file was opened.
    virtual uint64_t length() const = 0;
    // The whole contents, proved.
    virtual std::optional<VLData> allDataWithError(VLErrorRef* error = nullptr) = 0;
    // The bytes from the location on, at most `count` of them; empty past the end.
    virtual std::optional<VLData> dataInRange(uint64_t location, uint64_t count,
                                              VLErrorRef* error = nullptr) = 0;
};
