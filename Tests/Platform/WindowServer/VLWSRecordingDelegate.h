#pragma once

#include "Platform/WindowServer/VLWSWindowDelegate.h"

#include <string>
#include <utility>
#include <vector>

// Writes down what its windows tell it, by name.
class VLWSRecordingDelegate final : public VLWSWindowDelegate {
public:
    std::vector<std::string> calls;

    void windowDidMove(VLWSWindow&) override { calls.push_back("move"); }
    void windowDidResize(VLWSWindow&) override { calls.push_back("resize"); }
    void windowDidChangeScreen(VLWSWindow&) override { calls.push_back("screen"); }
    void windowDidChangeBackingProperties(VLWSWindow&) override { calls.push_back("backing"); }
    void windowDidChangeOcclusionState(VLWSWindow&) override { calls.push_back("occlusion"); }
    void windowDidBecomeKey(VLWSWindow&) override { calls.push_back("becomeKey"); }
    void windowDidResignKey(VLWSWindow&) override { calls.push_back("resignKey"); }
    void windowDidBecomeMain(VLWSWindow&) override { calls.push_back("becomeMain"); }
    void windowDidResignMain(VLWSWindow&) override { calls.push_back("resignMain"); }
    void windowWillClose(VLWSWindow&) override { calls.push_back("close"); }

    std::vector<std::string> take() { return std::exchange(calls, {}); }
};
