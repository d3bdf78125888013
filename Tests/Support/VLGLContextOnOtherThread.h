#pragma once

#include "Tests/Support/VLTestSignal.h"

#include <memory>
#include <thread>

class VLEGLContext;

// Keeps a context current on a thread of its own for its life.
class VLGLContextOnOtherThread {
public:
    explicit VLGLContextOnOtherThread(std::shared_ptr<VLEGLContext> context);
    ~VLGLContextOnOtherThread();
    VLGLContextOnOtherThread(const VLGLContextOnOtherThread&) = delete;
    VLGLContextOnOtherThread& operator=(const VLGLContextOnOtherThread&) = delete;

    // Whether the thread made it current.
    bool isCurrent() const { return _current; }

private:
    VLTestSignal _made;
    VLTestSignal _release;
    bool _current = false; // written before _made is raised
    std::thread _thread;
};
