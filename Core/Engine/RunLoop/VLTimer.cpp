#include "Core/Engine/RunLoop/VLTimer.h"

#include <algorithm>

namespace {

constexpr int64_t kShortestInterval = 100; // microseconds

} // namespace

std::shared_ptr<VLTimer> VLTimer::create(double seconds, bool repeats, Block block, Completion completion) {
    return std::shared_ptr<VLTimer>(new VLTimer(seconds, repeats, std::move(block), std::move(completion)));
}

VLTimer::VLTimer(double seconds, bool repeats, Block block, Completion completion)
    : _repeats(repeats), _interval(std::max(VLTimerSource::microseconds(seconds), kShortestInterval)),
      _scheduleBlock(std::make_shared<const Block>(std::move(block))),
      _source(std::make_unique<VLTimerSource>([this] { onFire(); })), _completion(std::move(completion)) {}

VLTimer::~VLTimer() {
    finish(false);
}

void VLTimer::startInRunloop(GMainContext* context) {
    if (_started || _status == Status::invalidated) {
        return;
    }
    _started = true;
    _status = Status::running;
    _scheduledFire = VLTimerSource::now() + _interval;
    _source->fireAt(_scheduledFire);
    _source->attach(context);
}

void VLTimer::suspend() {
    if (_status == Status::running) {
        _status = Status::suspended;
    }
}

void VLTimer::resume() {
    if (_status != Status::suspended || !_started) {
        return;
    }
    _status = Status::running;
    if (_missedFire) {
        _missedFire = false;
        _scheduledFire = VLTimerSource::now();
        _source->fireAt(_scheduledFire);
    }
}

void VLTimer::onFire() {
    std::shared_ptr<VLTimer> keepAlive = shared_from_this();
    switch (_status) {
    case Status::suspended:
        if (_repeats) {
            scheduleNextRepeat();
        } else {
            _missedFire = true;
        }
        return;
    case Status::running:
        if (auto delegate = _delegate.lock(); delegate && !delegate->timerShouldRun(*this)) {
            return; // parked until runDeferred()
        }
        if (_repeats) {
            scheduleNextRepeat();
        }
        runBlock();
        if (!_repeats) {
            finish(true);
        }
        return;
    case Status::invalidated:
        return;
    }
}

// The next fire keeps to the original schedule; fires missed while the thread was busy are skipped.
void VLTimer::scheduleNextRepeat() {
    int64_t now = VLTimerSource::now();
    int64_t next = _scheduledFire + _interval;
    if (next <= now) {
        next += ((now - next) / _interval + 1) * _interval;
    }
    _scheduledFire = next;
    _source->fireAt(next);
}

void VLTimer::runDeferred() {
    if (_status == Status::invalidated) {
        return;
    }
    std::shared_ptr<VLTimer> keepAlive = shared_from_this();
    _scheduledFire = VLTimerSource::now() + _interval;
    _source->fireAt(_scheduledFire);
    if (_status != Status::running) {
        return;
    }
    runBlock();
    if (!_repeats) {
        finish(true);
    }
}

void VLTimer::runBlock() {
    std::shared_ptr<const Block> block = _scheduleBlock;
    if (block && *block) {
        (*block)();
    }
}

void VLTimer::finish(bool finished) {
    if (_status == Status::invalidated) {
        return;
    }
    _status = Status::invalidated;
    // The delegate may drop the last other reference; empty while this object is being destroyed.
    std::shared_ptr<VLTimer> keepAlive = weak_from_this().lock();
    _source.reset();
    _scheduleBlock.reset();
    if (auto delegate = _delegate.lock()) {
        delegate->timerDidInvalidate(*this, finished);
    }
    Completion completion = std::move(_completion);
    _completion = nullptr;
    if (completion) {
        completion(finished);
    }
}
