#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Thread identifiers here are the kernel's thread ids (gettid()), the "system thread identifier" that
// run-loop threads record and runtimes report as javaScriptThreadIdentifier().

// The crash recorder. When the process dies of a fatal signal, the first signal writes a record file
// holding the tag bound to the crashing thread and the thread's name, each followed by a line feed,
// and writes "crash\n" to the host's notifying descriptor. Only the host starts it and sets tags;
// engine threads call the thread hooks below whether it runs or not.
class VLCrashRecorder {
public:
    VLCrashRecorder() = delete;

    // Starts the recorder once per process; later calls do nothing. A path whose file-system form
    // does not fit 1023 bytes (or holds a NUL) leaves the recorder off for good. A negative
    // descriptor writes no notification.
    static void startWithRecordPath(const std::string& recordPath, int notifyingFileDescriptor);

    // Binds the tag to the runtime's JavaScript thread, or unbinds it with an empty tag. Runtime is
    // the engine's runtime (anything with javaScriptThreadIdentifier()); a template so that this
    // process-wide facility does not depend on the runtime's header.
    template <typename Runtime>
    static void setTag(const std::string& tag, const Runtime& runtime) {
        setTagForThreadIdentifier(tag, runtime.javaScriptThreadIdentifier());
    }

    // The same for a thread identifier; 0 does nothing. With 128 threads tagged, a tag for another
    // thread is dropped. The tag is kept shorter than 256 UTF-8 bytes, cut between characters.
    static void setTagForThreadIdentifier(const std::string& tag, uint64_t threadIdentifier);
};

// Called by an engine thread first thing: gives it an alternate signal stack when the recorder runs,
// so that a stack overflow can still be recorded.
void VLCrashRecorderThreadDidStart();

// Called by an engine thread last thing, with its own identifier: drops its signal stack and frees the
// tags bound to it.
void VLCrashRecorderThreadWillExit(uint64_t threadIdentifier);

// Keeps the calling thread's full logical name (the OS keeps only 15 bytes) for the record, cut below
// 64 bytes between characters. Threads that never call it are recorded under their OS name.
void VLCrashRecorderSetThreadName(std::string_view name);
