// Time-shift playback: plays a recording back from its files while it is still being written,
// on a thread of its own, through the recording's FrameIndex.
//
// Disk-backed: the player keeps no frame data; it reads each frame from its piece file (pread)
// just before handing it on, so a recording of any length can be played from any point.
//
// Speeds (SetSpeed):
//  - 100: every video frame and every audio frame, merged in the order of their start times,
//    so audio stays aligned to video by time (not by frame count).
//  - 400: every video frame (intra-only and inter-frame streams alike), at four times the pace;
//    audio is silent (not delivered).
//  - -100, -400: backwards, video only, key frames only: an intra-only stream (every frame a
//    key frame) goes back frame by frame, an inter-frame stream from key frame to key frame.
//    Source times decrease; the playback timeline still grows.
// Any other value is E_INVALIDARG. Setting the speed that is already playing changes nothing.
//
// Timeline: every start of playback (SetSpeed from live or paused, a speed change, a seek while
// playing) begins a new segment: its first delivery has `discontinuity` set and the segment's
// timeline starts at 0 and grows monotonically. A frame's playback time is the distance of its
// source start from the segment's starting point, divided by the speed factor, so playback is
// paced by the frames' stream times (never by counting frames): a short hole in the recording
// (dropped frames) holds the last picture for its length and audio stays in step. A hole longer than kLongestHold of
// playback time (a device that stopped, a clock jump) is shortened to kLongestHold, for both
// streams alike. Deliveries are paced against the PlaybackClock, in real time in production.
//
// Where playback starts: at the position (below). Going forwards the first frame shown is the
// first starting at or after the position (so the position never steps back); the frames from
// the key frame at or before it are delivered first as `preroll` (stamped 0, for the decoder
// only), so an inter-frame decoder can start. Audio starts at the first audio frame at or after
// the position. Going backwards it starts at the key frame at or before the frame showing at
// the position.
//
// The edges: playback follows the growing recording. Reaching the newest frame at 100 or 400
// it waits there (the stream does not end) and goes on with each frame as it is written; the
// timeline goes on from the time the frame arrives, so frames written later are never stamped in
// the past. At 100, when the audio written so far ends before the next video frame, that frame
// waits for the audio to reach it (so the two stay aligned at the newest frame too), unless the
// recording's video runs kLongestAudioLag or more past its audio (the audio stopped): then
// video goes on alone.
// Going backwards it pauses at the first key frame.
//
// Position (GetPosition): the source time, in whole seconds, of the last delivered video frame
// (audio frame when the recording has no video), or of the position a Seek asked for, until a
// frame after it is delivered. Live (and at the start) the position is the newest frame's.
// Length: the newest frame's stop, in whole seconds.
//
// Commands:
//  - Live(): leaves playback; no frame is handed to the callback after it returns, except one
//    the player was handing on at that moment. The position follows the newest frame again.
//    The same holds for the frames of the old segment after Pause, Seek and SetSpeed.
//  - Pause(): keeps the position; live, it freezes the newest frame's time as the position, so
//    a later SetSpeed plays on from where the picture was paused (beginning with that frame).
//  - Seek(seconds): sets the position to the time asked for, clamped to [0, newest frame's
//    start] (a seek past the end lands on the newest frame). While playing, playback restarts
//    there at the same speed; paused or live, it stays paused or live with the new position.
//  - Stop(): ends the thread; every later call returns VFW_E_WRONG_STATE.
// Every command returns VFW_E_WRONG_STATE when nothing is recorded yet (no frame indexed) or the
// player is stopped; GetPosition returns E_POINTER for null out-pointers.
//
// Reading faults (a piece file missing, a file shorter than its index says): the frame is
// skipped (counted in ReadFaults()), playback goes on with the next one. An empty chunk (a
// writer's way to repeat the previous frame) is timed like any frame but not handed on.
//
// The Deliver callback runs on the player's thread, without the player's lock held (so it may
// call the player's commands, but not destroy it), must not throw, and must return for the
// player to go on or be destroyed: the destructor stops and joins the thread.
//
// One player per index: it listens to the index's growth. The index outlives the player.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "filters/talvinmux/timeshift/frame_index.h"
#include "filters/talvinmux/timeshift/frame_reader.h"
#include "filters/talvinmux/timeshift/playback_clock.h"
#include "platform/com/hresult.h"

namespace talvinmux {

class TimeShiftPlayer {
public:
    struct Delivered {
        StreamKind stream;
        std::vector<uint8_t> data;
        int64_t start;  // playback timeline, 100 ns
        int64_t stop;
        bool keyFrame;
        bool discontinuity = false;  // first delivery of a new segment (timeline restarted at 0)
        bool preroll = false;        // decode only: a frame before the position, stamped 0
        int64_t sourceStart = 0;     // the frame's time in the recording
    };
    using Deliver = std::function<void(Delivered&&)>;  // called on the player's thread

    static constexpr int64_t kLongestHold = 30'000'000;      // 3 s
    static constexpr int64_t kLongestAudioLag = 10'000'000;  // 1 s

    TimeShiftPlayer(FrameIndex& index, Deliver deliver);
    // With an injected clock (tests); `clock` must outlive the player.
    TimeShiftPlayer(FrameIndex& index, Deliver deliver, PlaybackClock& clock);
    ~TimeShiftPlayer();
    TimeShiftPlayer(const TimeShiftPlayer&) = delete;
    TimeShiftPlayer& operator=(const TimeShiftPlayer&) = delete;

    HRESULT SetSpeed(LONG percent);  // 100, 400, -100, -400; starts playback if not playing
    HRESULT Live();                  // leave playback: no more deliveries
    HRESULT Pause();
    HRESULT Seek(LONG seconds);
    HRESULT GetPosition(LONG* position, LONG* length);
    void Stop();

    uint64_t ReadFaults() const { return readFaults_.load(); }

private:
    enum class Mode { Live, Paused, Playing, Stopped };

    struct Segment {
        int speed = 100;
        int64_t clockStart = 0;     // clock time of playback time 0
        int64_t anchorSource = 0;   // a source time and its playback time: later frames are timed
        int64_t anchorPlayback = 0; // from here (moved by a shortened hole or a wait at the end)
        int64_t lastSource = 0;     // source start of the last delivered frame (or the start point)
        int64_t lastPlayback = 0;   // its playback time
        std::optional<std::size_t> nextVideo;
        std::size_t prerollUntil = 0;  // forwards: video positions before it are preroll
        std::size_t nextAudio = 0;
        bool fresh = true;
        bool waitedForGrowth = false;  // the next frame goes on from the clock's time, not before it
    };

    struct Candidate {
        IndexedFrame frame;
        bool preroll;
        int64_t playbackStart;  // on the segment's timeline
        bool reanchor;          // the segment's timing starts again from this frame
    };

    void Run();
    void WaitForGrowth(std::unique_lock<std::mutex>& lock);
    void Play(std::unique_lock<std::mutex>& lock, const Candidate& next);  // reads and hands on one frame
    std::optional<Candidate> PickNext() const;
    bool AudioLagsBehind(int64_t videoStart) const;
    void Commit(const Candidate& next);
    void StartSegment(int64_t source, int speed);
    bool Forwards() const { return segment_.speed > 0; }
    int Factor() const { return segment_.speed < 0 ? -segment_.speed / 100 : segment_.speed / 100; }
    int64_t NewestTime() const;
    StreamKind PositionStream() const;
    HRESULT CheckUsable() const;
    void OnIndexGrowth();

    FrameIndex& index_;
    Deliver deliver_;
    SteadyPlaybackClock steadyClock_;
    PlaybackClock& clock_;
    FrameReader reader_;  // used on the player thread only

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    Mode mode_ = Mode::Live;
    uint64_t generation_ = 0;
    std::optional<int64_t> position_;
    Segment segment_;
    std::atomic<bool> waitingForGrowth_{false};
    std::atomic<uint64_t> readFaults_{0};
    std::thread thread_;
};

}  // namespace talvinmux
