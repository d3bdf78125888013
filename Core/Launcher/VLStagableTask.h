#pragma once

#include "Core/Engine/Support/VLUnfairLock.h"
#include "Core/Launcher/VLStagableTaskDelegate.h"
#include "Core/Launcher/VLStagableTaskStage.h"
#include "Platform/Foundation/VLDispatchQueue.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

inline constexpr const char* VLStagableTaskErrorDomain = "VLStagableTaskErrorDomain";

// A fixed list of named asynchronous stages run one after another on one serial queue. Each stage is
// given a context through which it ends: fulfilled with an object for the next stage, rejected with an
// error, or cancelled. Delegates watch stage starts and ends; the completion gets the last stage's
// object or the error, once.
//
// Stage starts and ends, delegate calls and the completion run on the task's queue; fulfill, reject
// and cancel may be called from any thread once the task has started. A started task keeps itself
// alive until it finishes. The delegates, the queue and the completion are guarded by _lock.
class VLStagableTask : public VLStagableTaskStageContext,
                       public std::enable_shared_from_this<VLStagableTask> {
public:
    using Completion = std::function<void(const VLStagableTaskObject& object, const VLErrorRef& error)>;

    static std::shared_ptr<VLStagableTask> create(std::vector<VLStagableTaskStage> stages);

    // Held weakly, called in the order they were added; adding one twice keeps one entry.
    void addDelegate(const std::shared_ptr<VLStagableTaskDelegate>& delegate);
    void removeDelegate(const VLStagableTaskDelegate* delegate);

    // Runs the stages on a new queue labelled "app.velto.stagable-task".
    void start();
    void startUnderQueue(std::shared_ptr<VLDispatchQueue> queue);

    // End the stage that runs when they are called. A stage that is ended twice keeps its first end;
    // ending a task that has not started does nothing but log.
    void fulfill(VLStagableTaskObject object) override;
    void reject(VLErrorRef error) override;
    // Rejects with "task cancelled" (code 301).
    void cancel() override;

    Completion onCompletion() const;
    void setOnCompletion(Completion completion);

    const std::vector<VLStagableTaskStage>& stages() const { return _stages; }
    bool isFinished() const { return _finished.load(); }
    // Set by start; nothing before.
    const std::shared_ptr<VLDispatchQueue>& queue() const { return _queue; }

private:
    class StageContext;

    explicit VLStagableTask(std::vector<VLStagableTaskStage> stages);

    // On the queue.
    void nextStage(VLStagableTaskObject object);
    void endStage(int32_t stage, VLStagableTaskObject object, VLErrorRef error);
    void finish(const VLStagableTaskObject& object, const VLErrorRef& error);
    std::vector<std::shared_ptr<VLStagableTaskDelegate>> aliveDelegates() const;

    // Queues the end of a stage; any thread.
    void queueEnd(int32_t stage, VLStagableTaskObject object, VLErrorRef error);

    std::vector<VLStagableTaskStage> _stages;

    mutable std::shared_ptr<VLUnfairLock> _lock;
    // In the order added, with the address each was added under.
    std::vector<std::pair<const VLStagableTaskDelegate*, std::weak_ptr<VLStagableTaskDelegate>>> _delegates;
    std::shared_ptr<VLDispatchQueue> _queue;
    Completion _onCompletion;
    // From start until the task finishes.
    std::shared_ptr<VLStagableTask> _selfReference;

    // Written on the queue; read anywhere, to tell which stage a late end belongs to.
    std::atomic<int32_t> _stageIndex{-1};
    std::atomic<bool> _finished{false};
    bool _stageEnded = false; // the queue's
};
