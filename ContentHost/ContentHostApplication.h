#pragma once

#include <functional>

// The content host's application object: it runs the main queue until terminate(). Windows here belong
// to the in-process window server, so the activation policy is only recorded.
//
// Main thread only.
class ContentHostApplication {
public:
    enum class ActivationPolicy { Regular = 0, Accessory = 1, Prohibited = 2 };

    ActivationPolicy activationPolicy() const { return _activationPolicy; }
    void setActivationPolicy(ActivationPolicy policy) { _activationPolicy = policy; }

    // Runs the main queue, `didFinishLaunching` on its first turn, and returns once terminate() ran.
    void run(const std::function<void()>& didFinishLaunching);
    // The loop stops once the block that called this returns.
    void terminate() { _terminated = true; }

private:
    ActivationPolicy _activationPolicy = ActivationPolicy::Regular;
    bool _terminated = false;
};
