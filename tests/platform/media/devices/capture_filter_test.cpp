// The capture filters that the virtual devices bind to: pins and their categories and
// types, the card's hardware upstream, and the filters' COM behaviour.
#include <gtest/gtest.h>

#include "platform/com/task_memory.h"
#include "platform/media/capture_filters/capture_pin.h"
#include "platform/media/capture_filters/capture_filters.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/interfaces/gst_filter.h"
#include "tests/platform/media/devices/device_fixture.h"
#include "tests/support/unknown_conformance.h"
#include "platform/media/interfaces/audio_input_mixer.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/property_set.h"
#include "platform/media/interfaces/stream_config.h"
#include "platform/media/interfaces/tv_hardware.h"

namespace media::test {
namespace {

struct PinExpectation {
    const char16_t* name;
    PIN_DIRECTION direction;
    GUID category;
    GUID majorType;  // GUID_NULL: the pin carries no stream
};

struct FilterExpectation {
    const char* label;
    const char16_t* device;
    std::vector<PinExpectation> pins;
};

void PrintTo(const FilterExpectation& e, std::ostream* os) { *os << e.label; }

class CaptureFilterPins : public DeviceTest, public ::testing::WithParamInterface<FilterExpectation> {};

TEST_P(CaptureFilterPins, PinsHaveTheirNamesDirectionsCategoriesAndTypes) {
    ComPtr<IBaseFilter> filter = Bind(GetParam().device);
    ASSERT_TRUE(filter);
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(S_OK, filter->EnumPins(pins.ReleaseAndGetAddressOf()));
    std::size_t index = 0;
    IPin* raw = nullptr;
    while (pins->Next(1, &raw, nullptr) == S_OK) {
        ComPtr<IPin> pin = ComPtr<IPin>::Attach(raw);
        ASSERT_LT(index, GetParam().pins.size());
        const PinExpectation& want = GetParam().pins[index++];
        PIN_INFO info{};
        ASSERT_EQ(S_OK, pin->QueryPinInfo(&info));
        ComPtr<IBaseFilter> owner = ComPtr<IBaseFilter>::Attach(info.pFilter);
        EXPECT_EQ(filter.Get(), owner.Get());
        EXPECT_EQ(std::u16string(want.name), std::u16string(info.achName));
        EXPECT_EQ(want.direction, info.dir);
        EXPECT_EQ(want.category, PinCategory(pin.Get()));
        // The pin is found by its id as well.
        EXPECT_EQ(pin.Get(), PinNamed(filter.Get(), want.name).Get());

        ComPtr<IEnumMediaTypes> types;
        ASSERT_EQ(S_OK, pin->EnumMediaTypes(types.ReleaseAndGetAddressOf()));
        AM_MEDIA_TYPE* first = nullptr;
        if (want.majorType == GUID{}) {
            EXPECT_EQ(S_FALSE, types->Next(1, &first, nullptr));
            EXPECT_FALSE(As<IGstPin>(pin.Get()));
            continue;
        }
        ASSERT_EQ(S_OK, types->Next(1, &first, nullptr));
        EXPECT_EQ(want.majorType, first->majortype);
        EXPECT_EQ(S_OK, pin->QueryAccept(first));
        DeleteMediaType(first);
        ComPtr<IGstPin> gstPin = As<IGstPin>(pin.Get());
        ASSERT_TRUE(gstPin);
        EXPECT_NE(nullptr, gstPin->GetPad());
        EXPECT_TRUE(As<IAMStreamConfig>(pin.Get()));
        EXPECT_TRUE(As<IAMBufferNegotiation>(pin.Get()));
    }
    EXPECT_EQ(GetParam().pins.size(), index);
    ComPtr<IGstFilter> gstFilter = As<IGstFilter>(filter.Get());
    ASSERT_TRUE(gstFilter);
    EXPECT_NE(nullptr, gstFilter->GetElement());
}

const GUID kNoType{};

INSTANTIATE_TEST_SUITE_P(
    VirtualDevices, CaptureFilterPins,
    ::testing::Values(
        FilterExpectation{"TvCard",
                          kVirtualTvCardName,
                          {{u"Capture", PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE, MEDIATYPE_Video},
                           {u"Preview", PINDIR_OUTPUT, PIN_CATEGORY_PREVIEW, MEDIATYPE_Video},
                           {u"Analog Video In", PINDIR_INPUT, PIN_CATEGORY_ANALOGVIDEOIN, kNoType}}},
        FilterExpectation{"TvCardAudio",
                          kVirtualTvCardAudioName,
                          {{u"Capture", PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE, MEDIATYPE_Audio},
                           {u"Tuner Audio In", PINDIR_INPUT, kNoType, kNoType},
                           {u"Line In", PINDIR_INPUT, kNoType, kNoType}}},
        FilterExpectation{"DvCamcorder",
                          kVirtualDvCamcorderName,
                          {{u"DV A/V Out", PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE, MEDIATYPE_Interleaved}}}),
    [](const auto& param) { return std::string(param.param.label); });

class TvCardFilterTest : public DeviceTest {};

// Each input of the card's sound keeps its own mixing controls; a value out of range is
// refused and leaves the control as it was.
TEST_F(TvCardFilterTest, AudioInputsKeepTheirMixingControlsWithinRange) {
    ComPtr<IBaseFilter> filter = Bind(kVirtualTvCardAudioName);
    ASSERT_TRUE(filter);
    ComPtr<IAMAudioInputMixer> tuner = As<IAMAudioInputMixer>(PinNamed(filter.Get(), u"Tuner Audio In").Get());
    ComPtr<IAMAudioInputMixer> line = As<IAMAudioInputMixer>(PinNamed(filter.Get(), u"Line In").Get());
    ASSERT_TRUE(tuner);
    ASSERT_TRUE(line);
    EXPECT_FALSE(As<IAMAudioInputMixer>(PinNamed(filter.Get(), u"Capture").Get()));

    EXPECT_EQ(S_OK, tuner->put_MixLevel(0.25));
    EXPECT_EQ(S_OK, tuner->put_Pan(-1.0));
    EXPECT_EQ(S_OK, tuner->put_Bass(12.0));
    EXPECT_EQ(S_OK, tuner->put_Mono(TRUE));
    EXPECT_EQ(E_INVALIDARG, tuner->put_MixLevel(1.5));
    EXPECT_EQ(E_INVALIDARG, tuner->put_Pan(1.01));
    EXPECT_EQ(E_INVALIDARG, tuner->put_Treble(-12.5));
    EXPECT_EQ(E_INVALIDARG, tuner->put_Enable(2));
    double level = 0, pan = 0, bass = 0, treble = 1, range = 0;
    BOOL mono = FALSE, enable = FALSE;
    EXPECT_EQ(S_OK, tuner->get_MixLevel(&level));
    EXPECT_EQ(S_OK, tuner->get_Pan(&pan));
    EXPECT_EQ(S_OK, tuner->get_Bass(&bass));
    EXPECT_EQ(S_OK, tuner->get_Treble(&treble));
    EXPECT_EQ(S_OK, tuner->get_Mono(&mono));
    EXPECT_EQ(S_OK, tuner->get_Enable(&enable));
    EXPECT_EQ(S_OK, tuner->get_BassRange(&range));
    EXPECT_EQ(0.25, level);
    EXPECT_EQ(-1.0, pan);
    EXPECT_EQ(12.0, bass);
    EXPECT_EQ(0.0, treble);
    EXPECT_EQ(TRUE, mono);
    EXPECT_EQ(TRUE, enable);
    EXPECT_EQ(12.0, range);
    EXPECT_EQ(S_OK, line->get_MixLevel(&level));
    EXPECT_EQ(1.0, level);
    EXPECT_EQ(E_POINTER, line->get_Pan(nullptr));
}

TEST_F(TvCardFilterTest, TheCardsHardwareIsFoundUpstreamAsTheCaptureSessionSearchesIt) {
    ComPtr<IBaseFilter> capture = Bind(kVirtualTvCardName);
    ASSERT_TRUE(capture);
    // The filter itself is no crossbar, tuner or TV audio.
    EXPECT_FALSE(As<IAMCrossbar>(capture.Get()));
    EXPECT_FALSE(As<IAMTVTuner>(capture.Get()));
    EXPECT_FALSE(As<IAMTVAudio>(capture.Get()));
    EXPECT_FALSE(As<IAMVfwCaptureDialogs>(capture.Get()));
    EXPECT_TRUE(As<IAMVideoProcAmp>(capture.Get()));
    EXPECT_TRUE(As<IAMAnalogVideoDecoder>(capture.Get()));

    const auto upstream = UpstreamFilters(capture.Get());
    ComPtr<IAMCrossbar> crossbar1, crossbar2;
    ComPtr<IAMTVTuner> tuner;
    ComPtr<IAMTVAudio> tvAudio;
    for (const auto& f : upstream) {
        if (!crossbar1) crossbar1 = As<IAMCrossbar>(f.Get());
        if (!tuner) tuner = As<IAMTVTuner>(f.Get());
        if (!tvAudio) tvAudio = As<IAMTVAudio>(f.Get());
        EXPECT_FALSE(As<IGstFilter>(f.Get())) << "hardware filters carry no stream";
    }
    ASSERT_TRUE(crossbar1);
    EXPECT_TRUE(tuner);
    EXPECT_TRUE(tvAudio);
    // The first crossbar is the capture filter's direct neighbour; the second is upstream of it.
    ComPtr<IBaseFilter> crossbar1Filter = As<IBaseFilter>(crossbar1.Get());
    EXPECT_EQ(crossbar1Filter.Get(), upstream.front().Get());
    for (const auto& f : UpstreamFilters(crossbar1Filter.Get()))
        if (!crossbar2) crossbar2 = As<IAMCrossbar>(f.Get());
    ASSERT_TRUE(crossbar2);
    LONG outputs = 0, inputs = 0;
    ASSERT_EQ(S_OK, crossbar1->get_PinCounts(&outputs, &inputs));
    EXPECT_EQ(2, outputs);
    EXPECT_EQ(5, inputs);
    ASSERT_EQ(S_OK, crossbar2->get_PinCounts(&outputs, &inputs));
    EXPECT_EQ(1, outputs);
    EXPECT_EQ(3, inputs);
}

TEST_F(TvCardFilterTest, HardwareFiltersOutliveTheCaptureFilterSafely) {
    ComPtr<IBaseFilter> capture = Bind(kVirtualTvCardName);
    ASSERT_TRUE(capture);
    const auto upstream = UpstreamFilters(capture.Get());
    ASSERT_FALSE(upstream.empty());
    ComPtr<IBaseFilter> crossbar1 = upstream.front();
    ComPtr<IPin> output = PinNamed(crossbar1.Get(), u"Video Decoder Out");
    ASSERT_TRUE(output);
    ComPtr<IPin> peer;
    EXPECT_EQ(S_OK, output->ConnectedTo(peer.ReleaseAndGetAddressOf()));
    peer = nullptr;
    capture = nullptr;
    // The capture filter is gone; its crossbar no longer points at it.
    EXPECT_EQ(VFW_E_NOT_CONNECTED, output->ConnectedTo(peer.ReleaseAndGetAddressOf()));
    LONG routed = -2;
    EXPECT_EQ(S_OK, As<IAMCrossbar>(crossbar1.Get())->get_IsRoutedTo(0, &routed));
    EXPECT_EQ(0, routed);
}

TEST_F(TvCardFilterTest, FilterInfoAndIdsFollowTheGraphAndThePins) {
    ComPtr<IBaseFilter> capture = Bind(kVirtualTvCardName);
    ASSERT_TRUE(capture);
    FILTER_INFO info{};
    ASSERT_EQ(S_OK, capture->QueryFilterInfo(&info));
    EXPECT_EQ(std::u16string(u"Quilldeck Virtual TV Card"), std::u16string(info.achName));
    EXPECT_EQ(nullptr, info.pGraph);
    ComPtr<IPin> none;
    EXPECT_EQ(VFW_E_NOT_FOUND, capture->FindPin(u"Nothing", none.ReleaseAndGetAddressOf()));
    ComPtr<IPin> pin = PinNamed(capture.Get(), u"Capture");
    LPWSTR id = nullptr;
    ASSERT_EQ(S_OK, pin->QueryId(&id));
    EXPECT_EQ(std::u16string(u"Capture"), std::u16string(id));
    CoTaskMemFree(id);
    // Unconnected: no peer, no type; Connect outside a graph is refused.
    ComPtr<IPin> peer;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, pin->ConnectedTo(peer.ReleaseAndGetAddressOf()));
    AM_MEDIA_TYPE type{};
    EXPECT_EQ(VFW_E_NOT_CONNECTED, pin->ConnectionMediaType(&type));
    ComPtr<IPin> preview = PinNamed(capture.Get(), u"Preview");
    EXPECT_EQ(VFW_E_NOT_IN_GRAPH, pin->Connect(preview.Get(), nullptr));
    EXPECT_EQ(S_FALSE, pin->Disconnect());
}

TEST_F(TvCardFilterTest, TheCategoryPropertyIsReadOnlyAndOnlyInThePinSet) {
    ComPtr<IBaseFilter> capture = Bind(kVirtualTvCardName);
    ComPtr<IKsPropertySet> properties = As<IKsPropertySet>(PinNamed(capture.Get(), u"Analog Video In").Get());
    ASSERT_TRUE(properties);
    GUID category{};
    DWORD returned = 0;
    ASSERT_EQ(S_OK, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 16, &returned));
    EXPECT_EQ(16u, returned);
    EXPECT_EQ(PIN_CATEGORY_ANALOGVIDEOIN, category);
    EXPECT_NE(S_OK, properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 8, &returned));
    EXPECT_NE(S_OK, properties->Get(MEDIATYPE_Video, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 16, &returned));
    EXPECT_NE(S_OK, properties->Set(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 16));
    DWORD support = 0;
    EXPECT_EQ(S_OK, properties->QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &support));
    EXPECT_EQ(KSPROPERTY_SUPPORT_GET, support);
}

TEST_F(TvCardFilterTest, DroppedFrameCountsAreOnTheCapturePinOnly) {
    ComPtr<IBaseFilter> capture = Bind(kVirtualTvCardName);
    ComPtr<IAMDroppedFrames> dropped = As<IAMDroppedFrames>(PinNamed(capture.Get(), u"Capture").Get());
    ASSERT_TRUE(dropped);
    EXPECT_FALSE(As<IAMDroppedFrames>(PinNamed(capture.Get(), u"Preview").Get()));
    LONG count = -1;
    EXPECT_EQ(S_OK, dropped->GetNumDropped(&count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(S_OK, dropped->GetNumNotDropped(&count));
    EXPECT_EQ(0, count);
    LONG numbers[4];
    LONG copied = -1;
    EXPECT_EQ(S_OK, dropped->GetDroppedInfo(4, numbers, &copied));
    EXPECT_EQ(0, copied);
    EXPECT_EQ(E_INVALIDARG, dropped->GetDroppedInfo(0, numbers, &copied));
    EXPECT_EQ(E_POINTER, dropped->GetNumDropped(nullptr));
}

// ---- IUnknown conformance of the filters, their pins and the card's hardware ----

long LiveFilters() { return CaptureFilterCounter().Count(); }

ComPtr<IUnknown> Created(HRESULT (*create)(REFIID, void**)) {
    ComPtr<IUnknown> object;
    create(IID_IUnknown, object.ReleaseAndGetVoidAddress());
    return object;
}

// A filter's pin alone: it keeps the filter alive.
ComPtr<IUnknown> PinOf(HRESULT (*create)(REFIID, void**), const char16_t* name) {
    ComPtr<IBaseFilter> filter;
    create(IID_IBaseFilter, filter.ReleaseAndGetVoidAddress());
    ComPtr<IPin> pin;
    filter->FindPin(name, pin.ReleaseAndGetAddressOf());
    return ComPtr<IUnknown>(pin.Get());
}

// The filter n steps upstream of the TV card's capture filter (the capture filter released).
ComPtr<IUnknown> Upstream(std::size_t n) {
    ComPtr<IBaseFilter> capture;
    CreateVirtualVideoCaptureFilter(IID_IBaseFilter, capture.ReleaseAndGetVoidAddress());
    const auto upstream = UpstreamFilters(capture.Get());
    return n < upstream.size() ? ComPtr<IUnknown>(upstream[n].Get()) : nullptr;
}

// UpstreamFilters order from the capture filter: Crossbar1, Tuner, Crossbar2, TV audio, Tuner.
INSTANTIATE_TEST_SUITE_P(
    CaptureFilters, UnknownConformance,
    ::testing::Values(
        UnknownSubject{"TvCardCapture",
                       [] { return Created(CreateVirtualVideoCaptureFilter); },
                       {IID_IBaseFilter, IID_IMediaFilter, IID_IPersist, IID_IGstFilter, IID_IAMVideoProcAmp,
                        IID_IAMAnalogVideoDecoder},
                       LiveFilters},
        UnknownSubject{"TvCardAudioCapture",
                       [] { return Created(CreateVirtualAudioCaptureFilter); },
                       {IID_IBaseFilter, IID_IMediaFilter, IID_IPersist, IID_IGstFilter},
                       LiveFilters},
        UnknownSubject{"DvCamcorderCapture",
                       [] { return Created(CreateVirtualDvCaptureFilter); },
                       {IID_IBaseFilter, IID_IMediaFilter, IID_IPersist, IID_IGstFilter},
                       LiveFilters},
        UnknownSubject{"TvCardCapturePin",
                       [] { return PinOf(CreateVirtualVideoCaptureFilter, u"Capture"); },
                       {IID_IPin, IID_IGstPin, IID_IKsPropertySet, IID_IAMStreamConfig, IID_IAMBufferNegotiation,
                        IID_IAMDroppedFrames},
                       LiveFilters},
        UnknownSubject{"TvCardAnalogInPin",
                       [] { return PinOf(CreateVirtualVideoCaptureFilter, u"Analog Video In"); },
                       {IID_IPin, IID_IKsPropertySet},
                       LiveFilters},
        UnknownSubject{"AudioCapturePin",
                       [] { return PinOf(CreateVirtualAudioCaptureFilter, u"Capture"); },
                       {IID_IPin, IID_IGstPin, IID_IKsPropertySet, IID_IAMStreamConfig, IID_IAMBufferNegotiation},
                       LiveFilters},
        UnknownSubject{"AudioTunerInputPin",
                       [] { return PinOf(CreateVirtualAudioCaptureFilter, u"Tuner Audio In"); },
                       {IID_IPin, IID_IAMAudioInputMixer},
                       LiveFilters},
        UnknownSubject{"VideoCrossbar",
                       [] { return Upstream(0); },
                       {IID_IBaseFilter, IID_IMediaFilter, IID_IPersist, IID_IAMCrossbar},
                       LiveFilters},
        UnknownSubject{"Tuner",
                       [] { return Upstream(1); },
                       {IID_IBaseFilter, IID_IMediaFilter, IID_IAMTVTuner, IID_IAMTuner},
                       LiveFilters},
        UnknownSubject{"AudioCrossbar", [] { return Upstream(2); }, {IID_IBaseFilter, IID_IAMCrossbar}, LiveFilters},
        UnknownSubject{"TvAudio", [] { return Upstream(3); }, {IID_IBaseFilter, IID_IAMTVAudio}, LiveFilters}),
    UnknownSubjectName);

}  // namespace
}  // namespace media::test
