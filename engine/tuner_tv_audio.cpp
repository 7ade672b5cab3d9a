// The tuner's channel and the TV audio mode on their own: set for a channel change or a
// recording, read back into the profile.
#include "engine/capture_engine.h"

namespace {

// The TV audio bits a profile keeps: mono, stereo and the languages A, B and C.
constexpr LONG kStoredTvAudioModes = AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_STEREO | AMTVAUDIO_MODE_LANG_A |
                                     AMTVAUDIO_MODE_LANG_B | AMTVAUDIO_MODE_LANG_C;
static_assert(kStoredTvAudioModes == 0x73);

bool IsExcluded(const CDeviceProfile& device, DeviceApplyItem item) {
    return device.ExcludeItem[static_cast<std::size_t>(item)] != 0;
}

}  // namespace

void CCaptureEngine::PutTunerChannel(const CDeviceProfile& d, BOOL beep) {
    if (!session_.TvTuner) return;
    const HRESULT hr = session_.TvTuner->put_Channel(static_cast<LONG>(d.TunerChannel), static_cast<LONG>(d.TunerVideoSubChannel),
                                                     static_cast<LONG>(d.TunerAudioSubChannel));
    if (FAILED(hr)) ReportFailure(hr, beep, "IAMTuner put_Channel");
}

void CCaptureEngine::PutTvAudioMode(const CDeviceProfile& d, BOOL beep) {
    if (!session_.TvAudio) return;
    const HRESULT hr = session_.TvAudio->put_TVAudioMode(static_cast<LONG>(d.TVAudioMode));
    if (hr != S_OK) ReportFailure(hr, beep, "IAMTVAudio put_TVAudioMode");
}

void CCaptureEngine::ApplyTunerAndTvAudio(CDeviceProfile* device) {
    if (!device) return;
    if (!IsExcluded(*device, ApplyTVTuner)) PutTunerChannel(*device, FALSE);
    if (!IsExcluded(*device, ApplyTVAudio)) PutTvAudioMode(*device, FALSE);
}

void CCaptureEngine::ReadTunerAndTvAudio(CDeviceProfile* device) {
    if (!device) return;
    if (session_.TvTuner) {
        LONG channel = 0, video = 0, audio = 0;
        if (SUCCEEDED(session_.TvTuner->get_Channel(&channel, &video, &audio))) {
            device->TunerChannel = static_cast<DWORD>(channel);
            device->TunerVideoSubChannel = static_cast<DWORD>(video);
            device->TunerAudioSubChannel = static_cast<DWORD>(audio);
        }
    }
    if (session_.TvAudio) {
        LONG mode = 0;
        if (SUCCEEDED(session_.TvAudio->get_TVAudioMode(&mode)))
            device->TVAudioMode = static_cast<DWORD>(mode & kStoredTvAudioModes);
    }
}

void CCaptureEngine::SelectChannelProfile() {
    store_.CurrentChannel = nullptr;
    const CDeviceProfile* device = store_.CurrentDevice;
    if (!device) return;
    for (const auto& channel : store_.ChannelProfiles) {
        if (channel->Name == device->ChannelProfileName) {
            store_.CurrentChannel = channel.get();
            return;
        }
    }
}
