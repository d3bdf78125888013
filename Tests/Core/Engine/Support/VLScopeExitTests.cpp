#include "Core/Engine/Support/VLScopeExit.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

TEST(VLScopeExit, RunsWhenTheScopeEndsInReverseOrderEvenOnThrow) {
    std::string trace;
    try {
        VLScopeExit first([&] { trace += "1"; });
        VLScopeExit second([&] { trace += "2"; });
        trace += "body ";
        throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {
        trace += " caught";
    }
    EXPECT_EQ("body 21 caught", trace);
}
