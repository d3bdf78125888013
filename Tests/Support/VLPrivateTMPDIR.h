#pragma once

#include "Tests/Support/VLTemporaryDirectory.h"

#include <optional>
#include <string>

// Points $TMPDIR at a new empty directory for one test, so that what the engine keeps in the system
// temporary directory is the test's alone; restores $TMPDIR and removes the directory afterwards.
class VLPrivateTMPDIR {
public:
    VLPrivateTMPDIR();
    ~VLPrivateTMPDIR();
    VLPrivateTMPDIR(const VLPrivateTMPDIR&) = delete;
    VLPrivateTMPDIR& operator=(const VLPrivateTMPDIR&) = delete;

    const std::filesystem::path& path() const { return _directory.path(); }

private:
    VLTemporaryDirectory _directory{"velto-tmpdir"};
    std::optional<std::string> _previous;
};
