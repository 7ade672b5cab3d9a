// The multiplexer as a COM object: its interfaces, the file name and mode, every setting's
// default and the values it refuses, and the time-shift calls outside a recording.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "filters/talvinmux/module_objects.h"
#include "filters/talvinmux/talvin_avi_mux.h"
#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/gst_filter.h"
#include "tests/support/unknown_conformance.h"

namespace {

ComPtr<IUnknown> NewMux() {
    EXPECT_TRUE(media::EnsureGstStarted());
    HRESULT hr = E_FAIL;
    ComPtr<IUnknown> mux;
    mux = ComPtr<IUnknown>::Attach(CTalvinAviMux::CreateInstance(nullptr, &hr));
    EXPECT_EQ(S_OK, hr);
    return mux;
}

INSTANTIATE_TEST_SUITE_P(TalvinAviMux, UnknownConformance,
                         ::testing::Values(UnknownSubject{"TalvinAviMux", NewMux,
                                                          {IID_IBaseFilter, IID_IMediaFilter, IID_IPersist, IID_IGstFilter,
                                                           IID_IAMovieSetup, IID_IFileSinkFilter, IID_IFileSinkFilter2,
                                                           IID_ITalvinAVIMux, IID_ITalvinTimeShift},
                                                          [] { return TalvinMuxObjects().Count(); }}),
                         UnknownSubjectName);

class TalvinMuxTest : public ::testing::Test {
protected:
    template <typename I>
    ComPtr<I> Get() {
        ComPtr<I> out;
        EXPECT_EQ(S_OK, mux_->QueryInterface(IidOf<I>(), out.ReleaseAndGetVoidAddress()));
        return out;
    }
    ComPtr<IUnknown> mux_ = NewMux();
};

TEST_F(TalvinMuxTest, ItHasTheTwoInputsAndTheTwoTimeShiftOutputs) {
    auto filter = Get<IBaseFilter>();
    for (const char16_t* name : {u"Video", u"Audio", u"Video Out", u"Audio Out"}) {
        ComPtr<IPin> pin;
        EXPECT_EQ(S_OK, filter->FindPin(name, pin.ReleaseAndGetAddressOf())) << WideToUtf8(name);
    }
}

TEST_F(TalvinMuxTest, TheBaseNameIsKeptWithoutItsExtensionAndTheModeIsReported) {
    auto sink = Get<IFileSinkFilter2>();
    LPOLESTR name = nullptr;
    EXPECT_EQ(E_FAIL, sink->GetCurFile(&name, nullptr));
    EXPECT_EQ(E_INVALIDARG, sink->SetFileName(u"", nullptr));
    EXPECT_EQ(E_POINTER, sink->SetFileName(nullptr, nullptr));
    ASSERT_EQ(S_OK, sink->SetFileName(u"/rec/show.AVI", nullptr));
    ASSERT_EQ(S_OK, sink->GetCurFile(&name, nullptr));
    EXPECT_EQ(u"/rec/show", std::u16string(WideView(name)));
    CoTaskMemFree(name);
    DWORD mode = 7;
    ASSERT_EQ(S_OK, sink->GetMode(&mode));
    EXPECT_EQ(0u, mode);
    EXPECT_EQ(S_OK, sink->SetMode(AM_FILE_OVERWRITE));
    sink->GetMode(&mode);
    EXPECT_EQ(AM_FILE_OVERWRITE, mode);
    EXPECT_EQ(E_INVALIDARG, sink->SetMode(2));
}

TEST_F(TalvinMuxTest, EverySettingStartsAtTheProfileDefault) {
    auto mux = Get<ITalvinAVIMux>();
    DWORD a = 0, b = 0;
    double d = 0;
    REFERENCE_TIME t = 0;
    mux->GetSplitMaxFiles(&a);
    EXPECT_EQ(40u, a);
    mux->GetSplitMaxFileSize(&a);
    EXPECT_EQ(2048u, a);
    mux->GetVideoBuffers(&a, &b);
    EXPECT_EQ(20u, a);
    mux->GetSplitFrames(&a, &b);
    EXPECT_EQ(8991u, a);
    EXPECT_EQ(600u, b);
    mux->GetDropThreshold(&d);
    EXPECT_EQ(0.5, d);
    mux->GetAudioSyncThreshold(&d);
    EXPECT_EQ(1.0, d);
    mux->GetAudioSyncSensitivity(&a);
    EXPECT_EQ(50u, a);
    mux->GetTimeProperty(&a, &b);
    EXPECT_EQ(1u, a);
    EXPECT_EQ(1u, b);
    mux->GetZeroFillPadding(&a);
    EXPECT_EQ(1u, a);
    mux->GetAvgTimePerFrame(&t, &a);
    EXPECT_EQ(333667, t);
    EXPECT_EQ(0u, a);
    mux->GetSamplingFrequency(&a, &b);
    EXPECT_EQ(48000u, a);
    mux->GetFileLayout(&a);
    EXPECT_EQ(0u, a);
    EXPECT_EQ(E_POINTER, mux->GetSplitMaxFiles(nullptr));
    EXPECT_EQ(E_POINTER, mux->GetStatistics(&a, &b, nullptr, &a));
}

TEST_F(TalvinMuxTest, AbsurdValuesAreRefusedAndTheOldOnesKept) {
    auto mux = Get<ITalvinAVIMux>();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(E_INVALIDARG, mux->SetSplitMaxFiles(1001));
    EXPECT_EQ(E_INVALIDARG, mux->SetSplitMaxFileSize(0));
    EXPECT_EQ(E_INVALIDARG, mux->SetSplitMaxFileSize(4096));
    EXPECT_EQ(E_INVALIDARG, mux->SetDropThreshold(-1));
    EXPECT_EQ(E_INVALIDARG, mux->SetDropThreshold(nan));
    EXPECT_EQ(E_INVALIDARG, mux->SetMaxConcurrentWrites(0, 1));
    EXPECT_EQ(E_INVALIDARG, mux->SetAudioSyncThreshold(0));
    EXPECT_EQ(E_INVALIDARG, mux->SetAudioSyncThreshold(nan));
    EXPECT_EQ(E_INVALIDARG, mux->SetAudioSyncStartTime(-1));
    EXPECT_EQ(E_INVALIDARG, mux->SetFileLayout(2));
    EXPECT_EQ(E_INVALIDARG, mux->SetSplitMode(3));
    EXPECT_EQ(E_INVALIDARG, mux->SetDelayHandling(4, 0));
    EXPECT_EQ(E_INVALIDARG, mux->SetDelayHandling(0, 3));
    EXPECT_EQ(E_INVALIDARG, mux->SetTimeProperty(3, 0));
    EXPECT_EQ(E_INVALIDARG, mux->SetOwnMasterStream(3));
    EXPECT_EQ(E_INVALIDARG, mux->SetRateHandling(2, 0));
    EXPECT_EQ(E_INVALIDARG, mux->SetSamplingFrequency(0, 1));
    EXPECT_EQ(E_INVALIDARG, mux->SetAvgTimePerFrame(0, 1));
    EXPECT_EQ(E_INVALIDARG, mux->SetAvgTimePerFrame(-5, 1));
    DWORD a = 0, b = 0;
    double d = 0;
    mux->GetSplitMaxFiles(&a);
    EXPECT_EQ(40u, a);
    mux->GetDropThreshold(&d);
    EXPECT_EQ(0.5, d);
    mux->GetDelayHandling(&a, &b);
    EXPECT_EQ(0u, a);
    EXPECT_EQ(0u, b);
    // Without its flag, the value is only kept.
    EXPECT_EQ(S_OK, mux->SetAvgTimePerFrame(0, 0));
    EXPECT_EQ(S_OK, mux->SetSplitMaxFiles(0));
    EXPECT_EQ(S_OK, mux->SetAudioSyncSensitivity(0));
}

TEST_F(TalvinMuxTest, SettersAndGettersPairUp) {
    auto mux = Get<ITalvinAVIMux>();
    ASSERT_EQ(S_OK, mux->SetSplitFrames(2997, 200));
    ASSERT_EQ(S_OK, mux->SetTimeProperty(2, 0));
    ASSERT_EQ(S_OK, mux->SetVideoHandler(0x47504A4D));  // "MJPG"
    ASSERT_EQ(S_OK, mux->SetAudioSyncStartTime(50000000));
    DWORD a = 0, b = 0;
    mux->GetSplitFrames(&a, &b);
    EXPECT_EQ(2997u, a);
    EXPECT_EQ(200u, b);
    mux->GetTimeProperty(&a, &b);
    EXPECT_EQ(2u, a);
    EXPECT_EQ(0u, b);
    mux->GetVideoHandler(&a);
    EXPECT_EQ(0x47504A4Du, a);
    REFERENCE_TIME t = 0;
    mux->GetAudioSyncStartTime(&t);
    EXPECT_EQ(50000000, t);
}

TEST_F(TalvinMuxTest, TimeShiftCallsOutsideARecordingAreRefused) {
    auto shift = Get<ITalvinTimeShift>();
    LONG position = 0, length = 0;
    EXPECT_EQ(VFW_E_WRONG_STATE, shift->SetSpeed(100));
    EXPECT_EQ(E_INVALIDARG, shift->SetSpeed(250));
    EXPECT_EQ(VFW_E_WRONG_STATE, shift->Live());
    EXPECT_EQ(VFW_E_WRONG_STATE, shift->PausePlayback());
    EXPECT_EQ(VFW_E_WRONG_STATE, shift->Seek(5));
    EXPECT_EQ(VFW_E_WRONG_STATE, shift->GetPosition(&position, &length));
    EXPECT_EQ(E_POINTER, shift->GetPosition(nullptr, &length));
}

TEST_F(TalvinMuxTest, StatisticsStartAtZero) {
    auto mux = Get<ITalvinAVIMux>();
    DWORD v = 1, a = 1, d = 1, s = 1, inserted = 1, deleted = 1;
    double fps = 1, hz = 1;
    ASSERT_EQ(S_OK, mux->GetStatistics(&v, &a, &d, &s));
    ASSERT_EQ(S_OK, mux->GetSyncCounts(&inserted, &deleted));
    ASSERT_EQ(S_OK, mux->GetMeasuredRates(&fps, &hz));
    EXPECT_EQ(0u, v + a + d + s + inserted + deleted);
    EXPECT_EQ(0.0, fps + hz);
}

}  // namespace
