// The V4L2 tuner filter over a recorded device: channel plans and the auto-tune table turned
// into V4L2 frequency units, refusals that leave the device alone, and what it reports back.
// The machine's own tuner is used only by the opt-in real-device test.
#include "platform/media/capture_filters/v4l2_tuner.h"

#include <gtest/gtest.h>

#include <linux/videodev2.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/media/capture_constants.h"
#include "platform/media/interfaces/tv_hardware.h"
#include "platform/media/tuning/auto_tune_table.h"
#include "platform/media/tuning/v4l2_frequency.h"
#include "platform/registry/registry.h"
#include "tests/platform/media/devices/device_fixture.h"
#include "tests/support/real_devices.h"
#include "tests/support/unknown_conformance.h"

namespace media::test {
namespace {

// Keeps what the filter sends; tuning fails while `refuse` is set.
struct RecordedDevice {
    std::vector<std::uint32_t> sent;
    std::uint32_t tuned = 0;
    LONG signal = 0;
    bool refuse = false;
};

class RecordingTunerDevice final : public V4l2TunerDevice {
public:
    explicit RecordingTunerDevice(std::shared_ptr<RecordedDevice> record) : record_(std::move(record)) {}
    HRESULT SetFrequency(std::uint32_t units) override {
        if (record_->refuse) return HResultFromErrno(EINVAL);
        record_->sent.push_back(units);
        record_->tuned = units;
        return S_OK;
    }
    HRESULT GetFrequency(std::uint32_t* units) override {
        *units = record_->tuned;
        return S_OK;
    }
    HRESULT SignalStrength(LONG* strength) override {
        *strength = record_->signal;
        return S_OK;
    }

private:
    std::shared_ptr<RecordedDevice> record_;
};

// A tuner with the usual analogue TV range, 44-958 MHz.
class V4l2TunerTest : public DeviceTest {
protected:
    ComPtr<IAMTVTuner> MakeTuner(bool lowUnits, LONG country = 81) {
        V4l2TunerRange range;
        range.lowUnits = lowUnits;
        range.low = HzToV4l2Units(44'000'000, lowUnits);
        range.high = HzToV4l2Units(958'000'000, lowUnits);
        range.country = country;
        V4l2Tuner tuner = CreateV4l2Tuner(std::make_unique<RecordingTunerDevice>(device_), range);
        EXPECT_TRUE(tuner.filter && tuner.videoOutput);
        return As<IAMTVTuner>(tuner.filter.Get());
    }
    LONG Video(IAMTVTuner* tuner) {
        LONG hz = 0;
        EXPECT_EQ(S_OK, tuner->get_VideoFrequency(&hz));
        return hz;
    }
    LONG Channel(IAMTVTuner* tuner) {
        LONG channel = 0, v = 0, a = 0;
        EXPECT_EQ(S_OK, tuner->get_Channel(&channel, &v, &a));
        return channel;
    }

    std::shared_ptr<RecordedDevice> device_ = std::make_shared<RecordedDevice>();
};

TEST(V4l2Frequency, HzBecomeUnitsOf62Point5KHzOrOf62Point5Hz) {
    EXPECT_EQ(1460u, HzToV4l2Units(91'250'000, false));
    EXPECT_EQ(1'460'000u, HzToV4l2Units(91'250'000, true));
    EXPECT_EQ(91'250'000, V4l2UnitsToHz(1460, false));
    EXPECT_EQ(1461u, HzToV4l2Units(91'300'000, false)) << "1460.8 units";
    EXPECT_EQ(91'312'500, V4l2UnitsToHz(1461, false));
    EXPECT_EQ(91'250'000, V4l2UnitsToHz(1'460'000, true));
    EXPECT_EQ(2u, HzToV4l2Units(100'000, false)) << "to the nearest unit";
    EXPECT_EQ(1u, HzToV4l2Units(90, true));
    EXPECT_EQ(0u, HzToV4l2Units(0, false));
    EXPECT_EQ(0u, HzToV4l2Units(-5, true));
    EXPECT_EQ(34'360u, HzToV4l2Units(2'147'483'647, false));
    EXPECT_EQ(2'147'483'647, V4l2UnitsToHz(0xFFFF'FFFFu, false)) << "saturates";
}

TEST_F(V4l2TunerTest, PutChannelSendsThePlansPictureCarrier) {
    ComPtr<IAMTVTuner> tuner = MakeTuner(true);
    ASSERT_EQ(S_OK, tuner->put_Channel(12, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    ASSERT_EQ(1u, device_->sent.size());
    EXPECT_EQ(HzToV4l2Units(217'250'000, true), device_->sent.back());
    EXPECT_EQ(217'250'000, Video(tuner.Get()));
    LONG audio = 0;
    ASSERT_EQ(S_OK, tuner->get_AudioFrequency(&audio));
    EXPECT_EQ(221'750'000, audio);
    LONG standard = 0;
    ASSERT_EQ(S_OK, tuner->get_TVFormat(&standard));
    EXPECT_EQ(AnalogVideo_NTSC_M_J, standard);
}

TEST_F(V4l2TunerTest, EuropeanCableInSixtyTwoPointFiveKHzUnits) {
    ComPtr<IAMTVTuner> tuner = MakeTuner(false, 49);
    ASSERT_EQ(S_OK, tuner->put_InputType(0, TunerInputCable));
    ASSERT_EQ(S_OK, tuner->put_Channel(111, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));  // S11
    EXPECT_EQ(3700u, device_->sent.back()) << "231.25 MHz";
    LONG audio = 0;
    ASSERT_EQ(S_OK, tuner->get_AudioFrequency(&audio));
    EXPECT_EQ(236'750'000, audio);
}

TEST_F(V4l2TunerTest, RefusedChannelsLeaveTheDeviceAndTheStateAlone) {
    ComPtr<IAMTVTuner> tuner = MakeTuner(true);
    ASSERT_EQ(S_OK, tuner->put_Channel(4, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    const std::size_t sent = device_->sent.size();
    EXPECT_EQ(E_INVALIDARG, tuner->put_Channel(63, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    EXPECT_EQ(E_INVALIDARG, tuner->put_Channel(0, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    EXPECT_EQ(sent, device_->sent.size());
    EXPECT_EQ(4, Channel(tuner.Get()));
    // The device refuses: its error comes back and the tuner stays on its channel.
    device_->refuse = true;
    EXPECT_EQ(HResultFromErrno(EINVAL), tuner->put_Channel(5, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    EXPECT_EQ(4, Channel(tuner.Get()));
    EXPECT_EQ(171'250'000, Video(tuner.Get()));
    EXPECT_EQ(HResultFromErrno(EINVAL), tuner->put_CountryCode(1));
    LONG country = 0;
    ASSERT_EQ(S_OK, tuner->get_CountryCode(&country));
    EXPECT_EQ(81, country);
}

TEST_F(V4l2TunerTest, AFrequencyOutsideTheTunersRangeIsRefused) {
    ComPtr<IAMTVTuner> tuner = MakeTuner(true);
    ASSERT_EQ(S_OK, tuner->put_TuningSpace(1));
    ASSERT_EQ(ERROR_SUCCESS, StoreAutoTuneEntry(1, TunerInputAntenna, 20, 1'500'000'000u));
    EXPECT_EQ(E_INVALIDARG, tuner->put_Channel(20, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    EXPECT_TRUE(device_->sent.empty());
}

TEST_F(V4l2TunerTest, TheAutoTuneTableIsReadAtEachPutChannel) {
    ComPtr<IAMTVTuner> tuner = MakeTuner(true);
    ASSERT_EQ(S_OK, tuner->put_TuningSpace(2));
    ASSERT_EQ(S_OK, tuner->put_Channel(1, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    EXPECT_EQ(91'250'000, Video(tuner.Get()));
    ASSERT_EQ(ERROR_SUCCESS, StoreAutoTuneEntry(2, TunerInputAntenna, 1, 92'000'000u));
    ASSERT_EQ(S_OK, tuner->put_Channel(1, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    EXPECT_EQ(92'000'000, Video(tuner.Get()));
    LONG audio = 0;
    ASSERT_EQ(S_OK, tuner->get_AudioFrequency(&audio));
    EXPECT_EQ(96'500'000, audio);
    ASSERT_EQ(ERROR_SUCCESS, StoreAutoTuneEntry(2, TunerInputAntenna, 1, std::nullopt));
    ASSERT_EQ(S_OK, tuner->put_Channel(1, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    EXPECT_EQ(91'250'000, Video(tuner.Get()));
}

TEST_F(V4l2TunerTest, SignalAndAutoTuneAskTheDevice) {
    ComPtr<IAMTVTuner> tuner = MakeTuner(false);
    LONG present = 0, found = -1;
    ASSERT_EQ(S_OK, tuner->SignalPresent(&present));
    EXPECT_EQ(AMTUNER_NOSIGNAL, present);
    ASSERT_EQ(S_OK, tuner->AutoTune(30, &found));
    EXPECT_EQ(0, found);
    device_->signal = 40000;
    ASSERT_EQ(S_OK, tuner->AutoTune(31, &found));
    EXPECT_EQ(1, found);
    EXPECT_EQ(31, Channel(tuner.Get()));
}

TEST(V4l2Standards, ChooseTheChannelPlan) {
    EXPECT_EQ(81, CountryForV4l2Standard(V4L2_STD_NTSC_M_JP));
    EXPECT_EQ(1, CountryForV4l2Standard(V4L2_STD_NTSC_M));
    EXPECT_EQ(49, CountryForV4l2Standard(V4L2_STD_PAL_BG));
    EXPECT_EQ(81, CountryForV4l2Standard(V4L2_STD_SECAM_L));
}

TEST(V4l2Tuner, ADeviceThatCannotBeOpenedHasNoTuner) {
    EXPECT_FALSE(CreateV4l2Tuner("/nonexistent/video0", 0).filter);
    EXPECT_FALSE(CreateV4l2Tuner(nullptr, V4l2TunerRange{}).filter);
}

// Reads the first tuner of each V4L2 device of the machine; tunes nothing.
QD_REAL_DEVICE_TEST_F(V4l2TunerTest, RealTunersReportTheirFrequency) {
    int tuners = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/dev")) {
        const std::string path = entry.path().string();
        if (path.rfind("/dev/video", 0) != 0) continue;
        V4l2Tuner tuner = CreateV4l2Tuner(path, 0);
        if (!tuner.filter) continue;
        ++tuners;
        ComPtr<IAMTVTuner> tv = As<IAMTVTuner>(tuner.filter.Get());
        ASSERT_TRUE(tv);
        LONG hz = -1;
        EXPECT_EQ(S_OK, tv->get_VideoFrequency(&hz)) << path;
        EXPECT_GE(hz, 0) << path;
    }
    RecordProperty("tuners", tuners);
}

long LiveFilters() { return CaptureFilterCounter().Count(); }

INSTANTIATE_TEST_SUITE_P(V4l2Tuner, UnknownConformance,
                         ::testing::Values(UnknownSubject{
                             "V4l2Tuner",
                             [] {
                                 V4l2Tuner tuner = CreateV4l2Tuner(
                                     std::make_unique<RecordingTunerDevice>(std::make_shared<RecordedDevice>()),
                                     V4l2TunerRange{});
                                 return ComPtr<IUnknown>(tuner.filter.Get());
                             },
                             {IID_IBaseFilter, IID_IMediaFilter, IID_IPersist, IID_IAMTVTuner, IID_IAMTuner},
                             LiveFilters}),
                         UnknownSubjectName);

}  // namespace
}  // namespace media::test
