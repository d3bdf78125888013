#pragma once

#include <JavaScriptCore/JavaScript.h>

#include <cstdint>

// The size of a context's JavaScript heap, read through JavaScriptCore's own memory statistics
// function, which is looked up by name once per process and may be missing.

// Whether the function was found.
bool VLCanMeasureJavaScriptMemory();
// Heap capacity plus extra memory of the context's heap, in bytes; -1 when it cannot be measured. On
// the context's thread.
int64_t VLJavaScriptMemoryOfContext(JSGlobalContextRef context);
// For tests: behave as if the function were missing (true), or as found again (false).
void VLSetJavaScriptMemoryStatisticsHidden(bool hidden);
