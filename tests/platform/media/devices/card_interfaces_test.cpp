// The virtual TV card's analogue interfaces: ranges, refusals, and their effect on the
// picture and the tone.
#include <gtest/gtest.h>

#include "platform/media/gst.h"

#include "platform/media/capture_filters/virtual_card.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/interfaces/gst_filter.h"
#include "platform/media/virtual_card/card_formats.h"
#include "platform/media/tuning/auto_tune_table.h"
#include "platform/registry/registry.h"
#include "tests/platform/media/devices/device_fixture.h"
#include "platform/media/capture_constants.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/tv_hardware.h"

namespace media::test {
namespace {

class CardInterfacesTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        video_ = Bind(kVirtualTvCardName);
        audio_ = Bind(kVirtualTvCardAudioName);
        ASSERT_TRUE(video_ && audio_);
        procAmp_ = As<IAMVideoProcAmp>(video_.Get());
        decoder_ = As<IAMAnalogVideoDecoder>(video_.Get());
        for (const auto& f : UpstreamFilters(video_.Get())) {
            if (!tuner_) tuner_ = As<IAMTVTuner>(f.Get());
            if (!tvAudio_) tvAudio_ = As<IAMTVAudio>(f.Get());
            if (!crossbar1_) crossbar1_ = As<IAMCrossbar>(f.Get());
        }
        ASSERT_TRUE(procAmp_ && decoder_ && tuner_ && tvAudio_ && crossbar1_);
    }

    // A property of a named element inside a filter's bin.
    template <typename T>
    T Inner(IBaseFilter* filter, const char* element, const char* property) {
        T value{};
        GstElement* bin = As<IGstFilter>(filter)->GetElement();
        GstElement* e = gst_bin_get_by_name(GST_BIN(bin), element);
        EXPECT_NE(nullptr, e) << element;
        if (e) {
            g_object_get(e, property, &value, nullptr);
            gst_object_unref(e);
        }
        return value;
    }
    std::string Caption() {
        gchar* text = Inner<gchar*>(video_.Get(), "caption", "text");
        std::string s = text ? text : "";
        g_free(text);
        return s;
    }
    int Pattern() { return Inner<int>(video_.Get(), "pattern", "pattern"); }

    ComPtr<IBaseFilter> video_, audio_;
    ComPtr<IAMVideoProcAmp> procAmp_;
    ComPtr<IAMAnalogVideoDecoder> decoder_;
    ComPtr<IAMTVTuner> tuner_;
    ComPtr<IAMTVAudio> tvAudio_;
    ComPtr<IAMCrossbar> crossbar1_;
};

constexpr int kSmpte = 0, kSnow = 1, kBlack = 2;  // videotestsrc patterns

TEST_F(CardInterfacesTest, TheProcAmpHasTenPropertiesWithRangesAndRefusesOthers) {
    for (LONG p = 0; p < kVideoProcAmpPropertyCount; ++p) {
        LONG min = 0, max = 0, step = 0, def = 0, flags = 0;
        ASSERT_EQ(S_OK, procAmp_->GetRange(p, &min, &max, &step, &def, &flags)) << p;
        EXPECT_LT(min, max);
        EXPECT_GE(def, min);
        EXPECT_LE(def, max);
        LONG value = 0, current = 0;
        ASSERT_EQ(S_OK, procAmp_->Get(p, &value, &current));
        EXPECT_EQ(def, value);
        EXPECT_EQ(E_INVALIDARG, procAmp_->Set(p, max + step, VideoProcAmp_Flags_Manual));
        EXPECT_EQ(E_INVALIDARG, procAmp_->Set(p, min - step, VideoProcAmp_Flags_Manual));
        EXPECT_EQ(S_OK, procAmp_->Set(p, max, VideoProcAmp_Flags_Manual));
        ASSERT_EQ(S_OK, procAmp_->Get(p, &value, &current));
        EXPECT_EQ(max, value);
    }
    LONG a, b, c, d, e;
    EXPECT_EQ(E_INVALIDARG, procAmp_->GetRange(10, &a, &b, &c, &d, &e));
    EXPECT_EQ(E_INVALIDARG, procAmp_->Set(-1, 0, VideoProcAmp_Flags_Manual));
    EXPECT_EQ(E_POINTER, procAmp_->Get(0, nullptr, &a));
}

TEST_F(CardInterfacesTest, TheProcAmpChangesThePicture) {
    EXPECT_DOUBLE_EQ(0.0, Inner<double>(video_.Get(), "balance", "brightness"));
    ASSERT_EQ(S_OK, procAmp_->Set(VideoProcAmp_Brightness, 10000, VideoProcAmp_Flags_Manual));
    EXPECT_DOUBLE_EQ(1.0, Inner<double>(video_.Get(), "balance", "brightness"));
    ASSERT_EQ(S_OK, procAmp_->Set(VideoProcAmp_ColorEnable, 0, VideoProcAmp_Flags_Manual));
    EXPECT_DOUBLE_EQ(0.0, Inner<double>(video_.Get(), "balance", "saturation"));
}

TEST_F(CardInterfacesTest, TheTunerTunesChannelsItsCountryHasAndShowsThem) {
    LONG min = 0, max = 0;
    ASSERT_EQ(S_OK, tuner_->ChannelMinMax(&min, &max));
    EXPECT_LT(min, max);
    EXPECT_EQ(E_INVALIDARG, tuner_->put_Channel(max + 1, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    ASSERT_EQ(S_OK, tuner_->put_Channel(4, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    LONG channel = 0, v = 0, a = 0;
    ASSERT_EQ(S_OK, tuner_->get_Channel(&channel, &v, &a));
    EXPECT_EQ(4, channel);
    EXPECT_EQ("CH 4  171.250 MHz", Caption());
    // The sound card's tone follows the channel.
    EXPECT_DOUBLE_EQ(ToneFrequencyForChannel(4), Inner<double>(audio_.Get(), "tone", "freq"));
    LONG frequency = 0;
    EXPECT_EQ(S_OK, tuner_->get_VideoFrequency(&frequency));
    EXPECT_GT(frequency, 0);
    EXPECT_EQ(E_INVALIDARG, tuner_->put_CountryCode(999));
    LONG country = 0;
    EXPECT_EQ(S_OK, tuner_->get_CountryCode(&country));
    EXPECT_EQ(81, country);
    EXPECT_EQ(E_INVALIDARG, tuner_->put_InputType(1, TunerInputCable));
    EXPECT_EQ(E_INVALIDARG, tuner_->put_ConnectInput(1));
    EXPECT_EQ(S_OK, tuner_->put_Mode(AMTUNER_MODE_TV));
    EXPECT_EQ(E_INVALIDARG, tuner_->put_Mode(AMTUNER_MODE_FM_RADIO));
    // The tuner's state belongs to the card, not to one filter.
    ComPtr<IBaseFilter> second = Bind(kVirtualTvCardName);
    ComPtr<IAMTVTuner> secondTuner;
    for (const auto& f : UpstreamFilters(second.Get()))
        if (!secondTuner) secondTuner = As<IAMTVTuner>(f.Get());
    ASSERT_TRUE(secondTuner);
    ASSERT_EQ(S_OK, secondTuner->get_Channel(&channel, &v, &a));
    EXPECT_EQ(4, channel);
}

TEST_F(CardInterfacesTest, ARetuneChangesTheFrequenciesTheCaptionAndThePitch) {
    const double tone1 = Inner<double>(audio_.Get(), "tone", "freq");
    ASSERT_EQ(S_OK, tuner_->put_Channel(12, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    LONG video = 0, audio = 0;
    ASSERT_EQ(S_OK, tuner_->get_VideoFrequency(&video));
    ASSERT_EQ(S_OK, tuner_->get_AudioFrequency(&audio));
    EXPECT_EQ(217'250'000, video);
    EXPECT_EQ(221'750'000, audio);
    EXPECT_EQ("CH 12  217.250 MHz", Caption());
    const double tone12 = Inner<double>(audio_.Get(), "tone", "freq");
    EXPECT_NE(tone1, tone12);
    EXPECT_DOUBLE_EQ(ToneFrequencyForChannel(12), tone12);

    // A channel the plan lacks is refused and the card stays where it was.
    EXPECT_EQ(E_INVALIDARG, tuner_->put_Channel(63, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    LONG channel = 0, v = 0, a = 0;
    ASSERT_EQ(S_OK, tuner_->get_Channel(&channel, &v, &a));
    EXPECT_EQ(12, channel);
    ASSERT_EQ(S_OK, tuner_->get_VideoFrequency(&video));
    EXPECT_EQ(217'250'000, video);
    EXPECT_EQ("CH 12  217.250 MHz", Caption());
    EXPECT_DOUBLE_EQ(tone12, Inner<double>(audio_.Get(), "tone", "freq"));
}

TEST_F(CardInterfacesTest, TheAutoTuneTableOverridesAChannelAtItsNextTuning) {
    ASSERT_EQ(S_OK, tuner_->put_TuningSpace(7));
    ASSERT_EQ(ERROR_SUCCESS, StoreAutoTuneEntry(7, TunerInputAntenna, 3, 104'000'000u));
    ASSERT_EQ(S_OK, tuner_->put_Channel(3, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    LONG video = 0, audio = 0;
    ASSERT_EQ(S_OK, tuner_->get_VideoFrequency(&video));
    ASSERT_EQ(S_OK, tuner_->get_AudioFrequency(&audio));
    EXPECT_EQ(104'000'000, video);
    EXPECT_EQ(108'500'000, audio);
    EXPECT_EQ("CH 3  104.000 MHz", Caption());
    // A value of 0 Hz is no frequency: the plan's carrier is used.
    ASSERT_EQ(ERROR_SUCCESS, StoreAutoTuneEntry(7, TunerInputAntenna, 3, 0u));
    ASSERT_EQ(S_OK, tuner_->put_Channel(3, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    ASSERT_EQ(S_OK, tuner_->get_VideoFrequency(&video));
    EXPECT_EQ(103'250'000, video);
    ASSERT_EQ(ERROR_SUCCESS, StoreAutoTuneEntry(7, TunerInputAntenna, 3, 0xF000'0000u));
    ASSERT_EQ(S_OK, tuner_->put_Channel(3, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    ASSERT_EQ(S_OK, tuner_->get_VideoFrequency(&video));
    EXPECT_EQ(103'250'000, video);
    EXPECT_EQ("CH 3  103.250 MHz", Caption());
}

TEST_F(CardInterfacesTest, TvAudioTakesOnlyTheModesTheCardHas) {
    LONG modes = 0;
    ASSERT_EQ(S_OK, tvAudio_->GetAvailableTVAudioModes(&modes));
    EXPECT_EQ(0x73, modes);
    EXPECT_EQ(S_OK, tvAudio_->put_TVAudioMode(AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_LANG_B));
    EXPECT_EQ(E_INVALIDARG, tvAudio_->put_TVAudioMode(AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_STEREO));
    EXPECT_EQ(E_INVALIDARG, tvAudio_->put_TVAudioMode(0x84));
    LONG mode = 0;
    ASSERT_EQ(S_OK, tvAudio_->get_TVAudioMode(&mode));
    EXPECT_EQ(AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_LANG_B, mode);
}

TEST_F(CardInterfacesTest, TheDecoderControlsTheSignal) {
    LONG formats = 0;
    ASSERT_EQ(S_OK, decoder_->get_AvailableTVFormats(&formats));
    EXPECT_NE(0, formats & AnalogVideo_NTSC_M_J);
    EXPECT_EQ(E_INVALIDARG, decoder_->put_TVFormat(AnalogVideo_NTSC_M | AnalogVideo_PAL_B));
    ASSERT_EQ(S_OK, decoder_->put_TVFormat(AnalogVideo_PAL_B));
    LONG lines = 0;
    EXPECT_EQ(S_OK, decoder_->get_NumberOfLines(&lines));
    EXPECT_EQ(625, lines);
    EXPECT_EQ(kSmpte, Pattern());
    ASSERT_EQ(S_OK, decoder_->put_OutputEnable(0));
    EXPECT_EQ(kBlack, Pattern());
    ASSERT_EQ(S_OK, decoder_->put_OutputEnable(1));
    EXPECT_EQ(kSmpte, Pattern());
    // Losing horizontal lock (the card's test control) turns the picture to snow.
    VirtualCard::Current()->SetHorizontalLock(false);
    LONG locked = 1;
    EXPECT_EQ(S_OK, decoder_->get_HorizontalLocked(&locked));
    EXPECT_EQ(0, locked);
    EXPECT_EQ(kSnow, Pattern());
    VirtualCard::Current()->SetHorizontalLock(true);
    EXPECT_EQ(kSmpte, Pattern());
}

TEST_F(CardInterfacesTest, TheCrossbarRoutesOnlyMatchingKindsAndShowsTheInput) {
    EXPECT_EQ(S_OK, crossbar1_->CanRoute(0, 1));
    EXPECT_EQ(S_FALSE, crossbar1_->CanRoute(0, 3));  // audio into the video decoder
    EXPECT_EQ(E_INVALIDARG, crossbar1_->Route(0, 3));
    EXPECT_EQ(E_INVALIDARG, crossbar1_->Route(5, 0));
    LONG related = 0, type = 0;
    ASSERT_EQ(S_OK, crossbar1_->get_CrossbarPinInfo(TRUE, 1, &related, &type));
    EXPECT_EQ(PhysConn_Video_Composite, type);
    ASSERT_EQ(S_OK, crossbar1_->Route(0, 1));
    EXPECT_EQ("Composite", Caption());
    ASSERT_EQ(S_OK, crossbar1_->Route(0, -1));
    EXPECT_EQ(kBlack, Pattern());
    ASSERT_EQ(S_OK, crossbar1_->Route(0, 0));
    EXPECT_EQ(kSmpte, Pattern());
    LONG routed = -2;
    ASSERT_EQ(S_OK, crossbar1_->get_IsRoutedTo(0, &routed));
    EXPECT_EQ(0, routed);
}

TEST_F(CardInterfacesTest, TheAudioCrossbarSilencesTheToneWhileNothingIsRouted) {
    // The audio crossbar feeds the video crossbar's TV sound input.
    ComPtr<IAMCrossbar> crossbar2;
    for (const auto& f : UpstreamFilters(video_.Get())) {
        ComPtr<IAMCrossbar> found = As<IAMCrossbar>(f.Get());
        if (!crossbar2 && found && As<IUnknown>(found.Get()).Get() != As<IUnknown>(crossbar1_.Get()).Get())
            crossbar2 = found;
    }
    ASSERT_TRUE(crossbar2);
    const double loud = Inner<double>(audio_.Get(), "tone", "volume");
    EXPECT_GT(loud, 0.0);
    ASSERT_EQ(S_OK, crossbar2->Route(0, -1));
    EXPECT_EQ(0.0, Inner<double>(audio_.Get(), "tone", "volume"));
    ASSERT_EQ(S_OK, crossbar2->Route(0, 1));  // line in
    EXPECT_EQ(loud, Inner<double>(audio_.Get(), "tone", "volume"));
}

TEST_F(CardInterfacesTest, TheCardPowersOffWithItsLastFilter) {
    ASSERT_EQ(S_OK, tuner_->put_Channel(7, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT));
    std::weak_ptr<VirtualCard> card = VirtualCard::Current();
    video_ = nullptr;
    audio_ = nullptr;
    procAmp_ = nullptr;
    decoder_ = nullptr;
    tuner_ = nullptr;
    tvAudio_ = nullptr;
    crossbar1_ = nullptr;
    EXPECT_TRUE(card.expired());
    ComPtr<IBaseFilter> again = Bind(kVirtualTvCardName);
    EXPECT_EQ("CH 1  91.250 MHz", [&] {
        gchar* text = Inner<gchar*>(again.Get(), "caption", "text");
        std::string s = text ? text : "";
        g_free(text);
        return s;
    }());
}

}  // namespace
}  // namespace media::test
