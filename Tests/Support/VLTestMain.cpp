#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Tests never touch the user's real preferences.
    setenv("VELTO_USER_DEFAULTS", "memory", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
