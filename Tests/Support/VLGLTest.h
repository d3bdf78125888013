#pragma once

#include "Modules/Canvas/GL/VLEGLContext.h"

#include <gtest/gtest.h>

#include <memory>

// A fixture for GPU tests on llvmpipe. The first context of a process starts llvmpipe, which takes
// about a quarter of a second: the tests of a suite share its contexts, one of each api in one share
// group, made on first use and freed after the suite (so that its last context ends the display). Each
// test leaves its thread without a current context. A surfaceless context starts with a 0 × 0 viewport:
// tests that draw set one (VLGLTestFramebuffer does).
class VLGLTest : public testing::Test {
protected:
    // Made current on the calling thread; a failure fails the test.
    static std::shared_ptr<VLEGLContext> makeCurrentSharedContext(int api);
    static std::shared_ptr<VLEGLContext> sharedContext(int api);

    static void TearDownTestSuite();
    void TearDown() override;
};
