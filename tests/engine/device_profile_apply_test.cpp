// Applying and reading device profiles against capture hardware that records the calls it
// receives: the order of the items, the exclusions, what is written, what is reported.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/capture_engine.h"
#include "engine/owned_media_type.h"
#include "engine/video_format_fields.h"
#include "platform/com/com_runtime.h"
#include "platform/media/capture_filters/audio_input_pin.h"
#include "platform/media/capture_filters/capture_pin.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/mixer/virtual_mixer.h"
#include "platform/system/message_beep.h"
#include "platform/system/profile_directory.h"
#include "tests/engine/engine_test_support.h"
#include "tests/engine/hardware_fakes.h"
#include "tests/support/temp_environment.h"

namespace engine_test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr CLSID kFakeAudioDevice = MakeGuid("5d1c0a52-7e0b-4f3e-9a31-0c6f2b8e1a01");

// An audio capture filter with `inputs` input pins that carry the input mixer and one
// "Capture" output.
class MultiInputAudioFilter final : public media::GstFilterBase {
public:
    explicit MultiInputAudioFilter(int count) : GstFilterBase(kFakeAudioDevice, u"Fake Audio Device", nullptr) {
        media::PinSetup capture;
        capture.name = u"Capture";
        capture.category = PIN_CATEGORY_CAPTURE;
        output = AddPin(std::make_unique<media::CapturePin>(this, std::move(capture)));
        for (int i = 0; i < count; ++i)
            inputs.push_back(AddPin(std::make_unique<media::AudioInputPin>(this, u"Input " + ToU16(i))));
    }
    media::CapturePin* output;
    std::vector<media::AudioInputPin*> inputs;

private:
    static std::u16string ToU16(int i) {
        const std::string text = std::to_string(i);
        return std::u16string(text.begin(), text.end());
    }
};

class DeviceProfileApplyTest : public testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        SetMessageBeepHandler([this](UINT) { ++beeps_; });
        engine_ = std::make_unique<CCaptureEngine>(ResolveProfileDirectory(), nullptr);
        engine_->SetMessageBar(&bar_);
        profile_.ApplyPriority = kDefaultApplyPriority;
        for (int pin = 0; pin < 4; ++pin) profile_.Allocators[static_cast<std::size_t>(pin)].AllocatorEnable = 1;
    }
    void TearDown() override {
        engine_.reset();
        SetMessageBeepHandler(nullptr);
        CoUninitialize();
    }

    // Every piece of hardware the profile names, as fakes.
    void InstallHardware(LONG crossbar1Outputs = 4, LONG crossbar2Outputs = 2) {
        GraphSession& s = engine_->Session();
        tuner_ = MakeComObject<FakeTuner>(&log_);
        tvAudio_ = MakeComObject<FakeTvAudio>(&log_);
        crossbar1_ = MakeComObject<FakeCrossbar>(&log_, "crossbar1", crossbar1Outputs, 8);
        crossbar2_ = MakeComObject<FakeCrossbar>(&log_, "crossbar2", crossbar2Outputs, 4);
        s.TvTuner = ComPtr<IAMTVTuner>(tuner_.Get());
        s.TvAudio = ComPtr<IAMTVAudio>(tvAudio_.Get());
        s.AnalogVideoDecoder = ComPtr<IAMAnalogVideoDecoder>(MakeComObject<FakeDecoder>(&log_).Get());
        s.Crossbar1 = ComPtr<IAMCrossbar>(crossbar1_.Get());
        s.Crossbar2 = ComPtr<IAMCrossbar>(crossbar2_.Get());
        s.VideoProcAmp = ComPtr<IAMVideoProcAmp>(MakeComObject<FakeProcAmp>(&log_).Get());
        s.VideoCaptureBuffers = Buffers("videocapturebuffers");
        s.VideoPreviewBuffers = Buffers("videopreviewbuffers");
        s.AudioCaptureBuffers = Buffers("audiocapturebuffers");
        s.AudioPreviewBuffers = Buffers("audiopreviewbuffers");
    }
    ComPtr<IAMBufferNegotiation> Buffers(const char* name) {
        return ComPtr<IAMBufferNegotiation>(MakeComObject<FakeBuffers>(&log_, name).Get());
    }
    // The tuner already on what the profile stores.
    void TunerMatchesProfile() {
        tuner_->mode = profile_.TunerMode;
        tuner_->country = static_cast<LONG>(profile_.TunerCountryCode);
        tuner_->input = static_cast<LONG>(profile_.TunerConnectInput);
        tuner_->inputType = profile_.TunerConnectedInputType;
        tuner_->space = static_cast<LONG>(profile_.TunerTuningSpace);
    }
    std::vector<std::string> CallsOf(const std::string& component) const {
        std::vector<std::string> calls;
        for (const std::string& call : log_)
            if (Component(call) == component) calls.push_back(call);
        return calls;
    }

    TempEnvironment environment_;
    RecordingMessageBar bar_;
    std::unique_ptr<CCaptureEngine> engine_;
    CallLog log_;
    CDeviceProfile profile_;
    ComPtr<FakeTuner> tuner_;
    ComPtr<FakeTvAudio> tvAudio_;
    ComPtr<FakeCrossbar> crossbar1_, crossbar2_;
    int beeps_ = 0;
};

// ---- Order ----

struct OrderCase {
    const char* name;
    std::array<DWORD, kApplyItemCount> priority;
    std::vector<std::string> order;
};
void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }

class ApplyOrderTest : public DeviceProfileApplyTest, public testing::WithParamInterface<OrderCase> {};

TEST_P(ApplyOrderTest, ItemsFollowTheirKeysThenTheFixedItemOrder) {
    InstallHardware();
    profile_.ApplyPriority = GetParam().priority;
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_THAT(ComponentOrder(log_), ElementsAreArray(GetParam().order));
}

// Keys by item: AnalogVideoDecoder, AudioInputMixer, Crossbar1, Crossbar2, the four stream
// configs, TVAudio, TVTuner, VideoProcAmp, the four allocators.
INSTANTIATE_TEST_SUITE_P(
    Keys, ApplyOrderTest,
    testing::Values(
        OrderCase{"DefaultKeys",
                  kDefaultApplyPriority,
                  {"tuner", "tvaudio", "decoder", "crossbar1", "crossbar2", "procamp", "videocapturebuffers",
                   "videopreviewbuffers", "audiocapturebuffers", "audiopreviewbuffers"}},
        OrderCase{"AllKeysEqualKeepTheItemOrder",
                  {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7},
                  {"tuner", "tvaudio", "decoder", "crossbar1", "crossbar2", "procamp", "videocapturebuffers",
                   "videopreviewbuffers", "audiocapturebuffers", "audiopreviewbuffers"}},
        OrderCase{"ReversedKeys",
                  {12, 4, 11, 10, 8, 7, 6, 5, 13, 14, 9, 3, 2, 1, 0},
                  {"audiopreviewbuffers", "audiocapturebuffers", "videopreviewbuffers", "videocapturebuffers",
                   "procamp", "crossbar2", "crossbar1", "decoder", "tvaudio", "tuner"}},
        OrderCase{"TwoPairsShareKeys",
                  // decoder and TV audio share 1, tuner and proc amp share 0
                  {1, 10, 3, 4, 6, 7, 8, 9, 1, 0, 0, 11, 12, 13, 14},
                  {"tuner", "procamp", "tvaudio", "decoder", "crossbar1", "crossbar2", "videocapturebuffers",
                   "videopreviewbuffers", "audiocapturebuffers", "audiopreviewbuffers"}},
        OrderCase{"KeysOutsideTheRangeAreNeverApplied",
                  // the tuner 15, crossbar1 0xFFFFFFFF, the video capture allocator 100
                  {2, 10, 0xFFFFFFFFu, 4, 6, 7, 8, 9, 1, 15, 5, 100, 12, 13, 14},
                  {"tvaudio", "decoder", "crossbar2", "procamp", "videopreviewbuffers", "audiocapturebuffers",
                   "audiopreviewbuffers"}}),
    [](const auto& param) { return std::string(param.param.name); });

// ---- Exclusions ----

TEST_F(DeviceProfileApplyTest, ExcludedItemsAndDisabledAllocatorsAreSkipped) {
    InstallHardware();
    profile_.ExcludeItem[ApplyTVTuner] = 1;
    profile_.ExcludeItem[ApplyCrossbar2] = 1;
    profile_.ExcludeItem[ApplyVideoProcAmp] = 1;
    profile_.Allocators[AudioCapturePin].AllocatorEnable = 0;
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_THAT(ComponentOrder(log_), ElementsAre("tvaudio", "decoder", "crossbar1", "videocapturebuffers",
                                                  "videopreviewbuffers", "audiopreviewbuffers"));
}

TEST_F(DeviceProfileApplyTest, NullProfileAndMissingHardwareDoNothing) {
    engine_->ApplyDeviceProfile(&profile_);  // no hardware in the session
    engine_->ApplyTunerAndTvAudio(&profile_);
    engine_->ReadTunerAndTvAudio(&profile_);
    InstallHardware();
    engine_->ApplyDeviceProfile(nullptr);
    engine_->ApplyTunerAndTvAudio(nullptr);
    engine_->ReadTunerAndTvAudio(nullptr);
    engine_->ReadDeviceProfile(nullptr);
    EXPECT_THAT(log_, IsEmpty());
    EXPECT_THAT(bar_.lines, IsEmpty());
}

// ---- The tuner ----

TEST_F(DeviceProfileApplyTest, TunerAlreadySetReceivesOnlyTheChannel) {
    InstallHardware();
    profile_.TunerChannel = 12;
    TunerMatchesProfile();
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_THAT(CallsOf("tuner"), ElementsAre("tuner.put_Channel 12"));
}

TEST_F(DeviceProfileApplyTest, TunerReceivesEachSettingThatDiffers) {
    InstallHardware();
    profile_.TunerMode = AMTUNER_MODE_TV;
    profile_.TunerCountryCode = 1;
    profile_.TunerConnectInput = 0;
    profile_.TunerConnectedInputType = TunerInputCable;
    profile_.TunerTuningSpace = 7;
    profile_.TunerChannel = 30;
    TunerMatchesProfile();
    tuner_->country = 81;
    tuner_->inputType = TunerInputAntenna;
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_THAT(CallsOf("tuner"), ElementsAre("tuner.put_CountryCode", "tuner.put_InputType", "tuner.put_Channel 30"));
    EXPECT_EQ(tuner_->country, 1);
    EXPECT_EQ(tuner_->inputType, TunerInputCable);
}

// ---- Crossbars ----

TEST_F(DeviceProfileApplyTest, CrossbarWithFourOutputsReceivesFourRoutes) {
    InstallHardware(4);
    for (std::size_t i = 0; i < kCrossbarOutputs; ++i) profile_.Crossbar1Routing[i] = static_cast<DWORD>(i % 8);
    profile_.Crossbar1Routing[2] = 5;
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_THAT(CallsOf("crossbar1"), ElementsAre("crossbar1.Route 0 0", "crossbar1.Route 1 1", "crossbar1.Route 2 5",
                                                  "crossbar1.Route 3 3"));
}

TEST_F(DeviceProfileApplyTest, CrossbarWithMoreThanThirtyOutputsKeepsTheOthers) {
    InstallHardware(40);
    for (std::size_t i = 0; i < kCrossbarOutputs; ++i) profile_.Crossbar1Routing[i] = 1;
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_EQ(CallsOf("crossbar1").size(), 30u);
    const std::vector<LONG>& routes = crossbar1_->Routes();
    EXPECT_EQ(std::count(routes.begin(), routes.begin() + 30, 1), 30);
    EXPECT_EQ(std::count(routes.begin() + 30, routes.end(), 0), 10);
}

TEST_F(DeviceProfileApplyTest, RefusedRoutesAndUnsupportedControlsFailAloneAndSilently) {
    InstallHardware(4);
    profile_.Crossbar1Routing = {};
    profile_.Crossbar1Routing[1] = 3;
    profile_.Crossbar1Routing[2] = 99;  // an input the crossbar does not have
    profile_.Crossbar1Routing[3] = 2;
    crossbar1_->refused[1] = 3;
    profile_.TunerChannel = 4;
    const CDeviceProfile before = profile_;
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_EQ(crossbar1_->Routes(), (std::vector<LONG>{0, 0, 0, 2}));
    EXPECT_EQ(CallsOf("procamp").size(), 10u);  // every property tried, most refused
    EXPECT_EQ(tuner_->channel, 4);
    EXPECT_EQ(CallsOf("audiopreviewbuffers").size(), 1u);
    EXPECT_THAT(bar_.lines, IsEmpty());
    EXPECT_EQ(profile_, before);
}

// ---- Stream formats ----

// Both video pins change format while a preview stands: the graph is stopped and torn down
// before the first change only. The first change marks a graph standing again, so a second
// tear-down would show.
TEST_F(DeviceProfileApplyTest, ChangedFormatsTearAStandingGraphDownOncePerApply) {
    GraphSession& s = engine_->Session();
    ComPtr<FakeStreamConfig> capture = MakeComObject<FakeStreamConfig>(&log_, "captureconfig");
    ComPtr<FakeStreamConfig> preview = MakeComObject<FakeStreamConfig>(&log_, "previewconfig");
    s.CapturePinConfig = ComPtr<IAMStreamConfig>(capture.Get());
    s.PreviewPinConfig = ComPtr<IAMStreamConfig>(preview.Get());
    capture->onSetFormat = [&s] { s.PreviewGraphBuilt = 1; };
    const OwnedMediaType small(FakeStreamConfig::Make(320, 240));
    profile_.VideoFormats[VideoCapturePin] = ReadVideoFormatFields(*small);
    profile_.VideoFormats[VideoPreviewPin] = ReadVideoFormatFields(*small);

    s.PreviewGraphBuilt = 1;
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_THAT(log_, ElementsAre("captureconfig.SetFormat", "previewconfig.SetFormat"));
    EXPECT_EQ(capture->width, 320);
    EXPECT_EQ(preview->height, 240);
    EXPECT_EQ(s.PreviewGraphBuilt, 1u) << "the graph was torn down a second time";

    // A standing graph is torn down when a format changes.
    log_.clear();
    capture->width = preview->width = 640;
    capture->height = preview->height = 480;
    capture->onSetFormat = nullptr;
    s.PreviewGraphBuilt = 1;
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_EQ(s.PreviewGraphBuilt, 0u);

    // Formats equal to the stored ones change nothing.
    log_.clear();
    s.PreviewGraphBuilt = 1;
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_THAT(log_, IsEmpty());
    EXPECT_EQ(s.PreviewGraphBuilt, 1u);
    s.PreviewGraphBuilt = 0;
}

// A group never taken from a device (no format type) sets nothing.
TEST_F(DeviceProfileApplyTest, EmptyStoredFormatIsNotApplied) {
    GraphSession& s = engine_->Session();
    ComPtr<FakeStreamConfig> capture = MakeComObject<FakeStreamConfig>(&log_, "captureconfig");
    s.CapturePinConfig = ComPtr<IAMStreamConfig>(capture.Get());
    s.PreviewGraphBuilt = 1;
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_THAT(log_, IsEmpty());
    EXPECT_EQ(s.PreviewGraphBuilt, 1u);
    s.PreviewGraphBuilt = 0;
}

// ---- Reports ----

TEST_F(DeviceProfileApplyTest, RefusedChannelAndAudioModeAreReportedWithoutBeepAndTheRestApplies) {
    InstallHardware();
    tuner_->putChannelResult = E_INVALIDARG;
    tvAudio_->putResult = E_INVALIDARG;
    profile_.TunerChannel = 9999;
    const CDeviceProfile before = profile_;
    engine_->ApplyDeviceProfile(&profile_);
    ASSERT_EQ(bar_.lines.size(), 2u) << testing::PrintToString(bar_.lines);
    EXPECT_TRUE(bar_.lines[0].ends_with(" - IAMTuner put_Channel")) << bar_.lines[0];
    EXPECT_TRUE(bar_.lines[1].ends_with(" - IAMTVAudio put_TVAudioMode")) << bar_.lines[1];
    EXPECT_EQ(beeps_, 0);
    EXPECT_EQ(tuner_->channel, 1);
    EXPECT_EQ(CallsOf("decoder").size(), 3u);
    EXPECT_EQ(CallsOf("audiopreviewbuffers").size(), 1u);
    EXPECT_EQ(profile_, before);
}

TEST_F(DeviceProfileApplyTest, ChannelAndAudioModeAloneSkipTheOtherItems) {
    InstallHardware();
    profile_.TunerChannel = 21;
    profile_.TVAudioMode = AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_LANG_B;
    engine_->ApplyTunerAndTvAudio(&profile_);
    EXPECT_THAT(log_, ElementsAre("tuner.put_Channel 21", "tvaudio.put_TVAudioMode 33"));
    log_.clear();
    profile_.ExcludeItem[ApplyTVTuner] = 1;
    engine_->ApplyTunerAndTvAudio(&profile_);
    EXPECT_THAT(log_, ElementsAre("tvaudio.put_TVAudioMode 33"));
    tvAudio_->putResult = S_FALSE;
    engine_->ApplyTunerAndTvAudio(&profile_);
    ASSERT_EQ(bar_.lines.size(), 1u);
    EXPECT_TRUE(bar_.lines[0].ends_with(" - IAMTVAudio put_TVAudioMode"));
    EXPECT_EQ(beeps_, 0);
}

// ---- Reading back ----

struct ModeCase {
    LONG reported;
    DWORD stored;
};
class ReadTvAudioModeTest : public DeviceProfileApplyTest, public testing::WithParamInterface<ModeCase> {};

TEST_P(ReadTvAudioModeTest, KeepsOnlyMonoStereoAndTheLanguages) {
    InstallHardware();
    tvAudio_->mode = GetParam().reported;
    tuner_->channel = 17, tuner_->videoSub = 2, tuner_->audioSub = 3;
    engine_->ReadTunerAndTvAudio(&profile_);
    EXPECT_EQ(profile_.TVAudioMode, GetParam().stored);
    EXPECT_EQ(profile_.TunerChannel, 17u);
    EXPECT_EQ(profile_.TunerVideoSubChannel, 2u);
    EXPECT_EQ(profile_.TunerAudioSubChannel, 3u);
}

INSTANTIATE_TEST_SUITE_P(Modes, ReadTvAudioModeTest,
                         testing::Values(ModeCase{0x0084, 0}, ModeCase{0x0112, 0x0012}, ModeCase{0x0073, 0x0073},
                                         ModeCase{static_cast<LONG>(0xFFFFFFFF), 0x0073}));

TEST_F(DeviceProfileApplyTest, ReadingTakesThePlaybackMixerLineFromTheMixer) {
    mixer::ResetVirtualMixer();
    mixer::SetVirtualMixerState(mixer::VirtualMixerLineIn, {32767, true});
    profile_.MixerEnable = 1;
    profile_.MixerDevice = 0;  // the virtual mixer while real devices are hidden
    profile_.MixerSource = 0;
    engine_->ReadDeviceProfile(&profile_);
    EXPECT_EQ(profile_.MixerMute, 1u);
    EXPECT_EQ(profile_.MixerVolume, 49u);
    EXPECT_EQ(profile_.MixerSavedMute, 1u);
    EXPECT_EQ(profile_.MixerSavedVolume, 50u);

    // A mixer device that is gone leaves the reset values.
    profile_.MixerDevice = 9;
    engine_->ReadDeviceProfile(&profile_);
    EXPECT_EQ(profile_.MixerMute, 0u);
    EXPECT_EQ(profile_.MixerVolume, 50u);
    mixer::ResetVirtualMixer();
}

TEST_F(DeviceProfileApplyTest, ReadingWithoutHardwareLeavesTheResetValues) {
    profile_.TunerChannel = 5;
    profile_.Crossbar1Routing[0] = 3;
    profile_.ProcAmpValue[0] = 8;
    profile_.InputMixLevel[0] = 0.5;
    profile_.AudioCaptureFormat.assign(18, 1);
    profile_.AudioCaptureFormatLength = 18;
    profile_.VideoFormats[VideoCapturePin].BitRate = 100;
    profile_.TVAudioMode = 2;
    profile_.MixerVolume = 10;
    profile_.VideoDeviceMoniker = "@device:virtual:kept";
    engine_->ReadDeviceProfile(&profile_);
    EXPECT_EQ(profile_.TunerChannel, 0u);
    EXPECT_EQ(profile_.Crossbar1Routing[0], 0u);
    EXPECT_EQ(profile_.ProcAmpValue[0], 0u);
    EXPECT_EQ(profile_.InputMixLevel[0], 0.0);
    EXPECT_TRUE(profile_.AudioCaptureFormat.empty());
    EXPECT_EQ(profile_.AudioCaptureFormatLength, 0u);
    EXPECT_EQ(profile_.VideoFormats[VideoCapturePin], VideoStreamFormat{});
    EXPECT_EQ(profile_.TVAudioMode, 0u);
    EXPECT_EQ(profile_.MixerVolume, 50u);
    EXPECT_EQ(profile_.VideoDeviceMoniker, "@device:virtual:kept");  // no device to name
}

// ---- The input mixer ----

TEST_F(DeviceProfileApplyTest, SixtyInputPinsHaveOnlyTheFirstFiftySet) {
    ComPtr<MultiInputAudioFilter> filter = MakeComObject<MultiInputAudioFilter>(60);
    engine_->Session().AudioCapturePin = ComPtr<IPin>(static_cast<IPin*>(filter->output));
    for (std::size_t i = 0; i < kAudioInputPins; ++i) {
        profile_.InputMixLevel[i] = static_cast<double>(i) / 100.0;
        profile_.InputPan[i] = -0.5;
        profile_.InputBass[i] = 3.0;
        profile_.InputTreble[i] = -3.0;
        profile_.InputEnable[i] = TRUE;
        profile_.InputMono[i] = TRUE;
        profile_.InputLoudness[i] = TRUE;
    }
    engine_->ApplyDeviceProfile(&profile_);
    for (std::size_t i = 0; i < 60; ++i) {
        media::AudioInputPin* pin = filter->inputs[i];
        double level = -2, pan = -2, bass = -2, treble = -2;
        BOOL enable = 2, mono = 2, loudness = 2;
        pin->get_MixLevel(&level), pin->get_Pan(&pan), pin->get_Bass(&bass), pin->get_Treble(&treble);
        pin->get_Enable(&enable), pin->get_Mono(&mono), pin->get_Loudness(&loudness);
        const bool set = i < kAudioInputPins;
        EXPECT_EQ(level, set ? static_cast<double>(i) / 100.0 : 1.0) << "pin " << i;
        EXPECT_EQ(pan, set ? -0.5 : 0.0) << "pin " << i;
        EXPECT_EQ(bass, set ? 3.0 : 0.0) << "pin " << i;
        EXPECT_EQ(treble, set ? -3.0 : 0.0) << "pin " << i;
        EXPECT_EQ(enable, TRUE) << "pin " << i;
        EXPECT_EQ(mono, set ? TRUE : FALSE) << "pin " << i;
        EXPECT_EQ(loudness, set ? TRUE : FALSE) << "pin " << i;
    }

    // Reading takes the fifty back.
    CDeviceProfile read;
    engine_->ReadDeviceProfile(&read);
    EXPECT_EQ(read.InputMixLevel, profile_.InputMixLevel);
    EXPECT_EQ(read.InputPan, profile_.InputPan);
    EXPECT_EQ(read.InputMono, profile_.InputMono);
    engine_->Session().AudioCapturePin = nullptr;
}

TEST_F(DeviceProfileApplyTest, InputValuesAPinRefusesFailAlone) {
    ComPtr<MultiInputAudioFilter> filter = MakeComObject<MultiInputAudioFilter>(2);
    engine_->Session().AudioCapturePin = ComPtr<IPin>(static_cast<IPin*>(filter->output));
    profile_.InputMixLevel[0] = 7.0;  // out of range
    profile_.InputPan[0] = 0.25;
    profile_.InputMixLevel[1] = 0.5;
    const CDeviceProfile before = profile_;
    engine_->ApplyDeviceProfile(&profile_);
    double level = 0, pan = 0;
    filter->inputs[0]->get_MixLevel(&level);
    filter->inputs[0]->get_Pan(&pan);
    EXPECT_EQ(level, 1.0);
    EXPECT_EQ(pan, 0.25);
    filter->inputs[1]->get_MixLevel(&level);
    EXPECT_EQ(level, 0.5);
    EXPECT_THAT(bar_.lines, IsEmpty());
    EXPECT_EQ(profile_, before);
    engine_->Session().AudioCapturePin = nullptr;
}

// ---- The channel profile ----

TEST_F(DeviceProfileApplyTest, ChannelProfileIsTheFirstWhoseNameMatchesExactly) {
    CProfileStore& store = engine_->Store();
    for (const char* name : {"Tokyo", "tokyo", "Osaka", "tokyo"}) {
        auto channel = std::make_unique<CChannelProfile>();
        channel->Name = name;
        store.ChannelProfiles.push_back(std::move(channel));
    }
    store.CurrentChannel = store.ChannelProfiles[2].get();
    engine_->SelectChannelProfile();
    EXPECT_EQ(store.CurrentChannel, nullptr);  // no device profile

    auto device = std::make_unique<CDeviceProfile>();
    device->ChannelProfileName = "tokyo";
    store.CurrentDevice = device.get();
    store.DeviceProfiles.push_back(std::move(device));
    engine_->SelectChannelProfile();
    EXPECT_EQ(store.CurrentChannel, store.ChannelProfiles[1].get());

    store.CurrentDevice->ChannelProfileName = "TOKYO";
    engine_->SelectChannelProfile();
    EXPECT_EQ(store.CurrentChannel, nullptr);
}

}  // namespace
}  // namespace engine_test
