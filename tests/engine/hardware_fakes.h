// Capture hardware that records what the engine asks of it, in one call log shared by all
// fakes of a test, with results a test can set.
#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/media/interfaces/audio_input_mixer.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/stream_config.h"
#include "platform/media/interfaces/tv_hardware.h"
#include "platform/media/media_types.h"

namespace engine_test {

using CallLog = std::vector<std::string>;

class FakeTuner final : public ComObject<IAMTVTuner> {
public:
    explicit FakeTuner(CallLog* log) : log_(log) {}
    LONG mode = AMTUNER_MODE_TV, country = 81, space = 0, input = 0, inputType = TunerInputAntenna;
    LONG channel = 1, videoSub = -1, audioSub = -1;
    HRESULT putChannelResult = S_OK;

    HRESULT put_Channel(LONG c, LONG v, LONG a) override {
        Log("tuner.put_Channel " + std::to_string(c));
        if (FAILED(putChannelResult)) return putChannelResult;
        channel = c, videoSub = v, audioSub = a;
        return S_OK;
    }
    HRESULT get_Channel(LONG* c, LONG* v, LONG* a) override {
        *c = channel, *v = videoSub, *a = audioSub;
        return S_OK;
    }
    HRESULT ChannelMinMax(LONG* lo, LONG* hi) override {
        *lo = 1, *hi = 62;
        return S_OK;
    }
    HRESULT put_CountryCode(LONG v) override { return Put("tuner.put_CountryCode", country, v); }
    HRESULT get_CountryCode(LONG* v) override { return Get(country, v); }
    HRESULT put_TuningSpace(LONG v) override { return Put("tuner.put_TuningSpace", space, v); }
    HRESULT get_TuningSpace(LONG* v) override { return Get(space, v); }
    HRESULT Logon(HANDLE) override { return S_OK; }
    HRESULT Logout() override { return S_OK; }
    HRESULT SignalPresent(LONG* s) override { return Get(LONG{AMTUNER_SIGNALPRESENT}, s); }
    HRESULT put_Mode(AMTunerModeType v) override { return Put("tuner.put_Mode", mode, v); }
    HRESULT get_Mode(AMTunerModeType* v) override {
        *v = static_cast<AMTunerModeType>(mode);
        return S_OK;
    }
    HRESULT GetAvailableModes(LONG* v) override { return Get(LONG{AMTUNER_MODE_TV}, v); }
    HRESULT RegisterNotificationCallBack(IAMTunerNotification*, LONG) override { return S_OK; }
    HRESULT UnRegisterNotificationCallBack(IAMTunerNotification*) override { return S_OK; }
    HRESULT get_AvailableTVFormats(LONG* v) override { return Get(LONG{0}, v); }
    HRESULT get_TVFormat(LONG* v) override { return Get(LONG{0}, v); }
    HRESULT AutoTune(LONG, LONG* found) override { return Get(LONG{1}, found); }
    HRESULT StoreAutoTune() override { return S_OK; }
    HRESULT get_NumInputConnections(LONG* v) override { return Get(LONG{1}, v); }
    HRESULT put_InputType(LONG, TunerInputType v) override { return Put("tuner.put_InputType", inputType, v); }
    HRESULT get_InputType(LONG, TunerInputType* v) override {
        *v = static_cast<TunerInputType>(inputType);
        return S_OK;
    }
    HRESULT put_ConnectInput(LONG v) override { return Put("tuner.put_ConnectInput", input, v); }
    HRESULT get_ConnectInput(LONG* v) override { return Get(input, v); }
    HRESULT get_VideoFrequency(LONG* v) override { return Get(LONG{91'250'000}, v); }
    HRESULT get_AudioFrequency(LONG* v) override { return Get(LONG{95'750'000}, v); }

private:
    void Log(const std::string& call) { log_->push_back(call); }
    HRESULT Put(const char* name, LONG& field, LONG value) {
        Log(name);
        field = value;
        return S_OK;
    }
    static HRESULT Get(LONG value, LONG* out) {
        *out = value;
        return S_OK;
    }
    CallLog* log_;
};

class FakeTvAudio final : public ComObject<IAMTVAudio> {
public:
    explicit FakeTvAudio(CallLog* log) : log_(log) {}
    LONG mode = AMTVAUDIO_MODE_STEREO | AMTVAUDIO_MODE_LANG_A;
    HRESULT putResult = S_OK;

    HRESULT GetHardwareSupportedTVAudioModes(LONG* m) override { return GetAvailableTVAudioModes(m); }
    HRESULT GetAvailableTVAudioModes(LONG* m) override {
        *m = 0x73;
        return S_OK;
    }
    HRESULT get_TVAudioMode(LONG* m) override {
        *m = mode;
        return S_OK;
    }
    HRESULT put_TVAudioMode(LONG m) override {
        log_->push_back("tvaudio.put_TVAudioMode " + std::to_string(m));
        if (putResult == S_OK) mode = m;
        return putResult;
    }
    HRESULT RegisterNotificationCallBack(IAMTunerNotification*, LONG) override { return S_OK; }
    HRESULT UnRegisterNotificationCallBack(IAMTunerNotification*) override { return S_OK; }

private:
    CallLog* log_;
};

class FakeDecoder final : public ComObject<IAMAnalogVideoDecoder> {
public:
    explicit FakeDecoder(CallLog* log) : log_(log) {}
    HRESULT get_AvailableTVFormats(LONG* v) override { return Zero(v); }
    HRESULT put_TVFormat(LONG) override { return Log("decoder.put_TVFormat"); }
    HRESULT get_TVFormat(LONG* v) override { return Zero(v); }
    HRESULT get_HorizontalLocked(LONG* v) override { return Zero(v); }
    HRESULT put_VCRHorizontalLocking(LONG) override { return Log("decoder.put_VCRHorizontalLocking"); }
    HRESULT get_VCRHorizontalLocking(LONG* v) override { return Zero(v); }
    HRESULT get_NumberOfLines(LONG* v) override { return Zero(v); }
    HRESULT put_OutputEnable(LONG) override { return Log("decoder.put_OutputEnable"); }
    HRESULT get_OutputEnable(LONG* v) override { return Zero(v); }

private:
    HRESULT Log(const char* call) {
        log_->push_back(call);
        return S_OK;
    }
    static HRESULT Zero(LONG* v) {
        *v = 0;
        return S_OK;
    }
    CallLog* log_;
};

class FakeCrossbar final : public ComObject<IAMCrossbar> {
public:
    FakeCrossbar(CallLog* log, std::string name, LONG outputs, LONG inputs)
        : log_(log), name_(std::move(name)), outputs_(outputs), inputs_(inputs), routes_(static_cast<std::size_t>(outputs), 0) {}
    // Routes the hardware refuses: output -> input.
    std::map<LONG, LONG> refused;
    const std::vector<LONG>& Routes() const { return routes_; }

    HRESULT get_PinCounts(LONG* outputs, LONG* inputs) override {
        *outputs = outputs_, *inputs = inputs_;
        return S_OK;
    }
    HRESULT CanRoute(LONG, LONG input) override { return input < inputs_ ? S_OK : S_FALSE; }
    HRESULT Route(LONG output, LONG input) override {
        log_->push_back(name_ + ".Route " + std::to_string(output) + " " + std::to_string(input));
        if (output < 0 || output >= outputs_ || input < 0 || input >= inputs_) return E_INVALIDARG;
        const auto it = refused.find(output);
        if (it != refused.end() && it->second == input) return VFW_E_CANNOT_CONNECT;
        routes_[static_cast<std::size_t>(output)] = input;
        return S_OK;
    }
    HRESULT get_IsRoutedTo(LONG output, LONG* input) override {
        if (output < 0 || output >= outputs_) return E_INVALIDARG;
        *input = routes_[static_cast<std::size_t>(output)];
        return S_OK;
    }
    HRESULT get_CrossbarPinInfo(BOOL, LONG, LONG* related, LONG* type) override {
        *related = 0, *type = 0;
        return S_OK;
    }

private:
    CallLog* log_;
    std::string name_;
    LONG outputs_, inputs_;
    std::vector<LONG> routes_;
};

class FakeProcAmp final : public ComObject<IAMVideoProcAmp> {
public:
    explicit FakeProcAmp(CallLog* log) : log_(log) {}
    HRESULT GetRange(LONG, LONG*, LONG*, LONG*, LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT Set(LONG property, LONG, LONG) override {
        log_->push_back("procamp.Set " + std::to_string(property));
        return property == 0 ? S_OK : E_PROP_ID_UNSUPPORTED;  // a card with brightness only
    }
    HRESULT Get(LONG, LONG* value, LONG* flags) override {
        *value = 0, *flags = 0;
        return S_OK;
    }

private:
    CallLog* log_;
};

class FakeBuffers final : public ComObject<IAMBufferNegotiation> {
public:
    FakeBuffers(CallLog* log, std::string name) : log_(log), name_(std::move(name)) {}
    ALLOCATOR_PROPERTIES suggested{-1, -1, -1, -1};
    HRESULT SuggestAllocatorProperties(const ALLOCATOR_PROPERTIES* p) override {
        log_->push_back(name_ + ".SuggestAllocatorProperties");
        suggested = *p;
        return S_OK;
    }
    HRESULT GetAllocatorProperties(ALLOCATOR_PROPERTIES* p) override {
        *p = suggested;
        return S_OK;
    }

private:
    CallLog* log_;
    std::string name_;
};

// A video pin's stream config offering YUY2 at 640x480 and 320x240 (VIDEOINFOHEADER).
class FakeStreamConfig final : public ComObject<IAMStreamConfig> {
public:
    FakeStreamConfig(CallLog* log, std::string name) : log_(log), name_(std::move(name)) {}
    LONG width = 640, height = 480;
    std::function<void()> onSetFormat;  // runs after a format is taken

    HRESULT SetFormat(AM_MEDIA_TYPE* type) override {
        log_->push_back(name_ + ".SetFormat");
        VIDEOINFOHEADER header{};
        if (!type || type->formattype != FORMAT_VideoInfo || type->cbFormat < sizeof header) return E_INVALIDARG;
        std::memcpy(&header, type->pbFormat, sizeof header);
        width = header.bmiHeader.biWidth;
        height = header.bmiHeader.biHeight;
        if (onSetFormat) onSetFormat();
        return S_OK;
    }
    HRESULT GetFormat(AM_MEDIA_TYPE** type) override {
        *type = Make(width, height);
        return S_OK;
    }
    HRESULT GetNumberOfCapabilities(int* count, int* size) override {
        *count = 2;
        *size = 128;
        return S_OK;
    }
    HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE*) override {
        if (index < 0 || index > 1) return S_FALSE;
        *type = index == 0 ? Make(640, 480) : Make(320, 240);
        return S_OK;
    }

    static AM_MEDIA_TYPE* Make(LONG w, LONG h) {
        VIDEOINFOHEADER header{};
        header.rcTarget = {0, 0, w, h};
        header.AvgTimePerFrame = 333667;
        header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        header.bmiHeader.biWidth = w;
        header.bmiHeader.biHeight = h;
        header.bmiHeader.biBitCount = 16;
        header.bmiHeader.biCompression = MakeFourcc('Y', 'U', 'Y', '2');
        header.bmiHeader.biSizeImage = static_cast<DWORD>(w * h * 2);
        AM_MEDIA_TYPE type{MEDIATYPE_Video, MEDIASUBTYPE_YUY2, TRUE, FALSE, header.bmiHeader.biSizeImage,
                           FORMAT_VideoInfo, nullptr, sizeof header, reinterpret_cast<BYTE*>(&header)};
        return CreateMediaType(&type);
    }

private:
    CallLog* log_;
    std::string name_;
};

// The component a logged call belongs to ("tuner", "crossbar1", ...).
inline std::string Component(const std::string& call) { return call.substr(0, call.find('.')); }

// The components in the order they were first called, each once per run of calls.
inline std::vector<std::string> ComponentOrder(const CallLog& log) {
    std::vector<std::string> order;
    for (const std::string& call : log)
        if (order.empty() || order.back() != Component(call)) order.push_back(Component(call));
    return order;
}

}  // namespace engine_test
