// Byte layouts and identities of the media framework's interface declarations, and a check
// that the declarations can be implemented and reached through QueryInterface.
#include <gtest/gtest.h>

#include <cstddef>

#include "platform/com/com_object.h"
#include "platform/media/capture_constants.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/media/interfaces/filter_registration.h"
#include "platform/media/interfaces/property_pages.h"
#include "platform/media/interfaces/stream_config.h"
#include "platform/media/interfaces/tv_hardware.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/grabber.h"
#include "platform/media/interfaces/file_writing.h"

// Structures whose bytes cross module and file boundaries keep the platform's 64-bit layout.
static_assert(sizeof(ALLOCATOR_PROPERTIES) == 16);
static_assert(sizeof(PIN_INFO) == 272);
static_assert(offsetof(PIN_INFO, dir) == 8);
static_assert(offsetof(PIN_INFO, achName) == 12);
static_assert(sizeof(FILTER_INFO) == 264);
static_assert(offsetof(FILTER_INFO, pGraph) == 256);
static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == 128);
static_assert(offsetof(VIDEO_STREAM_CONFIG_CAPS, InputSize) == 20);
static_assert(offsetof(VIDEO_STREAM_CONFIG_CAPS, MinOutputSize) == 60);
static_assert(offsetof(VIDEO_STREAM_CONFIG_CAPS, MinFrameInterval) == 104);
static_assert(offsetof(VIDEO_STREAM_CONFIG_CAPS, MaxBitsPerSecond) == 124);
static_assert(sizeof(AUDIO_STREAM_CONFIG_CAPS) == 52);
static_assert(offsetof(AUDIO_STREAM_CONFIG_CAPS, SampleFrequencyGranularity) == 48);
static_assert(sizeof(AM_STREAM_INFO) == 32);
static_assert(sizeof(Quality) == 24);
static_assert(sizeof(PROPPAGEINFO) == 48);
static_assert(offsetof(PROPPAGEINFO, size) == 16);
static_assert(sizeof(CAUUID) == 16);
static_assert(sizeof(REGFILTER2) == 24);
static_assert(offsetof(REGFILTER2, cPins2) == 8 && offsetof(REGFILTER2, rgPins2) == 16);
static_assert(sizeof(REGFILTERPINS2) == 48);
static_assert(sizeof(PIN_DIRECTION) == 4 && sizeof(FILTER_STATE) == 4 && sizeof(InterleavingMode) == 4);

// Interfaces carry nothing but their vtable pointer.
static_assert(sizeof(IPin) == sizeof(void*));
static_assert(sizeof(IBaseFilter) == sizeof(void*));
static_assert(sizeof(IVideoWindow) == sizeof(void*));

namespace {

TEST(MediaInterfaceIds, MatchThePlatformValues) {
    EXPECT_EQ(GuidToString(IID_IBaseFilter), "{56A86895-0AD4-11CE-B03A-0020AF0BA770}");
    EXPECT_EQ(GuidToString(IID_IMediaEventEx), "{56A868C0-0AD4-11CE-B03A-0020AF0BA770}");
    EXPECT_EQ(GuidToString(IID_ICaptureGraphBuilder2), "{93E5A4E0-2D50-11D2-ABFA-00A0C9C6E38D}");
    EXPECT_EQ(GuidToString(IID_ISampleGrabber), "{6B652FFF-11FE-4FCE-92AD-0266B5D7C78F}");
    EXPECT_EQ(GuidToString(CLSID_VideoInputDeviceCategory), "{860BB310-5D01-11D0-BD3B-00A0C911CE86}");
    EXPECT_EQ(GuidToString(CLSID_CaptureGraphBuilder2), "{BF87B6E1-8C27-11D0-B3F0-00AA003761C5}");
}

// A filter implementing only IBaseFilter must answer its parents through QueryInterface,
// which relies on the declared parent chain IBaseFilter -> IMediaFilter -> IPersist.
class FakeFilter : public ComObject<IBaseFilter, IAMTVTuner> {
public:
    HRESULT GetClassID(CLSID* classId) override {
        *classId = CLSID_SmartTee;
        return S_OK;
    }
    HRESULT Stop() override { return S_OK; }
    HRESULT Pause() override { return S_OK; }
    HRESULT Run(REFERENCE_TIME) override { return S_OK; }
    HRESULT GetState(DWORD, FILTER_STATE* state) override {
        *state = State_Stopped;
        return S_OK;
    }
    HRESULT SetSyncSource(IReferenceClock*) override { return S_OK; }
    HRESULT GetSyncSource(IReferenceClock** clock) override {
        *clock = nullptr;
        return S_OK;
    }
    HRESULT EnumPins(IEnumPins**) override { return E_NOTIMPL; }
    HRESULT FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
    HRESULT QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
    HRESULT JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return S_OK; }
    HRESULT QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

    HRESULT put_Channel(LONG channel, LONG, LONG) override {
        channel_ = channel;
        return S_OK;
    }
    HRESULT get_Channel(LONG* channel, LONG* video, LONG* audio) override {
        *channel = channel_;
        *video = *audio = AMTUNER_SUBCHAN_DEFAULT;
        return S_OK;
    }
    HRESULT ChannelMinMax(LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT put_CountryCode(LONG) override { return E_NOTIMPL; }
    HRESULT get_CountryCode(LONG*) override { return E_NOTIMPL; }
    HRESULT put_TuningSpace(LONG) override { return E_NOTIMPL; }
    HRESULT get_TuningSpace(LONG*) override { return E_NOTIMPL; }
    HRESULT Logon(HANDLE) override { return E_NOTIMPL; }
    HRESULT Logout() override { return E_NOTIMPL; }
    HRESULT SignalPresent(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Mode(AMTunerModeType) override { return E_NOTIMPL; }
    HRESULT get_Mode(AMTunerModeType*) override { return E_NOTIMPL; }
    HRESULT GetAvailableModes(LONG*) override { return E_NOTIMPL; }
    HRESULT RegisterNotificationCallBack(IAMTunerNotification*, LONG) override { return E_NOTIMPL; }
    HRESULT UnRegisterNotificationCallBack(IAMTunerNotification*) override { return E_NOTIMPL; }
    HRESULT get_AvailableTVFormats(LONG*) override { return E_NOTIMPL; }
    HRESULT get_TVFormat(LONG*) override { return E_NOTIMPL; }
    HRESULT AutoTune(LONG, LONG*) override { return E_NOTIMPL; }
    HRESULT StoreAutoTune() override { return E_NOTIMPL; }
    HRESULT get_NumInputConnections(LONG*) override { return E_NOTIMPL; }
    HRESULT put_InputType(LONG, TunerInputType) override { return E_NOTIMPL; }
    HRESULT get_InputType(LONG, TunerInputType*) override { return E_NOTIMPL; }
    HRESULT put_ConnectInput(LONG) override { return E_NOTIMPL; }
    HRESULT get_ConnectInput(LONG*) override { return E_NOTIMPL; }
    HRESULT get_VideoFrequency(LONG*) override { return E_NOTIMPL; }
    HRESULT get_AudioFrequency(LONG*) override { return E_NOTIMPL; }

private:
    LONG channel_ = 0;
};

TEST(MediaInterfaceParents, QueryInterfaceReachesEveryDeclaredParent) {
    ComPtr<FakeFilter> filter = MakeComObject<FakeFilter>();
    ASSERT_TRUE(filter);

    ComPtr<IPersist> persist;
    ASSERT_EQ(filter.As(&persist), S_OK);
    CLSID clsid{};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_SmartTee);

    ComPtr<IMediaFilter> mediaFilter;
    EXPECT_EQ(filter.As(&mediaFilter), S_OK);

    // A call through the parent interface lands in the same object.
    ComPtr<IAMTuner> tuner;
    ASSERT_EQ(filter.As(&tuner), S_OK);
    EXPECT_EQ(tuner->put_Channel(12, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT), S_OK);
    ComPtr<IAMTVTuner> tvTuner;
    ASSERT_EQ(filter.As(&tvTuner), S_OK);
    LONG channel = 0, video = 0, audio = 0;
    EXPECT_EQ(tvTuner->get_Channel(&channel, &video, &audio), S_OK);
    EXPECT_EQ(channel, 12);

    ComPtr<IAMStreamConfig> notImplemented;
    EXPECT_EQ(filter.As(&notImplemented), E_NOINTERFACE);
}

}  // namespace
