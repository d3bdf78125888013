#pragma once

#include <JavaScriptCore/JavaScript.h>

// Holds the lock of a context's virtual machine over a stretch of many interface calls (a whole value
// conversion), so that each call takes it again cheaply instead of acquiring it anew, which costs more
// than most calls' own work. Uses JavaScriptCore's JSLock and JSUnlock, looked up at run time; without
// them it does nothing and each call locks for itself as before. On the context's thread, on the stack.
class VLJSAPILock {
public:
    explicit VLJSAPILock(JSContextRef ctx);
    ~VLJSAPILock();
    VLJSAPILock(const VLJSAPILock&) = delete;
    VLJSAPILock& operator=(const VLJSAPILock&) = delete;

private:
    JSContextRef _ctx;
};
