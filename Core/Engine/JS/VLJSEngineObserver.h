#pragma once

// What an engine tells the native objects of its scripts about the state that its owner (a runtime)
// pushes into it: suspension and the end. Only the engine's own observers hear it. Called on the
// engine's JavaScript thread.
class VLJSEngineObserver {
public:
    virtual ~VLJSEngineObserver() = default;

    // Once per change, with the latest state.
    virtual void jsEngineSuspendedDidChange(bool suspended) = 0;
    // After every binding context of the engine was marked terminated.
    virtual void jsEngineWillTerminate() = 0;
};
