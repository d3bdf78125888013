#include "Core/Engine/Support/VLCrashRecorder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <pthread.h>
#include <sstream>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

// The recorder starts once per process and ends it, so every scenario runs in a forked child (a death
// test) and the parent reads what the child left behind.

namespace {

struct FakeRuntime {
    uint64_t identifier;
    uint64_t javaScriptThreadIdentifier() const { return identifier; }
};

uint64_t currentThreadIdentifier() {
    return uint64_t(gettid());
}

// Runs body on a new engine-like thread that calls the recorder's hooks, and waits for it.
void runOnThread(std::function<void()> body, size_t stackSize = 1 << 20) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackSize);
    pthread_t thread;
    auto* heapBody = new std::function<void()>(std::move(body));
    pthread_create(
        &thread, &attributes,
        [](void* argument) -> void* {
            auto* bodyToRun = static_cast<std::function<void()>*>(argument);
            VLCrashRecorderThreadDidStart();
            (*bodyToRun)();
            delete bodyToRun;
            VLCrashRecorderThreadWillExit(uint64_t(gettid()));
            return nullptr;
        },
        heapBody);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

int overflowStack(int depth) {
    volatile char frame[1024];
    frame[0] = char(depth);
    if (depth < 0) {
        return 0;
    }
    return overflowStack(depth + 1) + frame[0];
}

// The undefined-behaviour sanitizer would stop the store before the fault it is here to make.
__attribute__((no_sanitize("undefined"))) void segmentationFault() {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

// Runs a crashing child's body with the fatal signals' actions of a plain program (a sanitizer's
// handlers would end the process their own way).
void inPlainProcess(const std::function<void()>& body) {
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGTRAP, SIGABRT, SIGFPE, SIGSYS}) {
        std::signal(signal, SIG_DFL);
    }
    body();
}

// A breakpoint instruction: on x86-64 the thread resumes after it, so the fault does not repeat.
void breakpointTrap() {
#if defined(__x86_64__)
    asm volatile("int3");
#elif defined(__aarch64__)
    asm volatile("brk #0");
#else
    raise(SIGTRAP);
#endif
}

std::string contents(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A record directory and a notification pipe for one crashing child.
class CrashScene {
public:
    CrashScene() {
        GTEST_FLAG_SET(death_test_style, "fast");
        char pattern[] = "/tmp/VLCrashRecorderTest.XXXXXX";
        EXPECT_NE(nullptr, mkdtemp(pattern));
        _directory = pattern;
        EXPECT_EQ(0, pipe2(_notification, O_CLOEXEC));
    }

    ~CrashScene() {
        closeDescriptor(_notification[0]);
        closeDescriptor(_notification[1]);
        std::filesystem::remove_all(_directory);
    }

    std::string path(const char* name) const { return (_directory / name).string(); }
    std::string recordPath() const { return path("crash.txt"); }
    int notifyingDescriptor() const { return _notification[1]; }

    void start() { VLCrashRecorder::startWithRecordPath(recordPath(), notifyingDescriptor()); }

    // Everything the child wrote to the notifying descriptor (it has died by now).
    std::string notifications() {
        closeDescriptor(_notification[1]);
        std::string text;
        char buffer[64];
        ssize_t count;
        while ((count = read(_notification[0], buffer, sizeof(buffer))) > 0) {
            text.append(buffer, size_t(count));
        }
        return text;
    }

private:
    std::filesystem::path _directory;
    int _notification[2] = {-1, -1};

    static void closeDescriptor(int& descriptor) {
        if (descriptor >= 0) {
            close(descriptor);
        }
        descriptor = -1;
    }
};

TEST(VLCrashRecorder, RecordsTheCrashingThreadsTagAndName) {
    const std::string longTag(300, 'w');
    struct Case {
        const char* description;
        std::function<void()> crash;
        int signal;
        std::string record;
    } cases[] = {
        {"tagged thread aborts",
         [] {
             runOnThread([] {
                 VLCrashRecorderSetThreadName("app.velto.jsengine.weather-widget");
                 VLCrashRecorder::setTag("weather", FakeRuntime{currentThreadIdentifier()});
                 abort();
             });
         },
         SIGABRT, "weather\napp.velto.jsengine.weather-widget\n"},
        {"tag longer than a slot keeps its first 255 characters",
         [&] {
             VLCrashRecorderSetThreadName("main");
             VLCrashRecorder::setTagForThreadIdentifier(longTag, currentThreadIdentifier());
             abort();
         },
         SIGABRT, std::string(255, 'w') + "\nmain\n"},
        {"emptied tag leaves the first line empty",
         [] {
             VLCrashRecorderSetThreadName("main");
             VLCrashRecorder::setTagForThreadIdentifier("clock", currentThreadIdentifier());
             VLCrashRecorder::setTagForThreadIdentifier("", currentThreadIdentifier());
             abort();
         },
         SIGABRT, "\nmain\n"},
        {"untagged thread is recorded under its system name",
         [] {
             VLCrashRecorder::setTagForThreadIdentifier("other", currentThreadIdentifier());
             runOnThread([] {
                 pthread_setname_np(pthread_self(), "untagged");
                 raise(SIGFPE);
             });
         },
         SIGFPE, "\nuntagged\n"},
        {"a thread's exit frees its tag for a reused identifier",
         [] {
             uint64_t exited = 0;
             runOnThread([&] {
                 exited = currentThreadIdentifier();
                 VLCrashRecorder::setTagForThreadIdentifier("gone", exited);
             });
             VLCrashRecorderSetThreadName("main");
             VLCrashRecorder::setTagForThreadIdentifier("main tag", currentThreadIdentifier());
             VLCrashRecorder::setTagForThreadIdentifier("gone", exited);
             VLCrashRecorderThreadWillExit(exited);
             abort();
         },
         SIGABRT, "main tag\nmain\n"},
        {"a 129th tagged thread is dropped",
         [] {
             for (uint64_t identifier = 1; identifier <= 128; identifier++) {
                 VLCrashRecorder::setTagForThreadIdentifier("busy", identifier);
             }
             VLCrashRecorderSetThreadName("main");
             VLCrashRecorder::setTagForThreadIdentifier("late", currentThreadIdentifier());
             abort();
         },
         SIGABRT, "\nmain\n"},
        {"a fault returns and dies again under the restored action",
         [] {
             VLCrashRecorderSetThreadName("faulting");
             segmentationFault();
         },
         SIGSEGV, "\nfaulting\n"},
        {"a breakpoint trap is raised again",
         [] {
             VLCrashRecorderSetThreadName("trapping");
             breakpointTrap();
         },
         SIGTRAP, "\ntrapping\n"},
        {"a stack overflow is recorded on the alternate stack",
         [] {
             runOnThread(
                 [] {
                     VLCrashRecorderSetThreadName("deep");
                     VLCrashRecorder::setTagForThreadIdentifier("recursive", currentThreadIdentifier());
                     overflowStack(0);
                 },
                 256 << 10);
         },
         SIGSEGV, "recursive\ndeep\n"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.description);
        CrashScene scene;
        EXPECT_EXIT(inPlainProcess([&] {
                        scene.start();
                        c.crash();
                    }),
                    testing::KilledBySignal(c.signal), "");
        EXPECT_EQ(c.record, contents(scene.recordPath()));
        EXPECT_EQ("crash\n", scene.notifications());
    }
}

TEST(VLCrashRecorder, StartsOnlyOnce) {
    CrashScene scene;
    const std::string otherPath = scene.path("other.txt");
    EXPECT_EXIT(inPlainProcess([&] {
                    scene.start();
                    VLCrashRecorder::startWithRecordPath(otherPath, -1);
                    abort();
                }),
                testing::KilledBySignal(SIGABRT), "");
    EXPECT_FALSE(std::filesystem::exists(otherPath));
    EXPECT_EQ("crash\n", scene.notifications());
    EXPECT_FALSE(contents(scene.recordPath()).empty());
}

TEST(VLCrashRecorder, APathTooLongLeavesTheRecorderOff) {
    CrashScene scene;
    EXPECT_EXIT(inPlainProcess([&] {
                    VLCrashRecorder::startWithRecordPath("/tmp/" + std::string(1100, 'x'),
                                                         scene.notifyingDescriptor());
                    scene.start();
                    VLCrashRecorderThreadDidStart();
                    abort();
                }),
                testing::KilledBySignal(SIGABRT), "");
    EXPECT_FALSE(std::filesystem::exists(scene.recordPath()));
    EXPECT_EQ("", scene.notifications());
}

TEST(VLCrashRecorder, OnlyTheFirstSignalIsRecorded) {
    CrashScene scene;
    EXPECT_EXIT(inPlainProcess([&] {
                    // A handler of the program's own survives the first signal, so a second one can follow.
                    signal(SIGABRT, [](int) {});
                    scene.start();
                    struct sigaction recorder {};
                    sigaction(SIGSEGV, nullptr, &recorder);
                    raise(SIGABRT);
                    unlink(scene.recordPath().c_str());
                    sigaction(SIGSEGV, &recorder, nullptr);
                    raise(SIGSEGV);
                }),
                testing::KilledBySignal(SIGSEGV), "");
    EXPECT_FALSE(std::filesystem::exists(scene.recordPath()));
    EXPECT_EQ("crash\n", scene.notifications());
}

#if defined(__x86_64__)
// Stands for a JIT's memory guard installed before the recorder: it owns faults on its guard page and
// resumes the thread elsewhere; any other fault it hands back to the default action.
volatile char* guardPage;

void leaveGuardedCode() {
    _exit(7);
}

void guardHandler(int, siginfo_t* info, void* context) {
    if (info->si_addr == guardPage) {
        static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP] = greg_t(&leaveGuardedCode);
    } else {
        signal(SIGSEGV, SIG_DFL);
    }
}

void installGuard() {
    guardPage =
        static_cast<volatile char*>(mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    struct sigaction action {};
    action.sa_sigaction = guardHandler;
    action.sa_flags = SA_SIGINFO;
    sigaction(SIGSEGV, &action, nullptr);
}

TEST(VLCrashRecorder, LeavesFaultsToAnEarlierHandlerThatOwnsThem) {
    CrashScene owned;
    EXPECT_EXIT(inPlainProcess([&] {
                    installGuard();
                    owned.start();
                    *guardPage = 1;
                }),
                testing::ExitedWithCode(7), "");
    EXPECT_FALSE(std::filesystem::exists(owned.recordPath()));
    EXPECT_EQ("", owned.notifications());

    CrashScene declined;
    EXPECT_EXIT(inPlainProcess([&] {
                    installGuard();
                    declined.start();
                    VLCrashRecorderSetThreadName("main");
                    segmentationFault();
                }),
                testing::KilledBySignal(SIGSEGV), "");
    EXPECT_EQ("\nmain\n", contents(declined.recordPath()));
    EXPECT_EQ("crash\n", declined.notifications());
}
#endif

} // namespace
