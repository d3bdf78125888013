#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Tests/Support/VLTableHostResolver.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Tests never touch the user's real preferences.
    setenv("VELTO_USER_DEFAULTS", "memory", 1);
    // Nor a name server: names resolve only from tables that tests fill.
    VLHostResolver::setShared(std::make_shared<VLTableHostResolver>());
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    // Engines end on their own threads after their owners let go; let them finish before exit, so
    // that leak checks see a process at rest.
    VLRunLoopThread::waitUntilAllFinished(std::chrono::seconds(10));
    return result;
}
