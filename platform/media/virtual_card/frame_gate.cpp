#include "platform/media/virtual_card/frame_gate.h"

#include <algorithm>

namespace media {

FrameGate::FrameGate(std::uint32_t seed) : random_(seed) {}

void FrameGate::DropFrames(std::int64_t frames) {
    std::lock_guard lock(mutex_);
    if (frames > 0) pendingDrops_ += frames;
}

void FrameGate::SetJitter(std::int64_t maxNs) {
    std::lock_guard lock(mutex_);
    jitterNs_ = std::max<std::int64_t>(maxNs, 0);
}

void FrameGate::SetClockRate(double rate) {
    std::lock_guard lock(mutex_);
    clockRate_ = rate > 0.5 && rate < 2.0 ? rate : 1.0;
    rateOrigin_ = -1;
}

void FrameGate::SetStampNumbers(bool stamp) {
    std::lock_guard lock(mutex_);
    stampNumbers_ = stamp;
}

void FrameGate::Disappear() {
    std::lock_guard lock(mutex_);
    disappeared_ = true;
}

bool FrameGate::Disappeared() const {
    std::lock_guard lock(mutex_);
    return disappeared_;
}

FrameVerdict FrameGate::Next(std::int64_t pts, std::int64_t bytes) {
    std::lock_guard lock(mutex_);
    if (disappeared_) return {};
    FrameVerdict verdict;
    verdict.frameNumber = nextFrame_++;
    if (pendingDrops_ > 0) {
        --pendingDrops_;
        ++counts_.dropped;
        droppedNumbers_.push_back(verdict.frameNumber);
        if (droppedNumbers_.size() > kDroppedHistory) droppedNumbers_.pop_front();
        return verdict;
    }
    verdict.deliver = true;
    verdict.stampNumber = stampNumbers_;
    verdict.pts = pts < 0 ? pts : Jittered(pts);
    ++counts_.delivered;
    counts_.deliveredBytes += bytes;
    return verdict;
}

std::int64_t FrameGate::Jittered(std::int64_t pts) {
    if (clockRate_ != 1.0) {
        if (rateOrigin_ < 0) rateOrigin_ = pts;
        pts = rateOrigin_ + static_cast<std::int64_t>(static_cast<double>(pts - rateOrigin_) * clockRate_);
    }
    if (jitterNs_ > 0) pts += std::uniform_int_distribution<std::int64_t>(-jitterNs_, jitterNs_)(random_);
    pts = std::max<std::int64_t>(pts, 0);
    if (lastPts_ >= 0 && pts <= lastPts_) pts = lastPts_ + 1;
    lastPts_ = pts;
    return pts;
}

void FrameGate::Restart() {
    std::lock_guard lock(mutex_);
    nextFrame_ = 0;
    lastPts_ = -1;
    rateOrigin_ = -1;
    droppedNumbers_.clear();
}

FrameCounts FrameGate::Counts() const {
    std::lock_guard lock(mutex_);
    return counts_;
}

std::vector<std::uint64_t> FrameGate::DroppedFrameNumbers() const {
    std::lock_guard lock(mutex_);
    return {droppedNumbers_.begin(), droppedNumbers_.end()};
}

}  // namespace media
