#include "Tests/Support/VLTestPackage.h"

#include "Platform/Foundation/VLSHA256.h"

#include <fstream>
#include <span>

VLTestPackage::VLTestPackage(const std::string& name) : _path(_directory / name) {
    std::filesystem::create_directories(_path);
}

void VLTestPackage::write(const std::string& relativePath, std::string_view contents) {
    const std::filesystem::path file = _path / relativePath;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(contents.data(), std::streamsize(contents.size()));
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(contents.data()), contents.size());
    const VLSHA256Digest digest = VLSHA256::digest(bytes);
    _digests.set(relativePath, VLData(digest.begin(), digest.end()));
}
