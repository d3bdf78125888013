#include "Core/Engine/Support/VLCrashRecorder.h"

#include "Platform/Foundation/VLComposedCharacters.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <mutex>
#include <sys/prctl.h>
#include <ucontext.h>
#include <unistd.h>

// Everything the signal handler touches is plain static memory or a lock-free atomic: the handler runs
// on whichever thread crashed, takes no lock, allocates nothing and uses no stdio. Thread-local data
// uses the initial-exec model so that reading it from the handler never allocates.

namespace {

// The fatal signals, by this platform's numbers. The user signals stay free: JavaScriptCore
// suspends its threads with one of them.
constexpr int VLCrashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGTRAP, SIGABRT, SIGFPE, SIGSYS};
constexpr size_t VLCrashSignalCount = std::size(VLCrashSignals);

// Written once by the start block, before the handlers are installed; read by the handler.
struct sigaction VLCrashPreviousActions[VLCrashSignalCount];
char VLCrashRecordPath[1024];
int VLCrashNotifyingFileDescriptor = -1;

std::atomic<bool> VLCrashStarted{false};
std::atomic<bool> VLCrashHandled{false};

// One tag per thread. Writers hold VLCrashTagLock; the handler reads without it, trusting a slot's tag
// only while its identifier is a real one (writers mark the slot first and store the identifier last).
struct VLCrashTagSlot {
    std::atomic<uint64_t> threadIdentifier;
    char tag[256];
};
static_assert(sizeof(VLCrashTagSlot) == 264);
static_assert(std::atomic<uint64_t>::is_always_lock_free);
constexpr uint64_t VLCrashFreeSlot = 0;
constexpr uint64_t VLCrashSlotBeingWritten = ~uint64_t(0);
constexpr size_t VLCrashTagByteLimit = sizeof(VLCrashTagSlot::tag);

VLCrashTagSlot VLCrashTagSlots[128];
std::mutex VLCrashTagLock;

// Owned by the thread itself.
thread_local void* VLCrashSignalStack __attribute__((tls_model("initial-exec"))) = nullptr;
thread_local char VLCrashThreadName[64] __attribute__((tls_model("initial-exec")));

constexpr size_t VLCrashSignalStackSize = 65536;

void VLCrashInstallSignalStack() {
    if (VLCrashSignalStack) {
        return;
    }
    size_t size = std::max<size_t>(VLCrashSignalStackSize, size_t(sysconf(_SC_MINSIGSTKSZ)));
    void* memory = malloc(size);
    if (!memory) {
        return;
    }
    stack_t stack{};
    stack.ss_sp = memory;
    stack.ss_size = size;
    if (sigaltstack(&stack, nullptr) != 0) {
        free(memory);
        return;
    }
    VLCrashSignalStack = memory;
}

void VLCrashRemoveSignalStack() {
    if (!VLCrashSignalStack) {
        return;
    }
    stack_t stack{};
    stack.ss_flags = SS_DISABLE;
    // Still registered (we are running on it): freeing it now would leave the kernel a dangling stack.
    if (sigaltstack(&stack, nullptr) != 0) {
        return;
    }
    free(VLCrashSignalStack);
    VLCrashSignalStack = nullptr;
}

void VLCrashWriteString(int descriptor, const char* text) {
    size_t length = strlen(text);
    while (length > 0) {
        ssize_t written = write(descriptor, text, length);
        if (written <= 0) {
            return;
        }
        text += written;
        length -= size_t(written);
    }
}

const char* VLCrashTagOfThread(uint64_t threadIdentifier) {
    for (VLCrashTagSlot& slot : VLCrashTagSlots) {
        if (slot.threadIdentifier.load() == threadIdentifier) {
            return slot.tag;
        }
    }
    return "";
}

void VLCrashWriteRecord() {
    int record = open(VLCrashRecordPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (record >= 0) {
        VLCrashWriteString(record, VLCrashTagOfThread(uint64_t(gettid())));
        VLCrashWriteString(record, "\n");
        if (VLCrashThreadName[0] != '\0') {
            VLCrashWriteString(record, VLCrashThreadName);
        } else {
            char systemName[16] = {};
            prctl(PR_GET_NAME, systemName);
            VLCrashWriteString(record, systemName);
        }
        VLCrashWriteString(record, "\n");
        close(record);
    }
    if (VLCrashNotifyingFileDescriptor >= 0) {
        VLCrashWriteString(VLCrashNotifyingFileDescriptor, "crash\n");
    }
}

void VLCrashRestorePreviousActions() {
    for (size_t i = 0; i < VLCrashSignalCount; i++) {
        sigaction(VLCrashSignals[i], &VLCrashPreviousActions[i], nullptr);
    }
}

// A fault of these kinds happens again when the handler returns, now under the restored action. A
// breakpoint trap or a system call refused by a filter does not, so those are raised again as well.
bool VLCrashFaultRepeats(int signal) {
    return signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE;
}

// Signals that a process sent (kill, raise, abort, a queued signal, a timer) carry a code of 0 or below.
bool VLCrashMustRaiseAgain(int signal, const siginfo_t* info) {
    return info == nullptr || info->si_code <= 0 || !VLCrashFaultRepeats(signal);
}

// Where the interrupted thread resumes; 0 where this architecture is not known here.
uintptr_t VLCrashResumeAddress(const void* context) {
    const auto* machine = &static_cast<const ucontext_t*>(context)->uc_mcontext;
#if defined(__x86_64__)
    return uintptr_t(machine->gregs[REG_RIP]);
#elif defined(__aarch64__)
    return uintptr_t(machine->pc);
#else
    (void)machine;
    return 0;
#endif
}

// A handler installed before ours may own some faults: JavaScriptCore guards WebAssembly memory with
// inaccessible pages and turns their faults into script exceptions by moving the thread elsewhere.
// Such a fault is no crash, so an earlier handler sees every fault first; one that resumes the thread
// at another place has dealt with it.
bool VLCrashEarlierHandlerTookFault(size_t index, int signal, siginfo_t* info, void* context) {
    const struct sigaction& previous = VLCrashPreviousActions[index];
    bool hasHandler = (previous.sa_flags & SA_SIGINFO)
                          ? previous.sa_sigaction != nullptr
                          : previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN;
    uintptr_t before = VLCrashResumeAddress(context);
    if (!hasHandler || before == 0 || info == nullptr || info->si_code <= 0) {
        return false;
    }
    if (previous.sa_flags & SA_SIGINFO) {
        previous.sa_sigaction(signal, info, context);
    } else {
        previous.sa_handler(signal);
    }
    return VLCrashResumeAddress(context) != before;
}

size_t VLCrashSignalIndex(int signal) {
    size_t index = 0;
    while (index < VLCrashSignalCount && VLCrashSignals[index] != signal) {
        index++;
    }
    return index;
}

void VLCrashHandleSignal(int signal, siginfo_t* info, void* context) {
    int savedErrno = errno;
    size_t index = VLCrashSignalIndex(signal);
    if (index < VLCrashSignalCount && VLCrashEarlierHandlerTookFault(index, signal, info, context)) {
        errno = savedErrno;
        return;
    }
    if (!VLCrashHandled.exchange(true)) {
        VLCrashWriteRecord();
    }
    VLCrashRestorePreviousActions();
    if (VLCrashMustRaiseAgain(signal, info) && raise(signal) != 0) {
        kill(getpid(), signal);
    }
    errno = savedErrno;
}

void VLCrashInstallHandlers() {
    struct sigaction action {};
    action.sa_sigaction = VLCrashHandleSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < VLCrashSignalCount; i++) {
        sigaction(VLCrashSignals[i], &action, &VLCrashPreviousActions[i]);
    }
}

VLCrashTagSlot* VLCrashSlotForThread(uint64_t threadIdentifier) {
    VLCrashTagSlot* freeSlot = nullptr;
    for (VLCrashTagSlot& slot : VLCrashTagSlots) {
        uint64_t identifier = slot.threadIdentifier.load();
        if (identifier == threadIdentifier) {
            return &slot;
        }
        if (identifier == VLCrashFreeSlot && !freeSlot) {
            freeSlot = &slot;
        }
    }
    return freeSlot;
}

} // namespace

void VLCrashRecorder::startWithRecordPath(const std::string& recordPath, int notifyingFileDescriptor) {
    static std::once_flag once;
    std::call_once(once, [&] {
        if (recordPath.size() >= sizeof(VLCrashRecordPath) || recordPath.find('\0') != std::string::npos) {
            return;
        }
        memcpy(VLCrashRecordPath, recordPath.c_str(), recordPath.size() + 1);
        VLCrashNotifyingFileDescriptor = notifyingFileDescriptor;
        VLCrashInstallSignalStack();
        VLCrashStarted = true;
        VLCrashInstallHandlers();
    });
}

void VLCrashRecorder::setTagForThreadIdentifier(const std::string& tag, uint64_t threadIdentifier) {
    if (threadIdentifier == 0) {
        return;
    }
    std::string text = VLStringShortenedBelowByteCount(tag, VLCrashTagByteLimit);
    std::lock_guard lock(VLCrashTagLock);
    VLCrashTagSlot* slot = VLCrashSlotForThread(threadIdentifier);
    if (!slot) {
        return;
    }
    if (tag.empty()) {
        slot->threadIdentifier.exchange(VLCrashFreeSlot);
        return;
    }
    slot->threadIdentifier.exchange(VLCrashSlotBeingWritten);
    memcpy(slot->tag, text.c_str(), text.size() + 1);
    slot->threadIdentifier.exchange(threadIdentifier);
}

void VLCrashRecorderThreadDidStart() {
    if (VLCrashStarted) {
        VLCrashInstallSignalStack();
    }
}

void VLCrashRecorderThreadWillExit(uint64_t threadIdentifier) {
    VLCrashRemoveSignalStack();
    if (threadIdentifier == 0) {
        return;
    }
    std::lock_guard lock(VLCrashTagLock);
    for (VLCrashTagSlot& slot : VLCrashTagSlots) {
        if (slot.threadIdentifier.load() == threadIdentifier) {
            slot.threadIdentifier.exchange(VLCrashFreeSlot);
        }
    }
}

void VLCrashRecorderSetThreadName(std::string_view name) {
    std::string text = VLStringShortenedBelowByteCount(name, sizeof(VLCrashThreadName));
    // The last byte stays NUL, so the handler never reads past the buffer even mid-copy.
    memcpy(VLCrashThreadName, text.c_str(), text.size() + 1);
}
