#include "platform/media/capture_filters/v4l2_tuner.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <limits>
#include <mutex>
#include <vector>

#include "platform/media/capture_constants.h"
#include "platform/media/capture_filters/v4l2_device.h"
#include "platform/media/interfaces/tv_hardware.h"
#include "platform/media/tuning/tuner_state.h"
#include "platform/media/tuning/v4l2_frequency.h"

namespace media {
namespace {

// The ioctls, each on a freshly opened node.
class IoctlTunerDevice final : public V4l2TunerDevice {
public:
    IoctlTunerDevice(std::string path, std::uint32_t index) : path_(std::move(path)), index_(index) {}

    HRESULT SetFrequency(std::uint32_t units) override {
        v4l2_frequency f{};
        f.tuner = index_;
        f.type = V4L2_TUNER_ANALOG_TV;
        f.frequency = units;
        return Call(VIDIOC_S_FREQUENCY, &f);
    }
    HRESULT GetFrequency(std::uint32_t* units) override {
        v4l2_frequency f{};
        f.tuner = index_;
        const HRESULT hr = Call(VIDIOC_G_FREQUENCY, &f);
        if (SUCCEEDED(hr)) *units = f.frequency;
        return hr;
    }
    HRESULT SignalStrength(LONG* strength) override {
        v4l2_tuner t{};
        t.index = index_;
        const HRESULT hr = Call(VIDIOC_G_TUNER, &t);
        if (SUCCEEDED(hr)) *strength = static_cast<LONG>(t.signal);
        return hr;
    }

private:
    HRESULT Call(unsigned long request, void* arg) const {
        V4l2DeviceHandle device(path_);
        if (!device.Open() || device.Ioctl(request, arg) < 0) return HResultFromErrno(errno);
        return S_OK;
    }

    std::string path_;
    std::uint32_t index_;
};

class V4l2TunerFilter final : public ComExtend<GstFilterBase, IAMTVTuner> {
public:
    V4l2TunerFilter(std::unique_ptr<V4l2TunerDevice> device, V4l2TunerRange range)
        : ComExtend(CLSID_QuilldeckV4l2Tuner, u"TV Tuner", nullptr, &CaptureFilterCounter()),
          device_(std::move(device)),
          range_(range) {
        PinSetup video;
        video.name = u"Analog Video";
        videoOut = static_cast<CapturePin*>(AddPin(std::make_unique<CapturePin>(this, std::move(video))));
        state_.PutCountryCode(range.country);
    }
    ~V4l2TunerFilter() override { videoOut->UnlinkMedium(); }

    CapturePin* videoOut = nullptr;

    HRESULT put_Channel(LONG channel, LONG videoSub, LONG audioSub) override {
        const HRESULT hr = Change([&](TunerState& next) { return next.PutChannel(channel, videoSub, audioSub); }, true);
        if (SUCCEEDED(hr)) Notify();
        return hr;
    }
    HRESULT get_Channel(LONG* channel, LONG* videoSub, LONG* audioSub) override {
        if (!channel || !videoSub || !audioSub) return E_POINTER;
        std::lock_guard lock(mutex_);
        *channel = state_.Channel();
        *videoSub = state_.VideoSubChannel();
        *audioSub = state_.AudioSubChannel();
        return S_OK;
    }
    HRESULT ChannelMinMax(LONG* channelMin, LONG* channelMax) override {
        if (!channelMin || !channelMax) return E_POINTER;
        std::lock_guard lock(mutex_);
        const ChannelRange r = state_.ChannelMinMax();
        *channelMin = r.min;
        *channelMax = r.max;
        return S_OK;
    }
    HRESULT put_CountryCode(LONG country) override {
        return Change([&](TunerState& next) { return next.PutCountryCode(country); }, true);
    }
    HRESULT get_CountryCode(LONG* country) override { return Get(country, &TunerState::CountryCode); }
    HRESULT put_TuningSpace(LONG space) override {
        return Change(
            [&](TunerState& next) {
                next.PutTuningSpace(space);
                return S_OK;
            },
            false);
    }
    HRESULT get_TuningSpace(LONG* space) override { return Get(space, &TunerState::TuningSpace); }
    HRESULT Logon(HANDLE) override { return S_OK; }
    HRESULT Logout() override { return S_OK; }
    HRESULT SignalPresent(LONG* strength) override {
        if (!strength) return E_POINTER;
        LONG signal = 0;
        const HRESULT hr = device_->SignalStrength(&signal);
        if (FAILED(hr)) return hr;
        *strength = signal > 0 ? AMTUNER_SIGNALPRESENT : AMTUNER_NOSIGNAL;
        return S_OK;
    }
    HRESULT put_Mode(AMTunerModeType mode) override {
        return Change([&](TunerState& next) { return next.PutMode(mode); }, false);
    }
    HRESULT get_Mode(AMTunerModeType* mode) override {
        if (!mode) return E_POINTER;
        std::lock_guard lock(mutex_);
        *mode = static_cast<AMTunerModeType>(state_.Mode());
        return S_OK;
    }
    HRESULT GetAvailableModes(LONG* modes) override {
        if (!modes) return E_POINTER;
        *modes = TunerState::kAvailableModes;
        return S_OK;
    }
    HRESULT RegisterNotificationCallBack(IAMTunerNotification* notify, LONG events) override {
        if (!notify) return E_POINTER;
        if (events != AMTUNER_EVENT_CHANGED) return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        callbacks_.emplace_back(notify);
        return S_OK;
    }
    HRESULT UnRegisterNotificationCallBack(IAMTunerNotification* notify) override {
        std::lock_guard lock(mutex_);
        for (auto it = callbacks_.begin(); it != callbacks_.end(); ++it) {
            if (it->Get() == notify) {
                callbacks_.erase(it);
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }

    // IAMTVTuner
    HRESULT get_AvailableTVFormats(LONG* standards) override { return Get(standards, &TunerState::TVFormat); }
    HRESULT get_TVFormat(LONG* standard) override { return Get(standard, &TunerState::TVFormat); }
    HRESULT AutoTune(LONG channel, LONG* foundSignal) override {
        if (!foundSignal) return E_POINTER;
        HRESULT hr = put_Channel(channel, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT);
        if (FAILED(hr)) return hr;
        LONG present = AMTUNER_NOSIGNAL;
        hr = SignalPresent(&present);
        if (FAILED(hr)) return hr;
        *foundSignal = present == AMTUNER_SIGNALPRESENT ? 1 : 0;
        return S_OK;
    }
    HRESULT StoreAutoTune() override { return S_OK; }
    HRESULT get_NumInputConnections(LONG* count) override {
        if (!count) return E_POINTER;
        *count = TunerState::kInputCount;
        return S_OK;
    }
    HRESULT put_InputType(LONG index, TunerInputType type) override {
        return Change([&](TunerState& next) { return next.PutInputType(index, type); }, true);
    }
    HRESULT get_InputType(LONG index, TunerInputType* type) override {
        if (!type) return E_POINTER;
        std::lock_guard lock(mutex_);
        LONG value = 0;
        const HRESULT hr = state_.GetInputType(index, &value);
        if (SUCCEEDED(hr)) *type = static_cast<TunerInputType>(value);
        return hr;
    }
    HRESULT put_ConnectInput(LONG index) override {
        return Change([&](TunerState& next) { return next.PutConnectInput(index); }, false);
    }
    HRESULT get_ConnectInput(LONG* index) override { return Get(index, &TunerState::ConnectInput); }
    // What the device is tuned to, and the sound carrier at the plan's distance from it.
    HRESULT get_VideoFrequency(LONG* hz) override {
        if (!hz) return E_POINTER;
        std::uint32_t units = 0;
        const HRESULT hr = device_->GetFrequency(&units);
        if (SUCCEEDED(hr)) *hz = V4l2UnitsToHz(units, range_.lowUnits);
        return hr;
    }
    HRESULT get_AudioFrequency(LONG* hz) override {
        if (!hz) return E_POINTER;
        LONG picture = 0;
        const HRESULT hr = get_VideoFrequency(&picture);
        if (FAILED(hr)) return hr;
        std::lock_guard lock(mutex_);
        const LONGLONG sound = static_cast<LONGLONG>(picture) + state_.AudioFrequency() - state_.VideoFrequency();
        *hz = static_cast<LONG>(std::clamp<LONGLONG>(sound, 0, std::numeric_limits<LONG>::max()));
        return S_OK;
    }

private:
    // Changes a copy of the state and, when `retune`, sends its frequency to the device; the
    // state changes only when both succeed.
    template <typename F>
    HRESULT Change(F&& change, bool retune) {
        std::lock_guard lock(mutex_);
        TunerState next = state_;
        HRESULT hr = change(next);
        if (FAILED(hr)) return hr;
        if (retune && FAILED(hr = Tune(next))) return hr;
        state_ = std::move(next);
        return S_OK;
    }

    HRESULT Tune(const TunerState& next) {
        const std::uint32_t units = HzToV4l2Units(next.VideoFrequency(), range_.lowUnits);
        if (units == 0 || units < range_.low || units > range_.high) return E_INVALIDARG;
        return device_->SetFrequency(units);
    }

    HRESULT Get(LONG* out, LONG (TunerState::*value)() const) {
        if (!out) return E_POINTER;
        std::lock_guard lock(mutex_);
        *out = (state_.*value)();
        return S_OK;
    }

    void Notify() {
        std::vector<ComPtr<IAMTunerNotification>> callbacks;
        {
            std::lock_guard lock(mutex_);
            callbacks = callbacks_;
        }
        for (const auto& c : callbacks) c->OnEvent(AMTUNER_EVENT_CHANGED);
    }

    std::unique_ptr<V4l2TunerDevice> device_;
    V4l2TunerRange range_;
    std::mutex mutex_;
    TunerState state_;
    std::vector<ComPtr<IAMTunerNotification>> callbacks_;
};

}  // namespace

LONG CountryForV4l2Standard(std::uint64_t standard) {
    if (standard & V4L2_STD_NTSC_M_JP) return 81;
    if (standard & V4L2_STD_NTSC_M) return 1;
    if (standard & (V4L2_STD_PAL_B | V4L2_STD_PAL_G)) return 49;
    return 81;
}

V4l2Tuner CreateV4l2Tuner(std::unique_ptr<V4l2TunerDevice> device, V4l2TunerRange range) {
    if (!device) return {};
    ComPtr<V4l2TunerFilter> filter = MakeComObject<V4l2TunerFilter>(std::move(device), range);
    if (!filter) return {};
    V4l2Tuner result;
    result.videoOutput = filter->videoOut;
    result.filter = ComPtr<IBaseFilter>(filter.Get());
    return result;
}

V4l2Tuner CreateV4l2Tuner(const std::string& devicePath, std::uint32_t index) {
    V4l2TunerRange range;
    {
        V4l2DeviceHandle device(devicePath);
        if (!device.Open()) return {};
        v4l2_tuner tuner{};
        tuner.index = index;
        if (device.Ioctl(VIDIOC_G_TUNER, &tuner) < 0 || tuner.type != V4L2_TUNER_ANALOG_TV) return {};
        range.lowUnits = (tuner.capability & V4L2_TUNER_CAP_LOW) != 0;
        range.low = tuner.rangelow;
        range.high = tuner.rangehigh;
        v4l2_std_id standard = 0;
        if (device.Ioctl(VIDIOC_G_STD, &standard) == 0) range.country = CountryForV4l2Standard(standard);
    }
    return CreateV4l2Tuner(std::make_unique<IoctlTunerDevice>(devicePath, index), range);
}

}  // namespace media
