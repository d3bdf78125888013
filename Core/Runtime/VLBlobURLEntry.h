#pragma once

#include "Platform/Foundation/VLValue.h"

#include <memory>
#include <optional>
#include <string>

// One object URL's contents: the bytes, the MIME type as given (perhaps with parameters; empty when
// none was given), and the file written for it once a consumer needed a path.
struct VLBlobURLEntry {
    std::shared_ptr<const VLData> data;
    std::string type;
    std::optional<std::string> filePath;
};
