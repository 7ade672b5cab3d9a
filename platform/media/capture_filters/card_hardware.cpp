#include "platform/media/capture_filters/card_hardware.h"
#include "platform/media/capture_constants.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/tv_hardware.h"

#include <vector>

namespace media {
namespace {

// A filter of the card: it keeps the card and the filters upstream of it alive, and cuts
// its medium links when it goes.
template <typename... Interfaces>
class HardwareFilter : public ComExtend<GstFilterBase, Interfaces...> {
protected:
    using Base = ComExtend<GstFilterBase, Interfaces...>;

    HardwareFilter(const CLSID& classId, std::u16string name, std::shared_ptr<VirtualCard> card)
        : Base(classId, std::move(name), nullptr, &CaptureFilterCounter()), card_(std::move(card)) {}

    ~HardwareFilter() override {
        for (int i = 0; i < this->GetPinCount(); ++i) static_cast<CapturePin*>(this->GetPin(i))->UnlinkMedium();
    }

    CapturePin* Medium(const char16_t* name, PIN_DIRECTION direction) {
        PinSetup setup;
        setup.name = name;
        setup.direction = direction;
        return this->AddPin(std::make_unique<CapturePin>(this, std::move(setup)));
    }

    // The upstream filter stays alive as long as this one.
    void ConnectFrom(IBaseFilter* upstream, CapturePin* upstreamOutput, CapturePin* input) {
        upstream_.emplace_back(upstream);
        CapturePin::LinkMedium(upstreamOutput, input);
    }

    // Changes state under the card's lock, then shows it.
    template <typename F>
    HRESULT Change(F&& change) {
        HRESULT hr;
        {
            std::lock_guard lock(card_->Mutex());
            hr = change();
        }
        if (SUCCEEDED(hr)) card_->Refresh();
        return hr;
    }
    template <typename F>
    HRESULT Read(F&& read) {
        std::lock_guard lock(card_->Mutex());
        return read();
    }

    std::shared_ptr<VirtualCard> card_;

private:
    std::vector<ComPtr<IBaseFilter>> upstream_;
};

class TunerFilter final : public HardwareFilter<IAMTVTuner> {
public:
    explicit TunerFilter(std::shared_ptr<VirtualCard> card)
        : HardwareFilter(CLSID_QuilldeckVirtualTuner, u"Quilldeck Virtual TV Tuner", std::move(card)) {
        videoOut = Medium(u"Analog Video", PINDIR_OUTPUT);
        audioOut = Medium(u"Analog Audio", PINDIR_OUTPUT);
    }

    CapturePin* videoOut;
    CapturePin* audioOut;

    HRESULT put_Channel(LONG channel, LONG videoSub, LONG audioSub) override {
        const HRESULT hr = Change([&] { return card_->tuner.PutChannel(channel, videoSub, audioSub); });
        if (SUCCEEDED(hr)) Notify();
        return hr;
    }
    HRESULT get_Channel(LONG* channel, LONG* videoSub, LONG* audioSub) override {
        if (!channel || !videoSub || !audioSub) return E_POINTER;
        return Read([&] {
            *channel = card_->tuner.Channel();
            *videoSub = card_->tuner.VideoSubChannel();
            *audioSub = card_->tuner.AudioSubChannel();
            return S_OK;
        });
    }
    HRESULT ChannelMinMax(LONG* channelMin, LONG* channelMax) override {
        if (!channelMin || !channelMax) return E_POINTER;
        return Read([&] {
            const ChannelRange r = card_->tuner.ChannelMinMax();
            *channelMin = r.min;
            *channelMax = r.max;
            return S_OK;
        });
    }
    HRESULT put_CountryCode(LONG country) override {
        return Change([&] { return card_->tuner.PutCountryCode(country); });
    }
    HRESULT get_CountryCode(LONG* country) override { return Get(country, [&] { return card_->tuner.CountryCode(); }); }
    HRESULT put_TuningSpace(LONG space) override {
        return Change([&] {
            card_->tuner.PutTuningSpace(space);
            return S_OK;
        });
    }
    HRESULT get_TuningSpace(LONG* space) override { return Get(space, [&] { return card_->tuner.TuningSpace(); }); }
    HRESULT Logon(HANDLE) override { return S_OK; }
    HRESULT Logout() override { return S_OK; }
    HRESULT SignalPresent(LONG* strength) override {
        return Get(strength, [&] {
            return card_->tuner.AutoTune(card_->tuner.Channel()) ? AMTUNER_SIGNALPRESENT : AMTUNER_NOSIGNAL;
        });
    }
    HRESULT put_Mode(AMTunerModeType mode) override { return Change([&] { return card_->tuner.PutMode(mode); }); }
    HRESULT get_Mode(AMTunerModeType* mode) override {
        if (!mode) return E_POINTER;
        return Read([&] {
            *mode = static_cast<AMTunerModeType>(card_->tuner.Mode());
            return S_OK;
        });
    }
    HRESULT GetAvailableModes(LONG* modes) override {
        if (!modes) return E_POINTER;
        *modes = TunerState::kAvailableModes;
        return S_OK;
    }
    HRESULT RegisterNotificationCallBack(IAMTunerNotification* notify, LONG events) override {
        if (!notify) return E_POINTER;
        if (events != AMTUNER_EVENT_CHANGED) return E_INVALIDARG;
        callbacks_.emplace_back(notify);
        return S_OK;
    }
    HRESULT UnRegisterNotificationCallBack(IAMTunerNotification* notify) override {
        for (auto it = callbacks_.begin(); it != callbacks_.end(); ++it) {
            if (it->Get() == notify) {
                callbacks_.erase(it);
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }

    // IAMTVTuner
    HRESULT get_AvailableTVFormats(LONG* standards) override {
        return Get(standards, [&] { return card_->tuner.TVFormat(); });
    }
    HRESULT get_TVFormat(LONG* standard) override { return Get(standard, [&] { return card_->tuner.TVFormat(); }); }
    HRESULT AutoTune(LONG channel, LONG* foundSignal) override {
        if (!foundSignal) return E_POINTER;
        const HRESULT hr = put_Channel(channel, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT);
        if (FAILED(hr)) return hr;
        return Get(foundSignal, [&] { return card_->tuner.AutoTune(channel) ? LONG{1} : LONG{0}; });
    }
    HRESULT StoreAutoTune() override { return S_OK; }
    HRESULT get_NumInputConnections(LONG* count) override {
        if (!count) return E_POINTER;
        *count = TunerState::kInputCount;
        return S_OK;
    }
    HRESULT put_InputType(LONG index, TunerInputType type) override {
        return Change([&] { return card_->tuner.PutInputType(index, type); });
    }
    HRESULT get_InputType(LONG index, TunerInputType* type) override {
        if (!type) return E_POINTER;
        return Read([&] {
            LONG value = 0;
            const HRESULT hr = card_->tuner.GetInputType(index, &value);
            if (SUCCEEDED(hr)) *type = static_cast<TunerInputType>(value);
            return hr;
        });
    }
    HRESULT put_ConnectInput(LONG index) override {
        return Change([&] { return card_->tuner.PutConnectInput(index); });
    }
    HRESULT get_ConnectInput(LONG* index) override { return Get(index, [&] { return card_->tuner.ConnectInput(); }); }
    HRESULT get_VideoFrequency(LONG* hz) override { return Get(hz, [&] { return card_->tuner.VideoFrequency(); }); }
    HRESULT get_AudioFrequency(LONG* hz) override { return Get(hz, [&] { return card_->tuner.AudioFrequency(); }); }

private:
    template <typename F>
    HRESULT Get(LONG* out, F&& value) {
        if (!out) return E_POINTER;
        return Read([&] {
            *out = value();
            return S_OK;
        });
    }

    void Notify() {
        const std::vector<ComPtr<IAMTunerNotification>> callbacks = callbacks_;
        for (const auto& c : callbacks) c->OnEvent(AMTUNER_EVENT_CHANGED);
    }

    std::vector<ComPtr<IAMTunerNotification>> callbacks_;
};

class TvAudioFilter final : public HardwareFilter<IAMTVAudio> {
public:
    TvAudioFilter(std::shared_ptr<VirtualCard> card, TunerFilter* tuner)
        : HardwareFilter(CLSID_QuilldeckVirtualTvAudio, u"Quilldeck Virtual TV Audio", std::move(card)) {
        CapturePin* input = Medium(u"TVAudio In", PINDIR_INPUT);
        output = Medium(u"TVAudio Out", PINDIR_OUTPUT);
        ConnectFrom(tuner, tuner->audioOut, input);
    }

    CapturePin* output;

    HRESULT GetHardwareSupportedTVAudioModes(LONG* modes) override { return Modes(modes); }
    HRESULT GetAvailableTVAudioModes(LONG* modes) override { return Modes(modes); }
    HRESULT get_TVAudioMode(LONG* mode) override {
        if (!mode) return E_POINTER;
        return Read([&] {
            *mode = card_->tvAudio.Mode();
            return S_OK;
        });
    }
    HRESULT put_TVAudioMode(LONG mode) override { return Change([&] { return card_->tvAudio.PutMode(mode); }); }
    HRESULT RegisterNotificationCallBack(IAMTunerNotification* notify, LONG events) override {
        if (!notify) return E_POINTER;
        return events == AMTUNER_EVENT_CHANGED ? S_OK : E_INVALIDARG;
    }
    HRESULT UnRegisterNotificationCallBack(IAMTunerNotification* notify) override {
        return notify ? S_OK : E_POINTER;
    }

private:
    static HRESULT Modes(LONG* modes) {
        if (!modes) return E_POINTER;
        *modes = TvAudioState::kAvailableModes;
        return S_OK;
    }
};

class CrossbarFilter final : public HardwareFilter<IAMCrossbar> {
public:
    CrossbarFilter(std::shared_ptr<VirtualCard> card, CrossbarState VirtualCard::*state, const char16_t* name)
        : HardwareFilter(CLSID_QuilldeckVirtualCrossbar, name, std::move(card)), state_(state) {
        CrossbarState& xbar = card_.get()->*state_;
        for (LONG i = 0; i < xbar.InputCount(); ++i) inputs.push_back(Medium(PinName(xbar, true, i).c_str(), PINDIR_INPUT));
        for (LONG i = 0; i < xbar.OutputCount(); ++i)
            outputs.push_back(Medium(PinName(xbar, false, i).c_str(), PINDIR_OUTPUT));
    }

    void ConnectInput(IBaseFilter* upstream, CapturePin* upstreamOutput, std::size_t input) {
        ConnectFrom(upstream, upstreamOutput, inputs.at(input));
    }

    std::vector<CapturePin*> inputs;
    std::vector<CapturePin*> outputs;

    HRESULT get_PinCounts(LONG* outputCount, LONG* inputCount) override {
        if (!outputCount || !inputCount) return E_POINTER;
        return Read([&] {
            *outputCount = State().OutputCount();
            *inputCount = State().InputCount();
            return S_OK;
        });
    }
    HRESULT CanRoute(LONG output, LONG input) override { return Read([&] { return State().CanRoute(output, input); }); }
    HRESULT Route(LONG output, LONG input) override { return Change([&] { return State().Route(output, input); }); }
    HRESULT get_IsRoutedTo(LONG output, LONG* input) override {
        return Read([&] { return State().GetIsRoutedTo(output, input); });
    }
    HRESULT get_CrossbarPinInfo(BOOL isInput, LONG index, LONG* related, LONG* type) override {
        return Read([&] { return State().GetPinInfo(isInput != FALSE, index, related, type); });
    }

private:
    CrossbarState& State() { return card_.get()->*state_; }

    // "Video Tuner In", "Audio Line In", "Video Decoder Out", ...
    static std::u16string PinName(const CrossbarState& xbar, bool input, LONG index) {
        LONG related = 0, type = 0;
        xbar.GetPinInfo(input, index, &related, &type);
        const bool audio = IsAudioConnector(type);
        std::string name = ConnectorName(type);
        if (type == PhysConn_Audio_Tuner) name = "Tuner";
        if (name.rfind(audio ? "Audio" : "Video", 0) != 0) name = std::string(audio ? "Audio " : "Video ") + name;
        name += input ? " In" : " Out";
        return std::u16string(name.begin(), name.end());
    }

    CrossbarState VirtualCard::*state_;
};

}  // namespace

CardHardware BuildCardHardware(const std::shared_ptr<VirtualCard>& card) {
    ComPtr<TunerFilter> tuner = MakeComObject<TunerFilter>(card);
    if (!tuner) return {};
    ComPtr<TvAudioFilter> tvAudio = MakeComObject<TvAudioFilter>(card, tuner.Get());
    ComPtr<CrossbarFilter> crossbar2 =
        MakeComObject<CrossbarFilter>(card, &VirtualCard::audioCrossbar, u"Quilldeck Virtual Audio Crossbar");
    ComPtr<CrossbarFilter> crossbar1 =
        MakeComObject<CrossbarFilter>(card, &VirtualCard::videoCrossbar, u"Quilldeck Virtual Video Crossbar");
    if (!tvAudio || !crossbar1 || !crossbar2) return {};
    constexpr std::size_t kAudioTunerIn = 0;       // of the audio crossbar
    constexpr std::size_t kVideoTunerIn = 0;       // of the video crossbar
    constexpr std::size_t kVideoAudioTunerIn = 3;  // of the video crossbar
    crossbar2->ConnectInput(tvAudio.Get(), tvAudio->output, kAudioTunerIn);
    crossbar1->ConnectInput(tuner.Get(), tuner->videoOut, kVideoTunerIn);
    crossbar1->ConnectInput(crossbar2.Get(), crossbar2->outputs.at(0), kVideoAudioTunerIn);
    CardHardware hardware;
    hardware.videoOutput = crossbar1->outputs.at(0);
    hardware.crossbar1 = ComPtr<IBaseFilter>(crossbar1.Get());
    return hardware;
}

}  // namespace media
