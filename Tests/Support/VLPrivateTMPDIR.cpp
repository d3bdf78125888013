#include "Tests/Support/VLPrivateTMPDIR.h"

#include <cstdlib>

VLPrivateTMPDIR::VLPrivateTMPDIR() {
    if (const char* previous = std::getenv("TMPDIR"))
        _previous = previous;
    setenv("TMPDIR", _directory.path().c_str(), 1);
}

VLPrivateTMPDIR::~VLPrivateTMPDIR() {
    if (_previous)
        setenv("TMPDIR", _previous->c_str(), 1);
    else
        unsetenv("TMPDIR");
}
