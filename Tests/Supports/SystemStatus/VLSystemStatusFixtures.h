#pragma once

#include <filesystem>

// One of the machine trees in Tests/Fixtures/system-status, which the readers take as their root.
inline std::filesystem::path VLSystemStatusFixture(const char* tree = "laptop-discharging") {
    return std::filesystem::path(VELTO_FIXTURES) / "system-status" / tree;
}
