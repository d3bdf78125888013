#pragma once

#include "Platform/Foundation/VLValue.h"
#include "Tests/Support/VLTemporaryDirectory.h"

#include <string>
#include <string_view>

// A widget package for one test: a directory of the given name in a temporary directory, holding the
// files the test writes, and the digests of those files as a launch payload carries them.
class VLTestPackage {
public:
    explicit VLTestPackage(const std::string& name = "widget");

    // The package directory, without a trailing slash.
    std::string path() const { return _path.string(); }
    // Writes (or replaces) a file, making its folders.
    void write(const std::string& relativePath, std::string_view contents);
    // Relative path → SHA-256 digest of what write() last put there.
    const VLDictionary& digests() const { return _digests; }

private:
    VLTemporaryDirectory _directory{"velto-package"};
    std::filesystem::path _path;
    VLDictionary _digests;
};
