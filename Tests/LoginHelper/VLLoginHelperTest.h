#pragma once

#include "Tests/Support/VLTemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

// What every helper test shares: a temporary tree, and a session bus address where no bus listens, so
// that neither the helper nor GIO in the test ever reaches the machine's own session bus.
class VLLoginHelperTest : public testing::Test {
protected:
    void SetUp() override { ::setenv("DBUS_SESSION_BUS_ADDRESS", noBus().c_str(), 1); }

    std::string noBus() const { return "unix:path=" + (_root / "no-bus").string(); }

    VLTemporaryDirectory _root{"velto-login-helper"};
};
