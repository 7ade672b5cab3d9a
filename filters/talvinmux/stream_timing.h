// StreamTiming: where each incoming sample goes in the file. AVI has no time stamps: a frame's
// time is its position. So a gap in the video (frames the source lost) is filled with null
// frames, a stream that starts late gets a delay, and, with audio synchronisation on, the
// drift of the audio data against its own time stamps is followed and corrected by whole
// frames: by duplicating or deleting video frames (a null frame repeats the picture), or, when
// video is the master stream, by padding the audio with silence or trimming it.
//
// Plain arithmetic on the times it is given, no threads: the filter calls it under its
// streaming lock.
#pragma once

#include <cstdint>

#include "platform/com/types.h"

namespace talvinmux {

enum class TimeProperty : std::uint32_t { None = 0, TimeStamp = 1, MediaTime = 2 };
enum class VideoDelay : std::uint32_t { DelayTime = 0, NullFrames = 1, FirstThenNull = 2, ChangeBase = 3 };
enum class AudioDelay : std::uint32_t { DelayTime = 0, ChangeBase = 1, NullFrames = 2 };
enum class MasterStream : std::uint32_t { None = 0, Video = 1, Audio = 2 };

struct TimingSettings {
    REFERENCE_TIME timePerFrame = 333667;
    std::uint32_t audioBytesPerSecond = 192000;
    std::uint32_t audioBlockAlign = 4;
    bool audioIsPcm = true;  // silence is zero bytes
    double dropThreshold = 0.5;
    TimeProperty videoTime = TimeProperty::TimeStamp, audioTime = TimeProperty::TimeStamp;
    VideoDelay videoDelay = VideoDelay::DelayTime;
    AudioDelay audioDelay = AudioDelay::DelayTime;
    bool noDroppedFirstFrame = true;
    bool discardNegativeVideo = false, discardNegativeAudio = false;
    bool audioSync = false;
    double syncThreshold = 1.0;       // frames
    std::uint32_t syncSensitivity = 50;  // 1 (slow) .. 100 (at once)
    REFERENCE_TIME syncStart = 0;
    MasterStream master = MasterStream::None;
};

struct VideoSample {
    REFERENCE_TIME start = 0;
    bool hasTime = false;
    LONGLONG mediaStart = 0;
    bool hasMediaTime = false;
};

struct VideoPlan {
    bool discard = false;           // not written and not counted (negative time)
    bool deleteFrame = false;       // not written: deleted by synchronisation
    std::uint32_t nullBefore = 0;   // null frames to write before the frame
    std::uint32_t nullAfter = 0;    // null frames to write after it (the first frame's delay)
    std::uint32_t dropped = 0;      // of the null frames, those standing for lost frames
    std::uint32_t inserted = 0;     // of the null frames, those inserted by synchronisation
    std::uint32_t startFrames = 0;  // the stream's delay for the header (first frame only)
};

struct AudioPlan {
    bool discard = false;
    std::uint32_t silenceBefore = 0;  // zero bytes to write before the sample
    std::uint32_t trimBytes = 0;      // bytes left out from the sample's start
    std::uint32_t inserted = 0, deleted = 0;
    std::uint32_t startBlocks = 0;    // the stream's delay for the header (first sample only)
};

class StreamTiming {
public:
    explicit StreamTiming(const TimingSettings& settings);

    VideoPlan PlanVideo(const VideoSample& sample);
    AudioPlan PlanAudio(REFERENCE_TIME start, bool hasTime, std::uint32_t bytes);
    // What was written in the end (a frame or chunk the writer refused does not count).
    void VideoPlaced(std::uint32_t frames) { videoFrames_ += frames; }
    void AudioPlaced(std::uint64_t bytes) { audioBytes_ += bytes; }

private:
    // How far each stream's data runs ahead of its time stamps, in 100 ns.
    REFERENCE_TIME VideoLead(REFERENCE_TIME start) const;
    REFERENCE_TIME AudioLead(REFERENCE_TIME start) const;
    // Whether the drift stayed past the threshold long enough for a correction: +1 the audio
    // runs long, -1 short, 0 nothing to do.
    int SyncCorrection(REFERENCE_TIME now);
    std::uint32_t BlockAligned(REFERENCE_TIME time) const;

    TimingSettings s_;
    bool firstVideo_ = true, firstAudio_ = true;
    REFERENCE_TIME videoOrigin_ = 0, audioOrigin_ = 0;
    REFERENCE_TIME videoFileStart_ = 0, audioFileStart_ = 0;  // delays given in the headers
    REFERENCE_TIME lastVideoStart_ = 0;
    LONGLONG lastMediaStart_ = 0;
    std::uint64_t videoFrames_ = 0, audioBytes_ = 0;
    REFERENCE_TIME audioLead_ = 0;  // at the latest audio sample
    bool haveAudioLead_ = false;
    std::uint32_t beyond_ = 0;      // video frames the drift stayed past the threshold
    int beyondSign_ = 0;
};

}  // namespace talvinmux
