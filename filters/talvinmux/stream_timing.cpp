#include "filters/talvinmux/stream_timing.h"

#include <algorithm>
#include <cmath>

namespace talvinmux {
namespace {

constexpr REFERENCE_TIME kUnitsPerSecond = 10000000;
// A jump in the time stamps longer than this is a new time base, not frames the source lost.
constexpr REFERENCE_TIME kLongestGap = 60 * kUnitsPerSecond;

std::uint32_t FramesIn(REFERENCE_TIME time, REFERENCE_TIME timePerFrame) {
    if (time <= 0) return 0;
    return static_cast<std::uint32_t>((time + timePerFrame / 2) / timePerFrame);
}

}  // namespace

StreamTiming::StreamTiming(const TimingSettings& settings) : s_(settings) {
    if (s_.timePerFrame <= 0) s_.timePerFrame = 333667;
    if (s_.audioBlockAlign == 0) s_.audioBlockAlign = 1;
    if (s_.audioBytesPerSecond == 0) s_.audioBytesPerSecond = s_.audioBlockAlign;
    s_.syncSensitivity = std::clamp<std::uint32_t>(s_.syncSensitivity, 1, 100);
}

std::uint32_t StreamTiming::BlockAligned(REFERENCE_TIME time) const {
    if (time <= 0) return 0;
    const auto bytes = static_cast<std::uint64_t>(time) * s_.audioBytesPerSecond / kUnitsPerSecond;
    return static_cast<std::uint32_t>(bytes - bytes % s_.audioBlockAlign);
}

REFERENCE_TIME StreamTiming::VideoLead(REFERENCE_TIME start) const {
    return videoFileStart_ + static_cast<REFERENCE_TIME>(videoFrames_) * s_.timePerFrame - (start - videoOrigin_);
}

REFERENCE_TIME StreamTiming::AudioLead(REFERENCE_TIME start) const {
    const auto placed = static_cast<REFERENCE_TIME>(audioBytes_ * kUnitsPerSecond / s_.audioBytesPerSecond);
    return audioFileStart_ + placed - (start - audioOrigin_);
}

int StreamTiming::SyncCorrection(REFERENCE_TIME drift) {
    const auto threshold = static_cast<REFERENCE_TIME>(s_.syncThreshold * static_cast<double>(s_.timePerFrame));
    const int sign = drift > threshold ? 1 : drift < -threshold ? -1 : 0;
    if (sign == 0 || sign != beyondSign_) {
        beyondSign_ = sign;
        beyond_ = 0;
    }
    if (sign == 0) return 0;
    // Sensitivity 100 corrects at the first sample past the threshold, 1 after a hundred.
    if (++beyond_ < 101 - s_.syncSensitivity) return 0;
    beyond_ = 0;
    return sign;
}

VideoPlan StreamTiming::PlanVideo(const VideoSample& sample) {
    VideoPlan plan;
    if (s_.discardNegativeVideo && sample.hasTime && sample.start < 0) {
        plan.discard = true;
        return plan;
    }
    const REFERENCE_TIME tpf = s_.timePerFrame;
    const REFERENCE_TIME start = sample.hasTime ? sample.start : lastVideoStart_ + tpf;
    if (firstVideo_) {
        firstVideo_ = false;
        lastVideoStart_ = start;
        lastMediaStart_ = sample.mediaStart;
        const std::uint32_t delay = FramesIn(start, tpf);
        switch (s_.videoDelay) {
            case VideoDelay::DelayTime:
                plan.startFrames = delay;
                videoFileStart_ = static_cast<REFERENCE_TIME>(delay) * tpf;
                break;
            case VideoDelay::NullFrames:
                plan.nullBefore = delay;
                break;
            case VideoDelay::FirstThenNull:
                plan.nullAfter = delay;
                break;
            case VideoDelay::ChangeBase:
                videoOrigin_ = start;
                break;
        }
        if (!s_.noDroppedFirstFrame) plan.dropped = plan.nullBefore + plan.nullAfter;
        return plan;
    }

    std::uint32_t missing = 0;
    if (s_.videoTime == TimeProperty::TimeStamp && sample.hasTime) {
        const REFERENCE_TIME gap = start - lastVideoStart_;
        const double frames = static_cast<double>(gap) / static_cast<double>(tpf) - 1.0 - s_.dropThreshold;
        if (gap <= kLongestGap && frames > 0) missing = static_cast<std::uint32_t>(std::ceil(frames));
        if (gap > kLongestGap) videoOrigin_ += gap - tpf;  // a new time base
    } else if (s_.videoTime == TimeProperty::MediaTime && sample.hasMediaTime) {
        const LONGLONG step = sample.mediaStart - lastMediaStart_;
        if (step > 1 && step * tpf <= kLongestGap) missing = static_cast<std::uint32_t>(step - 1);
        lastMediaStart_ = sample.mediaStart;
    }
    lastVideoStart_ = start;
    plan.nullBefore = missing;
    plan.dropped = missing;

    if (s_.audioSync && s_.master != MasterStream::Video && sample.hasTime && start >= s_.syncStart && haveAudioLead_) {
        const REFERENCE_TIME videoLead = VideoLead(start) + static_cast<REFERENCE_TIME>(missing) * tpf;
        const int correction = SyncCorrection(audioLead_ - videoLead);
        if (correction > 0) {
            ++plan.nullBefore;
            ++plan.inserted;
        } else if (correction < 0) {
            plan.deleteFrame = true;
        }
    }
    return plan;
}

AudioPlan StreamTiming::PlanAudio(REFERENCE_TIME start, bool hasTime, std::uint32_t bytes) {
    AudioPlan plan;
    if (s_.discardNegativeAudio && hasTime && start < 0) {
        plan.discard = true;
        return plan;
    }
    if (firstAudio_) {
        firstAudio_ = false;
        const REFERENCE_TIME delay = hasTime && start > 0 ? start : 0;
        AudioDelay handling = s_.audioDelay;
        if (handling == AudioDelay::NullFrames && !s_.audioIsPcm) handling = AudioDelay::DelayTime;
        switch (handling) {
            case AudioDelay::DelayTime:
                plan.startBlocks = BlockAligned(delay) / s_.audioBlockAlign;
                audioFileStart_ = static_cast<REFERENCE_TIME>(plan.startBlocks) * s_.audioBlockAlign * kUnitsPerSecond /
                                  s_.audioBytesPerSecond;
                break;
            case AudioDelay::NullFrames:
                plan.silenceBefore = BlockAligned(delay);
                break;
            case AudioDelay::ChangeBase:
                audioOrigin_ = hasTime ? start : 0;
                break;
        }
    }
    if (!hasTime || s_.audioTime == TimeProperty::None) return plan;
    audioLead_ = AudioLead(start) + static_cast<REFERENCE_TIME>(plan.silenceBefore) * kUnitsPerSecond / s_.audioBytesPerSecond;
    haveAudioLead_ = true;

    if (s_.audioSync && s_.master == MasterStream::Video && start >= s_.syncStart && !firstVideo_) {
        // The last frame placed already covers its own duration.
        const int correction = SyncCorrection(audioLead_ - (VideoLead(lastVideoStart_) - s_.timePerFrame));
        const std::uint32_t frameBytes = std::max(BlockAligned(s_.timePerFrame), s_.audioBlockAlign);
        if (correction > 0) {
            plan.trimBytes = std::min(bytes - bytes % s_.audioBlockAlign, frameBytes);
            if (plan.trimBytes) ++plan.deleted;
        } else if (correction < 0 && s_.audioIsPcm) {
            plan.silenceBefore += frameBytes;
            ++plan.inserted;
        }
    }
    return plan;
}

}  // namespace talvinmux
