// The card's TV audio, video decoder, crossbars, proc amp and format lists.
#include <gtest/gtest.h>

#include "platform/media/virtual_card/card_formats.h"
#include "platform/media/virtual_card/crossbar_state.h"
#include "platform/media/virtual_card/proc_amp.h"
#include "platform/media/virtual_card/tv_audio_state.h"
#include "platform/media/virtual_card/video_decoder_state.h"
#include "platform/media/capture_constants.h"

namespace media {
namespace {

TEST(TvAudioState, AcceptsOneChannelModeWithOneLanguage) {
    TvAudioState audio;
    EXPECT_EQ(audio.AvailableModes(), 0x73);
    EXPECT_EQ(audio.PutMode(AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_LANG_B), S_OK);
    EXPECT_EQ(audio.Mode(), 0x21);
    EXPECT_FALSE(audio.IsStereo());
    EXPECT_EQ(audio.PutMode(AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_STEREO), E_INVALIDARG);
    EXPECT_EQ(audio.PutMode(AMTVAUDIO_MODE_LANG_A | AMTVAUDIO_MODE_LANG_C), E_INVALIDARG);
    EXPECT_EQ(audio.PutMode(AMTVAUDIO_MODE_LANG_B | AMTVAUDIO_MODE_LANG_C), E_INVALIDARG);
    EXPECT_EQ(audio.PutMode(0x100), E_INVALIDARG);
    EXPECT_EQ(audio.PutMode(0), E_INVALIDARG);
    EXPECT_EQ(audio.Mode(), 0x21);
    EXPECT_EQ(audio.PutMode(AMTVAUDIO_MODE_STEREO), S_OK);
    EXPECT_TRUE(audio.IsStereo());
    // Main and sub language together, as a bilingual programme offers them.
    EXPECT_EQ(audio.PutMode(AMTVAUDIO_MODE_STEREO | AMTVAUDIO_MODE_LANG_A | AMTVAUDIO_MODE_LANG_B), S_OK);
    EXPECT_EQ(audio.Mode(), 0x32);
}

TEST(VideoDecoderState, FormatsAndLock) {
    VideoDecoderState decoder;
    EXPECT_EQ(decoder.TVFormat(), AnalogVideo_NTSC_M_J);
    EXPECT_EQ(decoder.NumberOfLines(), 525);
    EXPECT_EQ(decoder.PutTVFormat(AnalogVideo_PAL_B), S_OK);
    EXPECT_EQ(decoder.NumberOfLines(), 625);
    EXPECT_EQ(decoder.PutTVFormat(AnalogVideo_NTSC_M | AnalogVideo_PAL_B), E_INVALIDARG);
    EXPECT_EQ(decoder.PutTVFormat(AnalogVideo_PAL_N_COMBO), E_INVALIDARG);
    EXPECT_EQ(decoder.PutTVFormat(AnalogVideo_None), E_INVALIDARG);
    EXPECT_EQ(decoder.TVFormat(), AnalogVideo_PAL_B);
    EXPECT_TRUE(decoder.HorizontalLocked());
    decoder.SetHorizontalLocked(false);
    EXPECT_FALSE(decoder.HorizontalLocked());
}

TEST(CrossbarState, VideoCrossbarRoutesByKind) {
    CrossbarState xbar = CrossbarState::VideoCrossbar();
    ASSERT_EQ(xbar.OutputCount(), 2);
    ASSERT_EQ(xbar.InputCount(), 5);
    LONG input = -2;
    ASSERT_EQ(xbar.GetIsRoutedTo(0, &input), S_OK);
    EXPECT_EQ(input, 0);
    EXPECT_EQ(xbar.CanRoute(0, 1), S_OK);
    EXPECT_EQ(xbar.CanRoute(0, 3), S_FALSE) << "tuner audio cannot feed the video decoder";
    EXPECT_EQ(xbar.CanRoute(1, 4), S_OK);
    EXPECT_EQ(xbar.CanRoute(2, 0), E_INVALIDARG);
    EXPECT_EQ(xbar.CanRoute(0, 5), E_INVALIDARG);
    EXPECT_EQ(xbar.Route(0, 3), E_INVALIDARG);
    ASSERT_EQ(xbar.GetIsRoutedTo(0, &input), S_OK);
    EXPECT_EQ(input, 0) << "a refused route leaves the old one";
    ASSERT_EQ(xbar.Route(0, 2), S_OK);
    ASSERT_EQ(xbar.GetIsRoutedTo(0, &input), S_OK);
    EXPECT_EQ(input, 2);
    ASSERT_EQ(xbar.Route(1, CrossbarState::kNotRouted), S_OK);
    ASSERT_EQ(xbar.GetIsRoutedTo(1, &input), S_OK);
    EXPECT_EQ(input, -1);
}

TEST(CrossbarState, PinInfoNamesTypesAndRelatedPins) {
    CrossbarState xbar = CrossbarState::VideoCrossbar();
    LONG related = 0, type = 0;
    ASSERT_EQ(xbar.GetPinInfo(true, 0, &related, &type), S_OK);
    EXPECT_EQ(type, PhysConn_Video_Tuner);
    EXPECT_EQ(related, 3);
    ASSERT_EQ(xbar.GetPinInfo(true, 3, &related, &type), S_OK);
    EXPECT_EQ(type, PhysConn_Audio_Tuner);
    EXPECT_EQ(related, 0);
    ASSERT_EQ(xbar.GetPinInfo(false, 1, &related, &type), S_OK);
    EXPECT_EQ(type, PhysConn_Audio_AudioDecoder);
    EXPECT_EQ(xbar.GetPinInfo(false, 2, &related, &type), E_INVALIDARG);
    EXPECT_EQ(xbar.GetPinInfo(true, 0, nullptr, &type), E_POINTER);
    EXPECT_EQ(ConnectorName(PhysConn_Video_SVideo), "S-Video");

    CrossbarState audio = CrossbarState::AudioCrossbar();
    EXPECT_EQ(audio.OutputCount(), 1);
    EXPECT_EQ(audio.CanRoute(0, 2), S_OK);
}

TEST(ProcAmpState, TenPropertiesWithRangesAndDefaults) {
    ProcAmpState amp;
    for (LONG p = 0; p < kVideoProcAmpPropertyCount; ++p) {
        ProcAmpRange r{};
        ASSERT_EQ(amp.GetRange(p, &r), S_OK) << p;
        EXPECT_LT(r.min, r.max);
        EXPECT_GE(r.defaultValue, r.min);
        EXPECT_LE(r.defaultValue, r.max);
        EXPECT_NE(r.capsFlags & VideoProcAmp_Flags_Manual, 0);
        LONG value = 0, flags = 0;
        ASSERT_EQ(amp.Get(p, &value, &flags), S_OK);
        EXPECT_EQ(value, r.defaultValue);
        EXPECT_EQ(flags, VideoProcAmp_Flags_Manual);
    }
    ProcAmpRange r{};
    EXPECT_EQ(amp.GetRange(10, &r), E_INVALIDARG);
    EXPECT_EQ(amp.GetRange(-1, &r), E_INVALIDARG);
}

TEST(ProcAmpState, SetValidatesRangeStepAndFlags) {
    ProcAmpState amp;
    EXPECT_EQ(amp.Set(VideoProcAmp_Brightness, 10001, VideoProcAmp_Flags_Manual), E_INVALIDARG);
    EXPECT_EQ(amp.Set(VideoProcAmp_WhiteBalance, 5005, VideoProcAmp_Flags_Manual), E_INVALIDARG) << "off the step";
    EXPECT_EQ(amp.Set(VideoProcAmp_Brightness, 6000, VideoProcAmp_Flags_Auto), E_INVALIDARG) << "no auto mode";
    EXPECT_EQ(amp.Set(VideoProcAmp_Gain, 10, VideoProcAmp_Flags_Auto | VideoProcAmp_Flags_Manual), E_INVALIDARG);
    EXPECT_EQ(amp.Set(VideoProcAmp_WhiteBalance, 5000, VideoProcAmp_Flags_Manual), S_OK);
    EXPECT_EQ(amp.Set(VideoProcAmp_Gain, 0, VideoProcAmp_Flags_Auto), S_OK);
    LONG value = 0, flags = 0;
    ASSERT_EQ(amp.Get(VideoProcAmp_Gain, &value, &flags), S_OK);
    EXPECT_EQ(flags, VideoProcAmp_Flags_Auto);
    ASSERT_EQ(amp.Get(VideoProcAmp_WhiteBalance, &value, &flags), S_OK);
    EXPECT_EQ(value, 5000);
}

TEST(ProcAmpState, PictureFollowsTheControls) {
    ProcAmpState amp;
    PictureAdjustment neutral = amp.Picture();
    EXPECT_DOUBLE_EQ(neutral.brightness, 0.0);
    EXPECT_DOUBLE_EQ(neutral.contrast, 1.0);
    EXPECT_DOUBLE_EQ(neutral.saturation, 1.0);
    EXPECT_DOUBLE_EQ(neutral.gamma, 1.0);
    ASSERT_EQ(amp.Set(VideoProcAmp_Brightness, 10000, VideoProcAmp_Flags_Manual), S_OK);
    ASSERT_EQ(amp.Set(VideoProcAmp_Contrast, 2500, VideoProcAmp_Flags_Manual), S_OK);
    ASSERT_EQ(amp.Set(VideoProcAmp_Hue, 0, VideoProcAmp_Flags_Manual), S_OK);
    ASSERT_EQ(amp.Set(VideoProcAmp_Gamma, 250, VideoProcAmp_Flags_Manual), S_OK);
    PictureAdjustment p = amp.Picture();
    EXPECT_DOUBLE_EQ(p.brightness, 1.0);
    EXPECT_DOUBLE_EQ(p.contrast, 0.5);
    EXPECT_DOUBLE_EQ(p.hue, -1.0);
    EXPECT_DOUBLE_EQ(p.gamma, 2.5);
    ASSERT_EQ(amp.Set(VideoProcAmp_Saturation, 7500, VideoProcAmp_Flags_Manual), S_OK);
    EXPECT_DOUBLE_EQ(amp.Picture().saturation, 1.5);
    ASSERT_EQ(amp.Set(VideoProcAmp_ColorEnable, 0, VideoProcAmp_Flags_Manual), S_OK);
    EXPECT_DOUBLE_EQ(amp.Picture().saturation, 0.0) << "colour off shows grey";
}

// The preview adds RGB32, first, to everything the capture output offers; capture never gets it.
TEST(CardFormats, ThePreviewListPutsRgb32FirstAndKeepsEveryCaptureFormat) {
    const auto& preview = PreviewCapabilities();
    EXPECT_EQ(preview.front(), (VideoFormat{VideoEncoding::RGB32, 640, 480, 30000, 1001}));
    EXPECT_EQ(preview.size(), VideoCapabilities().size() + 30u);
    for (const VideoFormat& f : VideoCapabilities()) EXPECT_TRUE(IsPreviewCapability(f));
    EXPECT_TRUE(IsPreviewCapability({VideoEncoding::RGB32, 1280, 720, 25, 1}));
    EXPECT_FALSE(IsVideoCapability({VideoEncoding::RGB32, 640, 480, 30000, 1001}));
    EXPECT_FALSE(IsPreviewCapability({VideoEncoding::RGB32, 641, 480, 30, 1}));
}

TEST(CardFormats, CapabilityListCoversSizesEncodingsAndRates) {
    const auto& caps = VideoCapabilities();
    EXPECT_EQ(caps.front(), (VideoFormat{VideoEncoding::YUY2, 640, 480, 30000, 1001}));
    EXPECT_TRUE(IsVideoCapability({VideoEncoding::MJPG, 1920, 1080, 25, 1}));
    EXPECT_TRUE(IsVideoCapability({VideoEncoding::RGB24, 320, 240, 30, 1}));
    EXPECT_FALSE(IsVideoCapability({VideoEncoding::YUY2, 641, 480, 30, 1}));
    EXPECT_FALSE(IsVideoCapability({VideoEncoding::YUY2, 640, 480, 24, 1}));
    EXPECT_EQ(caps.front().FrameDuration(), 333667);
    EXPECT_EQ((VideoFormat{VideoEncoding::I420, 640, 480, 25, 1}).FrameDuration(), 400000);
    EXPECT_TRUE(IsAudioCapability({44100, 1, 16}));
    EXPECT_FALSE(IsAudioCapability({22050, 2, 16}));
    EXPECT_EQ(DvFrameBytes(DvSystem::NTSC), 120000);
    EXPECT_EQ(DvFrameBytes(DvSystem::PAL), 144000);
    EXPECT_EQ(ChannelCaption(12), "CH 12");
    EXPECT_NE(ToneFrequencyForChannel(4), ToneFrequencyForChannel(5));
}

}  // namespace
}  // namespace media
