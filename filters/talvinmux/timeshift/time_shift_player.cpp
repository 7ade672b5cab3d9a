#include "filters/talvinmux/timeshift/time_shift_player.h"

#include <algorithm>
#include <utility>

namespace talvinmux {

namespace {

constexpr int64_t kUnitsPerSecond = 10'000'000;

bool IsPlayableSpeed(LONG percent) { return percent == 100 || percent == 400 || percent == -100 || percent == -400; }

LONG WholeSeconds(int64_t time) { return static_cast<LONG>(std::max<int64_t>(time, 0) / kUnitsPerSecond); }

}  // namespace

TimeShiftPlayer::TimeShiftPlayer(FrameIndex& index, Deliver deliver)
    : TimeShiftPlayer(index, std::move(deliver), steadyClock_) {}

TimeShiftPlayer::TimeShiftPlayer(FrameIndex& index, Deliver deliver, PlaybackClock& clock)
    : index_(index), deliver_(std::move(deliver)), clock_(clock), reader_(index) {
    index_.SetGrowthListener([this] { OnIndexGrowth(); });
    thread_ = std::thread([this] { Run(); });
}

TimeShiftPlayer::~TimeShiftPlayer() { Stop(); }

void TimeShiftPlayer::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (mode_ == Mode::Stopped && !thread_.joinable()) return;
        mode_ = Mode::Stopped;
        ++generation_;
    }
    wake_.notify_all();
    index_.SetGrowthListener({});
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TimeShiftPlayer::OnIndexGrowth() {
    if (!waitingForGrowth_.load()) return;
    std::lock_guard lock(mutex_);
    wake_.notify_all();
}

HRESULT TimeShiftPlayer::CheckUsable() const {
    if (mode_ == Mode::Stopped || index_.Empty()) return VFW_E_WRONG_STATE;
    return S_OK;
}

StreamKind TimeShiftPlayer::PositionStream() const {
    return index_.Count(StreamKind::Video) > 0 ? StreamKind::Video : StreamKind::Audio;
}

int64_t TimeShiftPlayer::NewestTime() const {
    const StreamKind stream = PositionStream();
    const std::size_t count = index_.Count(stream);
    if (count == 0) return 0;
    return index_.At(stream, count - 1)->start;
}

HRESULT TimeShiftPlayer::SetSpeed(LONG percent) {
    std::unique_lock lock(mutex_);
    if (HRESULT hr = CheckUsable(); FAILED(hr)) return hr;
    if (!IsPlayableSpeed(percent)) return E_INVALIDARG;
    if (mode_ == Mode::Playing && segment_.speed == percent) return S_OK;
    const int64_t from = position_.value_or(NewestTime());
    position_ = from;
    mode_ = Mode::Playing;
    ++generation_;
    StartSegment(from, percent);
    lock.unlock();
    wake_.notify_all();
    return S_OK;
}

HRESULT TimeShiftPlayer::Live() {
    std::unique_lock lock(mutex_);
    if (HRESULT hr = CheckUsable(); FAILED(hr)) return hr;
    mode_ = Mode::Live;
    position_.reset();
    ++generation_;
    lock.unlock();
    wake_.notify_all();
    return S_OK;
}

HRESULT TimeShiftPlayer::Pause() {
    std::unique_lock lock(mutex_);
    if (HRESULT hr = CheckUsable(); FAILED(hr)) return hr;
    if (!position_) position_ = NewestTime();
    mode_ = Mode::Paused;
    ++generation_;
    lock.unlock();
    wake_.notify_all();
    return S_OK;
}

HRESULT TimeShiftPlayer::Seek(LONG seconds) {
    std::unique_lock lock(mutex_);
    if (HRESULT hr = CheckUsable(); FAILED(hr)) return hr;
    const int64_t target = std::clamp<int64_t>(int64_t{seconds} * kUnitsPerSecond, 0, NewestTime());
    position_ = target;
    ++generation_;
    if (mode_ == Mode::Playing) StartSegment(target, segment_.speed);
    lock.unlock();
    wake_.notify_all();
    return S_OK;
}

HRESULT TimeShiftPlayer::GetPosition(LONG* position, LONG* length) {
    if (!position || !length) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (HRESULT hr = CheckUsable(); FAILED(hr)) return hr;
    *position = WholeSeconds(position_.value_or(NewestTime()));
    *length = WholeSeconds(index_.Length());
    return S_OK;
}

void TimeShiftPlayer::StartSegment(int64_t source, int speed) {
    segment_ = Segment{};
    segment_.speed = speed;
    segment_.clockStart = clock_.Now();
    segment_.lastSource = segment_.anchorSource = source;
    const std::size_t videoCount = index_.Count(StreamKind::Video);
    if (speed > 0) {
        // From the first frame at or after the position, so the position never goes back.
        const std::size_t first = index_.FirstStartingAtOrAfter(StreamKind::Video, source).value_or(videoCount);
        const auto key = first < videoCount ? index_.KeyAtOrBefore(StreamKind::Video, first) : std::nullopt;
        segment_.nextVideo = key.value_or(first);
        segment_.prerollUntil = first;
        if (speed == 100) {
            segment_.nextAudio = index_.FirstStartingAtOrAfter(StreamKind::Audio, source)
                                     .value_or(index_.Count(StreamKind::Audio));
        }
        return;
    }
    const auto showing = index_.LastStartingAtOrBefore(StreamKind::Video, source);
    segment_.nextVideo = showing ? index_.KeyAtOrBefore(StreamKind::Video, *showing) : std::nullopt;
    if (segment_.nextVideo)
        segment_.lastSource = segment_.anchorSource = index_.At(StreamKind::Video, *segment_.nextVideo)->start;
}

bool TimeShiftPlayer::AudioLagsBehind(int64_t videoStart) const {
    const std::size_t count = index_.Count(StreamKind::Audio);
    if (count == 0) return false;
    const int64_t audioEnd = index_.At(StreamKind::Audio, count - 1)->stop;
    const int64_t videoEnd = index_.At(StreamKind::Video, index_.Count(StreamKind::Video) - 1)->stop;
    return videoStart >= audioEnd && videoEnd - audioEnd < kLongestAudioLag;
}

std::optional<TimeShiftPlayer::Candidate> TimeShiftPlayer::PickNext() const {
    std::optional<IndexedFrame> video;
    if (segment_.nextVideo) video = index_.At(StreamKind::Video, *segment_.nextVideo);
    if (video && Forwards() && video->position < segment_.prerollUntil) return Candidate{*video, true, 0, false};

    std::optional<IndexedFrame> audio;
    if (segment_.speed == 100) {
        audio = index_.At(StreamKind::Audio, segment_.nextAudio);
        if (!audio && video && AudioLagsBehind(video->start)) return std::nullopt;
    }
    const std::optional<IndexedFrame>& next = !audio || (video && video->start <= audio->start) ? video : audio;
    if (!next) return std::nullopt;

    // Times come from the segment's anchor rather than step by step, so rounding never adds up.
    const int direction = Forwards() ? 1 : -1;
    const int64_t step = direction * (next->start - segment_.lastSource);
    Candidate candidate{*next, false, segment_.lastPlayback, false};
    if (step >= 0 && step / Factor() > kLongestHold) {
        candidate.playbackStart = segment_.lastPlayback + kLongestHold;
        candidate.reanchor = true;
    } else if (step >= 0) {
        candidate.playbackStart = segment_.anchorPlayback + direction * (next->start - segment_.anchorSource) / Factor();
    }
    const int64_t arrival = clock_.Now() - segment_.clockStart;
    if (segment_.waitedForGrowth && candidate.playbackStart < arrival) {
        candidate.playbackStart = arrival;
        candidate.reanchor = true;
    }
    return candidate;
}

void TimeShiftPlayer::Commit(const Candidate& next) {
    const IndexedFrame& frame = next.frame;
    const bool inOrder = Forwards() ? frame.start >= segment_.lastSource : frame.start <= segment_.lastSource;
    if (!next.preroll && inOrder) {
        segment_.lastSource = frame.start;
        segment_.lastPlayback = next.playbackStart;
        if (next.reanchor) {
            segment_.anchorSource = frame.start;
            segment_.anchorPlayback = next.playbackStart;
        }
    }
    if (!next.preroll) segment_.waitedForGrowth = false;
    if (frame.stream == StreamKind::Audio) {
        ++segment_.nextAudio;
    } else if (Forwards()) {
        segment_.nextVideo = frame.position + 1;
    } else {
        segment_.nextVideo = frame.position == 0 ? std::nullopt : index_.KeyAtOrBefore(StreamKind::Video, frame.position - 1);
    }
}

void TimeShiftPlayer::Run() {
    std::unique_lock lock(mutex_);
    while (mode_ != Mode::Stopped) {
        if (mode_ != Mode::Playing) {
            clock_.WaitUntil(lock, wake_, PlaybackClock::kNever);
            continue;
        }
        const auto next = PickNext();
        if (!next && !Forwards()) {  // went back to the first key frame
            mode_ = Mode::Paused;
        } else if (!next) {
            WaitForGrowth(lock);
        } else if (const int64_t deadline = segment_.clockStart + next->playbackStart; clock_.Now() < deadline) {
            clock_.WaitUntil(lock, wake_, deadline);
        } else {
            Play(lock, *next);
        }
    }
}

void TimeShiftPlayer::WaitForGrowth(std::unique_lock<std::mutex>& lock) {
    // The flag is raised before looking again, so an append after that look wakes this wait.
    waitingForGrowth_ = true;
    if (!PickNext()) {
        const uint64_t generation = generation_;
        clock_.WaitUntil(lock, wake_, PlaybackClock::kNever);
        if (generation == generation_) segment_.waitedForGrowth = true;
    }
    waitingForGrowth_ = false;
}

void TimeShiftPlayer::Play(std::unique_lock<std::mutex>& lock, const Candidate& next) {
    Commit(next);
    const IndexedFrame& frame = next.frame;
    const int64_t start = next.preroll ? 0 : next.playbackStart;
    const int64_t stop = next.preroll ? 0 : start + (frame.stop - frame.start) / Factor();
    const bool discontinuity = std::exchange(segment_.fresh, false);
    const uint64_t generation = generation_;

    lock.unlock();
    auto data = reader_.Read(frame);
    lock.lock();
    if (!data) {
        ++readFaults_;
        if (discontinuity && generation == generation_) segment_.fresh = true;
        return;
    }
    if (generation != generation_) return;  // a command came while the frame was read

    if (!data->empty()) {  // an empty chunk only holds the previous picture
        lock.unlock();
        deliver_(Delivered{frame.stream, std::move(*data), start, stop, frame.keyFrame, discontinuity, next.preroll,
                           frame.start});
        lock.lock();
    } else if (discontinuity) {
        segment_.fresh = true;
    }
    if (generation == generation_ && !next.preroll && frame.stream == PositionStream()) position_ = frame.start;
}

}  // namespace talvinmux
