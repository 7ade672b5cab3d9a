#include "platform/media/capture_filters/virtual_card.h"

#include <algorithm>
#include <string>

#include "platform/media/virtual_card/audio_source.h"
#include "platform/media/virtual_card/video_source.h"

namespace media {
namespace {

std::mutex gCardMutex;
std::weak_ptr<VirtualCard> gCard;

constexpr LONG kTunerVideoInput = 0;  // the video crossbar's tuner input

template <typename T>
void Remove(std::vector<T*>& list, T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

std::shared_ptr<VirtualCard> VirtualCard::Acquire() {
    std::lock_guard lock(gCardMutex);
    std::shared_ptr<VirtualCard> card = gCard.lock();
    if (!card) {
        card = std::make_shared<VirtualCard>();
        gCard = card;
    }
    return card;
}

std::shared_ptr<VirtualCard> VirtualCard::Current() {
    std::lock_guard lock(gCardMutex);
    return gCard.lock();
}

VirtualCard::VirtualCard() = default;

void VirtualCard::Attach(VirtualVideoSource* source) {
    {
        std::lock_guard lock(mutex_);
        video_.push_back(source);
    }
    Refresh();
}

void VirtualCard::Detach(VirtualVideoSource* source) {
    std::lock_guard lock(mutex_);
    Remove(video_, source);
}

void VirtualCard::Attach(VirtualAudioSource* source) {
    {
        std::lock_guard lock(mutex_);
        audio_.push_back(source);
    }
    Refresh();
}

void VirtualCard::Detach(VirtualAudioSource* source) {
    std::lock_guard lock(mutex_);
    Remove(audio_, source);
}

void VirtualCard::Refresh() {
    std::lock_guard lock(mutex_);
    LONG videoInput = CrossbarState::kNotRouted;
    videoCrossbar.GetIsRoutedTo(0, &videoInput);
    const bool fromTuner = videoInput == kTunerVideoInput;

    std::string caption;
    if (fromTuner) {
        caption = ChannelCaption(tuner.Channel(), tuner.VideoFrequency());
    } else if (videoInput != CrossbarState::kNotRouted) {
        LONG related = 0, type = 0;
        videoCrossbar.GetPinInfo(true, videoInput, &related, &type);
        caption = ConnectorName(type);
    }

    VirtualVideoSource::Signal signal = VirtualVideoSource::Signal::Picture;
    if (!decoder.OutputEnable() || videoInput == CrossbarState::kNotRouted) {
        signal = VirtualVideoSource::Signal::Black;
    } else if (!decoder.HorizontalLocked() || (fromTuner && tuner.VideoFrequency() == 0)) {
        signal = VirtualVideoSource::Signal::Snow;
    }

    for (VirtualVideoSource* v : video_) {
        v->SetCaption(caption);
        v->SetSignal(signal);
        v->SetPicture(procAmp.Picture());
    }

    LONG audioInput = CrossbarState::kNotRouted;
    audioCrossbar.GetIsRoutedTo(0, &audioInput);
    const bool silent = audioInput == CrossbarState::kNotRouted;
    for (VirtualAudioSource* a : audio_) {
        a->SetToneFrequency(ToneFrequencyForChannel(tuner.Channel()));
        a->SetMuted(silent);
    }
}

void VirtualCard::DropFrames(std::int64_t frames) {
    std::lock_guard lock(mutex_);
    for (VirtualVideoSource* v : video_) v->Gate().DropFrames(frames);
}

void VirtualCard::SetJitter(std::int64_t maxNs) {
    std::lock_guard lock(mutex_);
    for (VirtualVideoSource* v : video_) v->Gate().SetJitter(maxNs);
}

void VirtualCard::StampFrameNumbers(bool stamp) {
    std::lock_guard lock(mutex_);
    for (VirtualVideoSource* v : video_) v->Gate().SetStampNumbers(stamp);
}

void VirtualCard::SetAudioClockRate(double rate) {
    std::lock_guard lock(mutex_);
    for (VirtualAudioSource* a : audio_) a->Gate().SetClockRate(rate);
}

void VirtualCard::SetHorizontalLock(bool locked) {
    {
        std::lock_guard lock(mutex_);
        decoder.SetHorizontalLocked(locked);
    }
    Refresh();
}

void VirtualCard::Disappear() {
    std::lock_guard lock(mutex_);
    for (VirtualVideoSource* v : video_) v->Disappear();
    for (VirtualAudioSource* a : audio_) a->Disappear();
}

}  // namespace media
