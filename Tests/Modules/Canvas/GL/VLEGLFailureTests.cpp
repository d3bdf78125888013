#include "Core/Engine/Log/VLLog.h"
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLContextScope.h"
#include "Modules/Canvas/GL/VLEGLDisplay.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Modules/Canvas/GL/VLGLPixelStore.h"
#include "Platform/Graphics/VLGLLoader.h"
#include "Tests/Support/VLLogCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A failure to start EGL is final for the process: each case runs in a process of its own, which
// writes what went wrong to standard error and exits 1, or exits 0.
class Problems {
public:
    void expect(bool held, const char* what) {
        if (!held)
            _text += std::string(what) + "\n";
    }
    [[noreturn]] void exit() {
        std::fputs(_text.c_str(), stderr);
        std::fflush(stderr);
        std::exit(_text.empty() ? 0 : 1);
    }

private:
    std::string _text;
};

// What holds once EGL failed to start for a context: nothing is supported, contexts are invalid and answer
// no, the failure was logged once with the text, and nothing tries again.
void checkUnavailable(const std::string& logged) {
    Problems problems;
    VLLogCapture log(VLLogFlagError);
    // The display is tried with the first context.
    std::shared_ptr<VLEGLContext> context = VLEGLContext::create(3);
    std::shared_ptr<VLEGLContext> joining = VLEGLContext::create(2, context->sharegroup());
    problems.expect(!VLEGLIsSupported(), "supported");
    problems.expect(eglGetDefaultDisplay() == EGL_NO_DISPLAY, "a display");
    for (const auto& each : {context, joining, context->sharegroup()->sharedContext()}) {
        problems.expect(each && !each->isValid(), "a valid context");
        problems.expect(!VLEGLContext::setCurrentContext(each), "a context made current");
        problems.expect(each && each->checkReset() == VLEGLContext::ResetNone, "a reset");
        bool ran = false;
        problems.expect(!VLGLTryEnterContextWithBlockScope(each, [&] { ran = true; }), "an entry");
        VLGLEnterContextOfObjectsWithBlockScope(each, [&] { ran = true; });
        VLEGLEnterContextWithBlockScope(each, [&] { ran = true; });
        problems.expect(!ran, "a block run in an invalid context");
    }
    problems.expect(VLEGLContext::currentContext() == nullptr, "a current context");
    problems.expect(VLEGLContext::setCurrentContext(nullptr), "releasing nothing failed");
    bool ran = false;
    VLGLWithDefaultPixelStore([&] { ran = true; });
    problems.expect(ran, "no pixel-store block");
    context.reset();
    joining.reset();
    VLLogFlush();
    int count = 0;
    for (const std::string& line : log.lines()) {
        if (line.find(logged) != std::string::npos)
            ++count;
    }
    problems.expect(count == 1, ("not logged once: " + logged).c_str());
    problems.exit();
}

class VLEGLFailureTests : public testing::Test {
protected:
    // A new process for each case, rather than a fork of this one.
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(VLEGLFailureTests, AMissingLibraryLeavesCanvasesUnavailable) {
    EXPECT_EXIT(
        {
            VLGLLoader::setLibraryNames("libVeltoMissingEGL.so.1", "libGLESv2.so.2");
            checkUnavailable(
                "Canvas is unavailable: can't load libVeltoMissingEGL.so.1: cannot open shared object "
                "file: No such file or directory");
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(VLEGLFailureTests, ADisplayThatCannotStartLeavesCanvasesUnavailable) {
    EXPECT_EXIT(
        {
            // Mesa finds no driver there.
            setenv("LIBGL_DRIVERS_PATH", "/nonexistent", 1);
            checkUnavailable("Canvas is unavailable: ANGLE couldn't initialize Metal (EGL error 0x3001)");
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
