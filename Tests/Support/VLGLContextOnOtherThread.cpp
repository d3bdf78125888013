#include "Tests/Support/VLGLContextOnOtherThread.h"

#include "Modules/Canvas/GL/VLEGLContext.h"

#include <gtest/gtest.h>

VLGLContextOnOtherThread::VLGLContextOnOtherThread(std::shared_ptr<VLEGLContext> context)
    : _thread([this, context = std::move(context)] {
          _current = VLEGLContext::setCurrentContext(context);
          _made.raise();
          EXPECT_TRUE(_release.wait());
          VLEGLContext::setCurrentContext(nullptr);
      }) {
    EXPECT_TRUE(_made.wait());
}

VLGLContextOnOtherThread::~VLGLContextOnOtherThread() {
    _release.raise();
    _thread.join();
}
