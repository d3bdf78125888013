#include "Core/Launcher/VLStagableTask.h"

#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/Support/VLErrors.h"
#include "Core/Engine/Support/VLLocks.h"
#include "Core/Engine/Support/VLProduct.h"

#include <algorithm>

// The context one stage is given: it ends that stage only, so that a late second end cannot end the
// stage after it. It holds the task weakly, as queued work does.
class VLStagableTask::StageContext final : public VLStagableTaskStageContext {
public:
    StageContext(std::weak_ptr<VLStagableTask> task, int32_t stage) : _task(std::move(task)), _stage(stage) {}

    void fulfill(VLStagableTaskObject object) override {
        if (auto task = _task.lock())
            task->queueEnd(_stage, std::move(object), nullptr);
    }
    void reject(VLErrorRef error) override {
        if (auto task = _task.lock())
            task->queueEnd(_stage, {}, std::move(error));
    }
    void cancel() override { reject(VLMakeError(VLStagableTaskErrorDomain, 301, "task cancelled")); }

private:
    std::weak_ptr<VLStagableTask> _task;
    int32_t _stage;
};

std::shared_ptr<VLStagableTask> VLStagableTask::create(std::vector<VLStagableTaskStage> stages) {
    return std::shared_ptr<VLStagableTask>(new VLStagableTask(std::move(stages)));
}

VLStagableTask::VLStagableTask(std::vector<VLStagableTaskStage> stages)
    : _stages(std::move(stages)), _lock(VLCreateFastLock()) {}

void VLStagableTask::addDelegate(const std::shared_ptr<VLStagableTaskDelegate>& delegate) {
    if (!delegate)
        return;
    std::lock_guard guard(*_lock);
    // A gone delegate's address may come back with a new object.
    std::erase_if(_delegates, [](const auto& entry) { return entry.second.expired(); });
    if (std::ranges::find(_delegates, delegate.get(), &decltype(_delegates)::value_type::first) ==
        _delegates.end())
        _delegates.emplace_back(delegate.get(), delegate);
}

void VLStagableTask::removeDelegate(const VLStagableTaskDelegate* delegate) {
    std::lock_guard guard(*_lock);
    std::erase_if(_delegates, [&](const auto& entry) { return entry.first == delegate; });
}

std::vector<std::shared_ptr<VLStagableTaskDelegate>> VLStagableTask::aliveDelegates() const {
    std::vector<std::shared_ptr<VLStagableTaskDelegate>> alive;
    std::lock_guard guard(*_lock);
    for (const auto& entry : _delegates) {
        if (auto delegate = entry.second.lock())
            alive.push_back(std::move(delegate));
    }
    return alive;
}

void VLStagableTask::start() {
    startUnderQueue(VLDispatchQueue::create(std::string(kVLReverseDomainPrefix) + ".stagable-task"));
}

void VLStagableTask::startUnderQueue(std::shared_ptr<VLDispatchQueue> queue) {
    {
        std::lock_guard guard(*_lock);
        if (_queue)
            return;
        _queue = std::move(queue);
        _selfReference = shared_from_this();
    }
    _queue->async([weak = weak_from_this()] {
        if (auto task = weak.lock())
            task->nextStage({});
    });
}

void VLStagableTask::fulfill(VLStagableTaskObject object) {
    queueEnd(_stageIndex.load(), std::move(object), nullptr);
}

void VLStagableTask::reject(VLErrorRef error) {
    queueEnd(_stageIndex.load(), {}, std::move(error));
}

void VLStagableTask::cancel() {
    reject(VLMakeError(VLStagableTaskErrorDomain, 301, "task cancelled"));
}

VLStagableTask::Completion VLStagableTask::onCompletion() const {
    std::lock_guard guard(*_lock);
    return _onCompletion;
}

void VLStagableTask::setOnCompletion(Completion completion) {
    std::lock_guard guard(*_lock);
    _onCompletion = std::move(completion);
}

void VLStagableTask::queueEnd(int32_t stage, VLStagableTaskObject object, VLErrorRef error) {
    std::shared_ptr<VLDispatchQueue> queue;
    {
        std::lock_guard guard(*_lock);
        queue = _queue;
    }
    if (!queue) {
        VLLogError("VLStagableTask", "A stage of a task that has not started can't end; ignored");
        return;
    }
    queue->async([weak = weak_from_this(), stage, object = std::move(object), error = std::move(error)] {
        if (auto task = weak.lock())
            task->endStage(stage, object, error);
    });
}

void VLStagableTask::nextStage(VLStagableTaskObject object) {
    if (_finished)
        return;
    const int32_t index = _stageIndex.load() + 1;
    if (size_t(index) == _stages.size()) {
        for (const auto& delegate : aliveDelegates())
            delegate->stagableTaskDidCompletion(*this, object);
        finish(object, nullptr);
        return;
    }
    _stageEnded = false;
    _stageIndex = index;
    VLStagableTaskStage& stage = _stages[size_t(index)];
    for (const auto& delegate : aliveDelegates())
        delegate->stagableTaskDidStartStage(*this, stage.name());
    stage.performActionWithContext(std::make_shared<StageContext>(weak_from_this(), index), object);
}

void VLStagableTask::endStage(int32_t stage, VLStagableTaskObject object, VLErrorRef error) {
    if (_finished || stage != _stageIndex.load() || stage < 0 || size_t(stage) >= _stages.size() ||
        _stageEnded)
        return;
    _stageEnded = true;
    const std::string& name = _stages[size_t(stage)].name();
    for (const auto& delegate : aliveDelegates())
        delegate->stagableTaskDidFinishStage(*this, name, error ? VLStagableTaskObject() : object, error);
    if (error) {
        finish({}, error);
        return;
    }
    // A queue item of its own, so that a stage's end and the next stage's start are apart.
    _queue->async([weak = weak_from_this(), object = std::move(object)] {
        if (auto task = weak.lock())
            task->nextStage(object);
    });
}

void VLStagableTask::finish(const VLStagableTaskObject& object, const VLErrorRef& error) {
    _finished = true;
    Completion completion;
    std::shared_ptr<VLStagableTask> self;
    {
        std::lock_guard guard(*_lock);
        completion = std::move(_onCompletion);
        _onCompletion = nullptr;
        self = std::move(_selfReference);
    }
    if (completion)
        completion(object, error);
    // `self` may be the last reference: the task goes when this returns.
}
