// The virtual TV card as one piece of hardware: the state of its tuner, TV audio, video
// decoder, two crossbars and proc amp, shared by every filter made on it, and the live
// sources that show that state (the picture's caption, signal and colours, the tone's pitch).
// The card exists while any of its filters does; when the last goes, it powers off and the
// next filter finds it at its defaults again.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/media/virtual_card/crossbar_state.h"
#include "platform/media/virtual_card/proc_amp.h"
#include "platform/media/tuning/tuner_state.h"
#include "platform/media/virtual_card/tv_audio_state.h"
#include "platform/media/virtual_card/video_decoder_state.h"

namespace media {

class VirtualVideoSource;
class VirtualAudioSource;

class VirtualCard {
public:
    static std::shared_ptr<VirtualCard> Acquire();
    // The card while some filter holds it, else null.
    static std::shared_ptr<VirtualCard> Current();

    VirtualCard();

    // Hold the lock while reading or changing the state, then call Refresh without it.
    std::mutex& Mutex() { return mutex_; }
    TunerState tuner;
    TvAudioState tvAudio;
    VideoDecoderState decoder;
    CrossbarState videoCrossbar = CrossbarState::VideoCrossbar();
    CrossbarState audioCrossbar = CrossbarState::AudioCrossbar();
    ProcAmpState procAmp;

    void Attach(VirtualVideoSource* source);
    void Detach(VirtualVideoSource* source);
    void Attach(VirtualAudioSource* source);
    void Detach(VirtualAudioSource* source);
    // Shows the current state in every live source.
    void Refresh();

    // Test and demo controls, acting on every live source of the card.
    void DropFrames(std::int64_t frames);
    void SetJitter(std::int64_t maxNs);
    // The audio time stamps' pace against the sound (FrameGate::SetClockRate): audio clock drift.
    void SetAudioClockRate(double rate);
    void SetHorizontalLock(bool locked);
    // Video frames carry their frame number in their first bytes (FrameGate::SetStampNumbers).
    void StampFrameNumbers(bool stamp);
    void Disappear();

private:
    std::mutex mutex_;
    std::vector<VirtualVideoSource*> video_;
    std::vector<VirtualAudioSource*> audio_;
};

}  // namespace media
