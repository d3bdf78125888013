#include "Tests/Support/VLTestFonts.h"

#include "Platform/Foundation/VLFileIO.h"

#include <gtest/gtest.h>

#include <filesystem>

std::string VLTestFontPath(std::string_view file) {
    for (const char* folder : {VELTO_INTER_FONT_DIR, VELTO_INTER_VARIABLE_FONT_DIR}) {
        const std::filesystem::path path = std::filesystem::path(folder) / file;
        if (std::filesystem::exists(path))
            return path.string();
    }
    ADD_FAILURE() << "no test font " << file;
    return {};
}

std::shared_ptr<const VLData> VLTestFontData(std::string_view file) {
    const std::string path = file.starts_with('/') ? std::string(file) : VLTestFontPath(file);
    std::optional<VLData> bytes = VLContentsOfFile(path);
    if (!bytes) {
        ADD_FAILURE() << "can't read " << path;
        return std::make_shared<const VLData>();
    }
    return std::make_shared<const VLData>(std::move(*bytes));
}
