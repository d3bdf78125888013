#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/Support/VLErrors.h"
#include "Core/Launcher/VLStagableTask.h"
#include "Core/Launcher/VLStagableTaskBuilder.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLTestSignal.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

using Context = std::shared_ptr<VLStagableTaskStageContext>;

std::string textOf(const VLStagableTaskObject& object) {
    return object.has_value() ? std::any_cast<std::string>(object) : "nil";
}

// Writes down what it hears, in order; any thread.
class RecordingDelegate : public VLStagableTaskDelegate {
public:
    void stagableTaskDidStartStage(VLStagableTask&, const std::string& stage) override {
        record("start " + stage);
    }
    void stagableTaskDidFinishStage(VLStagableTask&, const std::string& stage,
                                    const VLStagableTaskObject& payload, const VLErrorRef& error) override {
        record("finish " + stage + (error ? " error" : " " + textOf(payload)));
    }
    void stagableTaskDidCompletion(VLStagableTask&, const VLStagableTaskObject& object) override {
        record("completion " + textOf(object));
    }
    std::vector<std::string> events() {
        std::lock_guard guard(_mutex);
        return _events;
    }

private:
    void record(std::string event) {
        std::lock_guard guard(_mutex);
        _events.push_back(std::move(event));
    }
    std::mutex _mutex;
    std::vector<std::string> _events;
};

// The task's outcome, once.
struct Outcome {
    VLTestSignal done;
    std::string object;
    VLErrorRef error;
    int calls = 0;

    VLStagableTask::Completion completion() {
        return [this](const VLStagableTaskObject& result, const VLErrorRef& failure) {
            object = textOf(result);
            error = failure;
            ++calls;
            done.raise();
        };
    }
};

VLStagableTaskStage::Handler fulfilling(std::string object) {
    return [object](const Context& context, const VLStagableTaskObject&) { context->fulfill(object); };
}

// Lets every block queued so far, and those they queue, run.
void drain(VLStagableTask& task) {
    for (int round = 0; round < 4; ++round)
        task.queue()->sync([] {});
}

} // namespace

TEST(VLStagableTask, StagesRunInOrderWithDelegatesBetween) {
    VLStagableTaskBuilder builder;
    std::vector<std::string> received;
    for (const char* name : {"one", "two", "three"}) {
        builder.addStageWithName(
            name, [&received, name](const Context& context, const VLStagableTaskObject& previous) {
                received.push_back(textOf(previous));
                context->fulfill(std::string(name) + "-result");
            });
    }
    auto delegate = std::make_shared<RecordingDelegate>();
    Outcome outcome;
    auto task = builder.build();
    task->addDelegate(delegate);
    task->addDelegate(delegate);
    task->setOnCompletion(outcome.completion());
    task->start();
    ASSERT_TRUE(outcome.done.wait());
    EXPECT_EQ("three-result", outcome.object);
    EXPECT_EQ(nullptr, outcome.error);
    EXPECT_EQ((std::vector<std::string>{"nil", "one-result", "two-result"}), received);
    EXPECT_EQ(
        (std::vector<std::string>{"start one", "finish one one-result", "start two", "finish two two-result",
                                  "start three", "finish three three-result", "completion three-result"}),
        delegate->events());
    EXPECT_TRUE(task->isFinished());
    EXPECT_EQ("app.velto.stagable-task", task->queue()->label());
}

TEST(VLStagableTask, ARejectedStageEndsTheTaskAndLaterEndsChangeNothing) {
    Context second;
    bool thirdRan = false;
    VLStagableTaskBuilder builder;
    builder.addStageWithName("one", fulfilling("a"));
    builder.addStageWithName("two", [&](const Context& context, const VLStagableTaskObject&) {
        second = context;
        context->reject(VLMakeError("Test", 7, "no"));
    });
    builder.addStageWithName("three", [&](const Context&, const VLStagableTaskObject&) { thirdRan = true; });
    Outcome outcome;
    auto task = builder.build();
    task->setOnCompletion(outcome.completion());
    task->start();
    ASSERT_TRUE(outcome.done.wait());
    second->fulfill(std::string("late"));
    task->fulfill(std::string("later"));
    drain(*task);
    EXPECT_EQ("nil", outcome.object);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(7, outcome.error->code());
    EXPECT_EQ(1, outcome.calls);
    EXPECT_FALSE(thirdRan);
}

TEST(VLStagableTask, CancelGivesTheCancellationError) {
    VLStagableTaskBuilder builder;
    builder.addStageWithName("one",
                             [](const Context& context, const VLStagableTaskObject&) { context->cancel(); });
    Outcome outcome;
    auto task = builder.build();
    task->setOnCompletion(outcome.completion());
    task->start();
    ASSERT_TRUE(outcome.done.wait());
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(VLStagableTaskErrorDomain, outcome.error->domain());
    EXPECT_EQ(301, outcome.error->code());
    EXPECT_EQ("task cancelled", outcome.error->localizedDescription());
}

TEST(VLStagableTask, ATaskWithoutStagesCompletesAtStartAndKeepsItselfAlive) {
    Outcome outcome;
    auto task = VLStagableTaskBuilder().build();
    task->setOnCompletion(outcome.completion());
    task->start();
    task.reset();
    ASSERT_TRUE(outcome.done.wait());
    EXPECT_EQ("nil", outcome.object);
    EXPECT_EQ(nullptr, outcome.error);
}

TEST(VLStagableTask, AStageEndedTwiceStartsTheNextStageOnce) {
    // Fulfilled twice, fulfilled then rejected, and a late second end while the next stage runs.
    Context first;
    Context second;
    VLTestSignal secondStarted;
    int secondStarts = 0;
    VLStagableTaskBuilder builder;
    builder.addStageWithName("one", [&](const Context& context, const VLStagableTaskObject&) {
        first = context;
        context->fulfill(std::string("a"));
        context->fulfill(std::string("b"));
        context->reject(VLMakeError("Test", 1, "late"));
    });
    builder.addStageWithName("two", [&](const Context& context, const VLStagableTaskObject& previous) {
        ++secondStarts;
        EXPECT_EQ("a", textOf(previous));
        second = context;
        secondStarted.raise();
    });
    auto delegate = std::make_shared<RecordingDelegate>();
    Outcome outcome;
    auto task = builder.build();
    task->addDelegate(delegate);
    task->setOnCompletion(outcome.completion());
    task->start();
    ASSERT_TRUE(secondStarted.wait());
    first->fulfill(std::string("stale"));
    drain(*task);
    EXPECT_FALSE(outcome.done.isRaised());
    second->fulfill(std::string("c"));
    ASSERT_TRUE(outcome.done.wait());
    EXPECT_EQ("c", outcome.object);
    EXPECT_EQ(1, secondStarts);
    EXPECT_EQ(
        (std::vector<std::string>{"start one", "finish one a", "start two", "finish two c", "completion c"}),
        delegate->events());
}

TEST(VLStagableTask, EndingBeforeStartIsLoggedAndIgnored) {
    VLStagableTaskBuilder builder;
    builder.addStageWithName("one", fulfilling("a"));
    Outcome outcome;
    auto task = builder.build();
    task->setOnCompletion(outcome.completion());
    {
        VLLogCapture log(VLLogFlagError);
        task->fulfill(std::string("early"));
        task->cancel();
        VLLogFlush();
        EXPECT_EQ(2u, log.lines().size());
    }
    EXPECT_FALSE(outcome.done.isRaised());
    EXPECT_FALSE(task->isFinished());
    task->start();
    ASSERT_TRUE(outcome.done.wait());
    EXPECT_EQ("a", outcome.object);
    EXPECT_EQ(nullptr, outcome.error);
}

TEST(VLStagableTask, GoneDelegatesAreSkippedAndBuildersBuildIndependentTasks) {
    VLStagableTaskBuilder builder;
    VLTestSignal release;
    builder.addStageWithName("wait", [&](const Context& context, const VLStagableTaskObject&) {
        EXPECT_TRUE(release.wait());
        context->fulfill(std::string("done"));
    });
    auto first = builder.build();
    auto second = builder.build();
    auto gone = std::make_shared<RecordingDelegate>();
    auto kept = std::make_shared<RecordingDelegate>();
    first->addDelegate(gone);
    first->addDelegate(kept);
    Outcome firstOutcome;
    Outcome secondOutcome;
    first->setOnCompletion(firstOutcome.completion());
    second->setOnCompletion(secondOutcome.completion());
    first->start();
    second->start();
    gone.reset();
    release.raise();
    ASSERT_TRUE(firstOutcome.done.wait());
    ASSERT_TRUE(secondOutcome.done.wait());
    EXPECT_EQ("done", firstOutcome.object);
    EXPECT_EQ("done", secondOutcome.object);
    EXPECT_EQ((std::vector<std::string>{"start wait", "finish wait done", "completion done"}),
              kept->events());
}
