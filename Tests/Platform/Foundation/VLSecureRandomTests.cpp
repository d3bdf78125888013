#include "Platform/Foundation/VLSecureRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// More than getrandom hands out in one call, so the filling loop is exercised.
TEST(VLSecureRandomTests, FillsLargeBuffersToTheEnd) {
    std::vector<uint8_t> buffer(70000, 0);
    ASSERT_TRUE(VLSecureRandomBytes(buffer.data(), buffer.size()));
    // Any 4 KiB slice of zeros would mean a part was left unfilled.
    for (size_t start = 0; start < buffer.size(); start += 4096) {
        const auto end = buffer.begin() + std::min(buffer.size(), start + 4096);
        EXPECT_TRUE(std::any_of(buffer.begin() + start, end, [](uint8_t byte) { return byte != 0; }))
            << start;
    }
    EXPECT_TRUE(VLSecureRandomBytes(nullptr, 0));
}

} // namespace
