#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/Log/VLLogPrintAdapter.h"
#include "Core/Engine/Log/VLLogServiceImpl.h"
#include "Core/Engine/Log/VLSystemLog.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Tests/Support/VLLogCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Records are described with designated initialisers that leave the other fields to their defaults,
// which g++ 12 takes for forgotten ones.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

struct RecordFields {
    std::string message = "text";
    std::string tag = "VLRuntime";
    std::string scope = "Velto";
    uint64_t flag = VLLogFlagError;
    std::optional<std::string> file = "/src/Core/Runtime/VLRuntime.cpp";
    std::optional<std::string> function = "f";
    std::string threadName = "T";
    std::string queueLabel;
    uint64_t level = ~uint64_t(0);
};

VLLogMessage record(const RecordFields& fields) {
    return VLLogMessage(fields.message, fields.scope, fields.tag, fields.level, fields.flag, fields.file,
                        fields.function, 12, VLDate{0}, "1", fields.threadName, fields.queueLabel);
}

} // namespace

TEST(VLLogPrintAdapter, PrintsEachRecordInItsShape) {
    struct Case {
        const char* name;
        RecordFields fields;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"error on a named thread",
         {.message = "  word \n"},
         "app.velto.engine/VLRuntime error: word\nat f:12, thread T"},
        {"error on an unnamed thread",
         {.threadName = "", .queueLabel = "app.velto.q"},
         "app.velto.engine/VLRuntime error: text\nat f:12, thread app.velto.q"},
        {"error without thread or queue",
         {.threadName = ""},
         "app.velto.engine/VLRuntime error: text\nat f:12"},
        {"error without function",
         {.function = std::nullopt},
         "app.velto.engine/VLRuntime error: text\nat ?:12, thread T"},
        {"no tag", {.tag = "", .flag = VLLogFlagDefault}, "app.velto.engine/VLRuntime default: text"},
        {"no tag and no file",
         {.tag = "", .flag = VLLogFlagInfo, .file = std::nullopt},
         "app.velto.engine/Velto info: text"},
        {"debug", {.flag = VLLogFlagDebug}, "app.velto.engine/VLRuntime debug: text"},
        {"an unknown flag", {.flag = 16}, "app.velto.engine/VLRuntime debug: text"},
        {"a subsystem of its own",
         {.tag = "ContentHost", .scope = "app.velto.mac.content", .flag = VLLogFlagInfo},
         "app.velto.mac.content/ContentHost info: text"},
    };
    VLLogCapture capture(~uint64_t(0));
    VLLogPrintAdapter adapter;
    for (const Case& c : cases)
        adapter.logWithMessage(record(c.fields));
    ASSERT_EQ(cases.size(), capture.lines().size());
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(cases[i].expected, capture.lines()[i]) << cases[i].name;
    EXPECT_EQ(adapter.logForCategory("VLRuntime"), adapter.logForCategory("VLRuntime"));
}

TEST(VLLogPrintAdapter, PrintsOnlyTheLevelsOfTheMask) {
    VLLogPrintAdapter adapter;
    {
        VLLogCapture capture(0);
        for (uint64_t flag : {1, 2, 4, 8})
            EXPECT_FALSE(adapter.isLoggable(record({.flag = flag})));
    }
    VLLogCapture capture(VLLogFlagError);
    EXPECT_TRUE(adapter.isLoggable(record({.flag = VLLogFlagError})));
    EXPECT_FALSE(adapter.isLoggable(record({.flag = VLLogFlagDebug})));
    EXPECT_FALSE(adapter.isLoggable(record({.flag = VLLogFlagError, .level = VLLogFlagDebug})))
        << "the logger's own mask counts too";
}

TEST(VLLogLevels, ParsesLevelNames) {
    const std::vector<std::pair<const char*, std::optional<uint64_t>>> cases = {
        {"error,default,info,debug", 15},
        {"all", 15},
        {"ERROR | debug", 9},
        {"error,,info", 5},
        {"", 0},
        {"none", 0},
        {"3", 3},
        {"verbose", std::nullopt},
        {"error,loud", std::nullopt},
    };
    for (const auto& [text, mask] : cases)
        EXPECT_EQ(mask, VLLogLevelMaskFromString(text)) << text;

    VLLogCapture capture(0);
    setenv(VLLogEnvironmentVariable, "info", 1);
    EXPECT_TRUE(VLLogSetLevelFromEnvironment());
    EXPECT_EQ(uint64_t(VLLogFlagInfo), VLLogPrintAdapter::level());
    setenv(VLLogEnvironmentVariable, "loud", 1);
    EXPECT_FALSE(VLLogSetLevelFromEnvironment());
    EXPECT_EQ(uint64_t(VLLogFlagInfo), VLLogPrintAdapter::level());
    EXPECT_EQ(1u, capture.lines().size());
    unsetenv(VLLogEnvironmentVariable);
}

namespace {

// A registered sink that keeps what it is given.
class RecordingSink : public VLDynamicParts, public VLLogAdapter {
public:
    bool isLoggable(const VLLogMessage& message) override { return message.tag() != "ignored"; }
    void logWithMessage(const VLLogMessage& message) override {
        std::lock_guard guard(lock);
        messages.push_back(message);
    }
    std::mutex lock;
    std::vector<VLLogMessage> messages;
};

} // namespace

TEST(VLLogServiceImpl, PassesRecordsInOrderToTheRegisteredSinks) {
    auto sink = std::make_shared<RecordingSink>();
    VLDynamicPartsLoader loader({VLPart(sink)});
    auto service = std::make_shared<VLLogServiceImpl>(loader);
    service->serviceDidRegister();

    std::shared_ptr<VLLogger> logger = service->logger("VLTest", "Velto");
    EXPECT_EQ(logger, service->logger("VLTest", "Velto"));
    EXPECT_NE(logger, service->logger("VLTest"));
    for (int i = 0; i < 100; ++i)
        logger->logWithFlagFormat(VLLogFlagDebug, "file.cpp", "g", 7, "record %d", i);
    service->logger("ignored")->logWithFlag(VLLogFlagError, nullptr, nullptr, 1, "dropped");
    auto queue = VLDispatchQueue::create("app.velto.test.logging");
    auto thread = VLRunLoopThread::create("app.velto.jsengine.weather");
    thread->start();
    thread->post([&] {
        logger->logWithFlag(VLLogFlagInfo, nullptr, nullptr, 8, "from a run-loop thread");
        thread->stop();
    });
    ASSERT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
    queue->sync([&] { logger->logWithFlag(VLLogFlagInfo, nullptr, nullptr, 9, "from a queue"); });
    service->flush();

    ASSERT_EQ(102u, sink->messages.size());
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ("record " + std::to_string(i), sink->messages[size_t(i)].message());
    const VLLogMessage& first = sink->messages.front();
    EXPECT_EQ("Velto", first.scope());
    EXPECT_EQ("VLTest", first.tag());
    EXPECT_EQ(std::optional<std::string>("g"), first.function());
    EXPECT_EQ(~uint64_t(0), first.level());
    EXPECT_EQ(std::to_string(gettid()), first.threadID());
    EXPECT_EQ("main", first.threadName());
    EXPECT_EQ("app.velto.jsengine.weather", sink->messages[100].threadName())
        << "the full name, not 15 bytes";
    const VLLogMessage& fromQueue = sink->messages.back();
    EXPECT_EQ("", fromQueue.threadName());
    EXPECT_EQ("app.velto.test.logging", fromQueue.queueLabel());
    EXPECT_EQ(std::nullopt, fromQueue.file());
}

TEST(VLLog, PrintsThroughTheRegisteredLogService) {
    {
        VLLogCapture capture(0);
        VLLogError("VLRuntime", "not printed");
        VLLogFlush();
        EXPECT_TRUE(capture.lines().empty());
    }
    VLLogCapture capture(VLLogFlagError);
    const int line = __LINE__ + 1;
    VLLogError("VLRuntime", " failed %@ \n", 3);
    VLLogDebug("VLRuntime", "not printed");
    std::thread([] { VLLogError("", "from a thread"); }).join();
    VLLogFlush();
    ASSERT_EQ(2u, capture.lines().size());
    EXPECT_EQ("app.velto.engine/VLRuntime error: failed 3\nat " + std::string(__PRETTY_FUNCTION__) + ":" +
                  std::to_string(line) + ", thread main",
              capture.lines()[0]);
    EXPECT_TRUE(capture.lines()[1].starts_with("app.velto.engine/VLLogTests error: from a thread\nat "))
        << capture.lines()[1];
}
