// Device profiles applied to and read from the virtual TV card: formats, the standing
// preview, the round trip, and settings the card refuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/capture_engine.h"
#include "engine/owned_media_type.h"
#include "engine/video_format_fields.h"
#include "platform/com/com_runtime.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/interfaces/audio_input_mixer.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/grabber.h"
#include "platform/system/profile_directory.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/temp_environment.h"

namespace {

using ::testing::IsEmpty;

OwnedMediaType CurrentFormat(IAMStreamConfig* config) {
    AM_MEDIA_TYPE* type = nullptr;
    if (!config || FAILED(config->GetFormat(&type))) return nullptr;
    return OwnedMediaType(type);
}

VIDEOINFOHEADER VideoInfo(const AM_MEDIA_TYPE& type) {
    VIDEOINFOHEADER header{};
    if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof header) std::memcpy(&header, type.pbFormat, sizeof header);
    return header;
}

// The first capability of `config` with this subtype, width and the current frame time.
OwnedMediaType Capability(IAMStreamConfig* config, REFGUID subtype, LONG width) {
    const OwnedMediaType current = CurrentFormat(config);
    int count = 0, size = 0;
    config->GetNumberOfCapabilities(&count, &size);
    std::vector<BYTE> caps(static_cast<std::size_t>(size));
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* raw = nullptr;
        if (FAILED(config->GetStreamCaps(i, &raw, caps.data()))) continue;
        OwnedMediaType type(raw);
        const VIDEOINFOHEADER header = VideoInfo(*type);
        if (type->subtype == subtype && header.bmiHeader.biWidth == width &&
            header.AvgTimePerFrame == VideoInfo(*current).AvgTimePerFrame)
            return type;
    }
    return nullptr;
}

WAVEFORMATEX WaveFormat(const AM_MEDIA_TYPE& type) {
    WAVEFORMATEX format{};
    if (type.cbFormat >= sizeof format) std::memcpy(&format, type.pbFormat, sizeof format);
    return format;
}

std::vector<BYTE> WaveBlock(DWORD rate, WORD channels) {
    WAVEFORMATEX format{WAVE_FORMAT_PCM, channels, rate, rate * channels * 2u, static_cast<WORD>(channels * 2), 16, 0};
    std::vector<BYTE> block(sizeof format);
    std::memcpy(block.data(), &format, sizeof format);
    return block;
}

class DeviceProfileCardTest : public testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        engine_ = std::make_unique<CCaptureEngine>(ResolveProfileDirectory(), nullptr);
        engine_->SetWindows(windows_.pane.handle, windows_.frame.handle);
        engine_->SetMessageBar(&bar_);
        engine_->SelectCaptureDevices(nullptr);
        ASSERT_EQ(engine_->CreateGraphSession(nullptr), S_OK);
        ASSERT_TRUE(S().TvTuner) << "the virtual TV card is not the first video device";
        ASSERT_TRUE(S().AudioCapturePin) << "the virtual TV card's sound is not the first audio device";
        profile_.PreviewVideoMode = 1;
        profile_.ApplyPriority = kDefaultApplyPriority;
    }
    void TearDown() override {
        engine_.reset();
        CoUninitialize();
    }
    GraphSession& S() { return engine_->Session(); }
    void StartPreview() {
        ASSERT_EQ(engine_->BuildPreviewGraph(&profile_, nullptr, nullptr, FALSE), S_OK)
            << (bar_.lines.empty() ? "" : bar_.lines.back());
        ASSERT_EQ(engine_->RunPreview(), S_OK);
    }
    LONG Channel() {
        LONG channel = 0, video = 0, audio = 0;
        S().TvTuner->get_Channel(&channel, &video, &audio);
        return channel;
    }
    ComPtr<IAMAudioInputMixer> LineIn() {
        PIN_INFO info{};
        S().AudioCapturePin->QueryPinInfo(&info);
        ComPtr<IBaseFilter> filter = ComPtr<IBaseFilter>::Attach(info.pFilter);
        ComPtr<IPin> pin;
        filter->FindPin(u"Line In", pin.ReleaseAndGetAddressOf());
        ComPtr<IAMAudioInputMixer> mixer;
        if (pin) pin->QueryInterface(IID_PPV_ARGS(mixer.ReleaseAndGetAddressOf()));
        return mixer;
    }

    TempEnvironment environment_;
    FakeFrame windows_;
    RecordingMessageBar bar_;
    std::unique_ptr<CCaptureEngine> engine_;
    CDeviceProfile profile_;
};

TEST_F(DeviceProfileCardTest, StoredFormatsEqualToTheCurrentOnesLeaveTheRunningPreviewAlone) {
    StartPreview();
    engine_->ReadDeviceProfile(&profile_);
    ASSERT_EQ(profile_.VideoFormats[VideoCapturePin].FormatType, FORMAT_VideoInfo);
    ASSERT_FALSE(profile_.AudioCaptureFormat.empty());
    const ComPtr<IPin> previewOut = S().VideoPreviewOut;
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_TRUE(S().PreviewGraphBuilt);
    EXPECT_TRUE(S().Previewing);
    EXPECT_EQ(S().VideoPreviewOut.Get(), previewOut.Get());
    EXPECT_THAT(bar_.lines, IsEmpty());
}

TEST_F(DeviceProfileCardTest, ChangedVideoFormatsTearTheGraphDownAndTakeEffect) {
    StartPreview();
    engine_->ReadDeviceProfile(&profile_);
    const OwnedMediaType small = Capability(S().CapturePinConfig.Get(), MEDIASUBTYPE_YUY2, 320);
    const OwnedMediaType i420 = Capability(S().PreviewPinConfig.Get(), MEDIASUBTYPE_I420, 352);
    ASSERT_TRUE(small && i420);
    profile_.VideoFormats[VideoCapturePin] = ReadVideoFormatFields(*small);
    // Another subtype: the pin's own capability of that subtype is taken, then sized.
    profile_.VideoFormats[VideoPreviewPin] = ReadVideoFormatFields(*i420);
    const CDeviceProfile stored = profile_;
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_FALSE(S().PreviewGraphBuilt);
    EXPECT_FALSE(S().Previewing);
    EXPECT_FALSE(S().VideoPreviewOut);
    EXPECT_EQ(VideoInfo(*CurrentFormat(S().CapturePinConfig.Get())).bmiHeader.biWidth, 320);
    const OwnedMediaType preview = CurrentFormat(S().PreviewPinConfig.Get());
    EXPECT_EQ(preview->subtype, MEDIASUBTYPE_I420);
    EXPECT_EQ(VideoInfo(*preview).bmiHeader.biWidth, 352);
    EXPECT_THAT(bar_.lines, IsEmpty());
    EXPECT_EQ(profile_, stored);
    // The caller builds the preview again, in the new formats.
    StartPreview();
    EXPECT_TRUE(S().Previewing);
}

TEST_F(DeviceProfileCardTest, ChangedAudioFormatIsSetThroughARendererThatDoesNotStay) {
    StartPreview();
    profile_.AudioCaptureFormat = WaveBlock(44100, 1);
    profile_.AudioCaptureFormatLength = static_cast<DWORD>(profile_.AudioCaptureFormat.size());
    engine_->ApplyDeviceProfile(&profile_);
    const WAVEFORMATEX now = WaveFormat(*CurrentFormat(S().AudioCapturePinConfig.Get()));
    EXPECT_EQ(now.nSamplesPerSec, 44100u);
    EXPECT_EQ(now.nChannels, 1);
    EXPECT_FALSE(S().PreviewGraphBuilt);
    EXPECT_EQ(FiltersOfClass(S().Graph.Get(), CLSID_NullRenderer), 0);
    ComPtr<IPin> peer;
    EXPECT_EQ(S().AudioCapturePin->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
}

TEST_F(DeviceProfileCardTest, DamagedStoredAudioFormatIsNotApplied) {
    StartPreview();
    const WAVEFORMATEX before = WaveFormat(*CurrentFormat(S().AudioCapturePinConfig.Get()));
    profile_.AudioCaptureFormat = WaveBlock(44100, 1);
    profile_.AudioCaptureFormat[16] = 200;  // cbSize: extra bytes the block does not have
    profile_.AudioPreviewFormat = {1, 0, 2};  // shorter than a WAVEFORMATEX
    engine_->ApplyDeviceProfile(&profile_);
    EXPECT_EQ(WaveFormat(*CurrentFormat(S().AudioCapturePinConfig.Get())).nSamplesPerSec, before.nSamplesPerSec);
    EXPECT_TRUE(S().Previewing);
}

TEST_F(DeviceProfileCardTest, ReadingThenApplyingPutsTheHardwareBack) {
    ASSERT_EQ(S().TvTuner->put_Channel(8, -1, -1), S_OK);
    ASSERT_EQ(S().TvAudio->put_TVAudioMode(AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_LANG_A), S_OK);
    ASSERT_EQ(S().VideoProcAmp->Set(VideoProcAmp_Brightness, 140, VideoProcAmp_Flags_Manual), S_OK);
    ComPtr<IAMAudioInputMixer> line = LineIn();
    ASSERT_TRUE(line);
    ASSERT_EQ(line->put_MixLevel(0.3), S_OK);
    CDeviceProfile read;
    read.ApplyPriority = kDefaultApplyPriority;
    engine_->ReadDeviceProfile(&read);
    EXPECT_EQ(read.TunerChannel, 8u);
    EXPECT_EQ(read.TVAudioMode, static_cast<DWORD>(AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_LANG_A));
    EXPECT_EQ(read.ProcAmpValue[VideoProcAmp_Brightness], 140u);
    EXPECT_EQ(read.InputMixLevel[1], 0.3);
    EXPECT_FALSE(read.VideoDeviceMoniker.empty());

    ASSERT_EQ(S().TvTuner->put_Channel(3, -1, -1), S_OK);
    ASSERT_EQ(S().TvAudio->put_TVAudioMode(AMTVAUDIO_MODE_STEREO | AMTVAUDIO_MODE_LANG_A), S_OK);
    ASSERT_EQ(S().VideoProcAmp->Set(VideoProcAmp_Brightness, 90, VideoProcAmp_Flags_Manual), S_OK);
    ASSERT_EQ(line->put_MixLevel(0.9), S_OK);
    engine_->ApplyDeviceProfile(&read);
    EXPECT_THAT(bar_.lines, IsEmpty());
    EXPECT_EQ(Channel(), 8);

    CDeviceProfile again;
    again.ApplyPriority = kDefaultApplyPriority;
    engine_->ReadDeviceProfile(&again);
    EXPECT_EQ(again, read);
}

TEST_F(DeviceProfileCardTest, ChannelOutsideTheTableFailsAloneAndIsReported) {
    engine_->ReadDeviceProfile(&profile_);
    const LONG before = Channel();
    profile_.TunerChannel = 9999;
    profile_.ProcAmpValue[VideoProcAmp_Brightness] = 150;
    const CDeviceProfile stored = profile_;
    engine_->ApplyDeviceProfile(&profile_);
    ASSERT_EQ(bar_.lines.size(), 1u) << testing::PrintToString(bar_.lines);
    EXPECT_TRUE(bar_.lines[0].ends_with(" - IAMTuner put_Channel"));
    EXPECT_EQ(Channel(), before);
    LONG value = 0, flags = 0;
    S().VideoProcAmp->Get(VideoProcAmp_Brightness, &value, &flags);
    EXPECT_EQ(value, 150);
    EXPECT_EQ(profile_, stored);
}

// The camcorder has none of the TV card's controls: a TV card's profile changes nothing there
// and reports nothing.
TEST_F(DeviceProfileCardTest, ProfileNamingControlsTheDeviceLacksChangesNothing) {
    engine_->ReadDeviceProfile(&profile_);
    profile_.TunerChannel = 9999;
    engine_->DestroyGraphSession();
    CDeviceProfile dv;
    const std::u16string name = media::kVirtualDvCamcorderName;
    dv.VideoDeviceMoniker = std::string(name.begin(), name.end());
    engine_->SelectCaptureDevices(&dv);
    ASSERT_EQ(engine_->CreateGraphSession(&dv), S_OK);
    ASSERT_FALSE(S().TvTuner);
    engine_->ApplyDeviceProfile(&profile_);
    engine_->ApplyTunerAndTvAudio(&profile_);
    EXPECT_THAT(bar_.lines, IsEmpty());
    EXPECT_EQ(CurrentFormat(S().CapturePinConfig.Get())->formattype, FORMAT_DvInfo);
}

}  // namespace
