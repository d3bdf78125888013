#pragma once

// JavaScriptCore's support library keeps a notion of the process's main thread, which its collector
// timers and memory-pressure handler read on whatever thread they run. Nothing sets it when no context
// is ever made on the main thread, and the first full collection then crashes. The engine library
// calls this on the main thread when the process loads it, before any context exists, so that every
// host gets it; elsewhere, and a second time, it does nothing.
void VLJSInitializeMainThread();
