// Compressors found, bound and configured from a compressor profile, and filter chains put on
// the capture streams, on the virtual TV card and the platform's codecs and effects.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/friendly_name.h"
#include "common/object_state.h"
#include "platform/media/compressed_caps.h"
#include "platform/media/format_blocks.h"
#include "platform/media/gst.h"
#include "platform/media/interfaces/compression.h"
#include "platform/media/interfaces/element_settings.h"
#include "platform/media/media_types.h"
#include "tests/engine/recording_engine_fixture.h"

namespace {

constexpr const char* kX264 = "H.264 (x264)";

class CompressorTest : public RecordingEngineTest {
protected:
    void SetUp() override {
        RecordingEngineTest::SetUp();
        CDeviceProfile device;
        OpenSession(&device);
    }
    ComPtr<IPin> CompressorOutput() {
        ComPtr<IPin> out;
        Session().CaptureBuilder->FindPin(Session().VideoCompressor.Get(), PINDIR_OUTPUT, nullptr, nullptr, FALSE, 0,
                                          out.ReleaseAndGetAddressOf());
        return out;
    }
    ComPtr<IAMVideoCompression> Compression() {
        ComPtr<IAMVideoCompression> compression;
        if (ComPtr<IPin> out = CompressorOutput()) out.As(&compression);
        return compression;
    }
};

TEST_F(CompressorTest, FriendlyNameAloneMatchesTheFirstCompressorOfThatName) {
    CCompressorProfile profile;
    profile.VideoCompressorName = kX264;
    profile.AudioCompressorName = "MP3 (LAME)";
    ASSERT_EQ(engine_->BindCompressors(&profile), S_OK) << LastReport();
    std::string friendly;
    ASSERT_EQ(GetFriendlyName(Session().VideoCompressorEntry.Get(), &friendly), S_OK);
    EXPECT_EQ(friendly, kX264);
    EXPECT_TRUE(Session().VideoCompressor);
    EXPECT_TRUE(Session().AudioCompressor);
    EXPECT_TRUE(bar_.lines.empty());
}

TEST_F(CompressorTest, DisplayNameMustAgreeWithTheFriendlyName) {
    CCompressorProfile profile;
    profile.VideoCompressorName = kX264;
    profile.VideoCompressorMoniker = "@device:cm:avenc_mpeg4";  // another codec's entry
    EXPECT_EQ(engine_->BindCompressors(&profile), E_FAIL);
    EXPECT_TRUE(bar_.HasLabel("NotFound VideoCompressor"));
    EXPECT_FALSE(Session().VideoCompressor);
    profile.VideoCompressorMoniker = "@device:cm:x264enc";
    EXPECT_EQ(engine_->BindCompressors(&profile), S_OK);
    EXPECT_TRUE(Session().VideoCompressor);
}

TEST_F(CompressorTest, SameEntryKeepsItsFilterUnlessDiscardedEveryTime) {
    CCompressorProfile profile;
    profile.VideoCompressorName = kX264;
    ASSERT_EQ(engine_->BindCompressors(&profile), S_OK);
    IBaseFilter* first = Session().VideoCompressor.Get();
    ASSERT_EQ(engine_->BindCompressors(&profile), S_OK);
    EXPECT_EQ(Session().VideoCompressor.Get(), first);
    ComPtr<IBaseFilter> keep = Session().VideoCompressor;  // so a new object cannot reuse the address
    profile.DiscardVideoEveryTime = 1;
    ASSERT_EQ(engine_->BindCompressors(&profile), S_OK);
    EXPECT_NE(Session().VideoCompressor.Get(), first);
}

TEST_F(CompressorTest, SettingsTheProfileLeavesOpenGoBackToTheCodecsDefaults) {
    CCompressorProfile profile;
    profile.VideoCompressorName = kX264;
    ASSERT_EQ(engine_->BindCompressors(&profile), S_OK);
    ComPtr<IAMVideoCompression> compression = Compression();
    ASSERT_TRUE(compression);
    double defaultQuality = 0;
    ASSERT_EQ(compression->get_Quality(&defaultQuality), S_OK);
    ASSERT_EQ(compression->put_Quality(0.9), S_OK);
    profile.SetKeyFrameRate = 1;
    profile.KeyFrameRate = 45;
    engine_->ApplyCompressionSettings(nullptr, &profile, 2);
    double quality = 0;
    ASSERT_EQ(compression->get_Quality(&quality), S_OK);
    EXPECT_DOUBLE_EQ(quality, defaultQuality);
    LONG keyFrames = 0;
    ASSERT_EQ(compression->get_KeyFrameRate(&keyFrames), S_OK);
    EXPECT_EQ(keyFrames, 45);
    EXPECT_TRUE(bar_.lines.empty()) << LastReport();
}

TEST_F(CompressorTest, DataRateGoesIntoTheConnectedOutputFormat) {
    CCompressorProfile profile;
    profile.VideoCompressorName = kX264;
    profile.SetDataRate = 1;
    profile.DataRate = 2'000'000;
    CDeviceProfile device;
    device.CaptureVideoMode = 3;
    ASSERT_EQ(engine_->BindCompressors(&profile), S_OK);
    ASSERT_EQ(engine_->BuildCaptureGraph(&device, &profile, nullptr, nullptr), S_OK) << LastReport();
    EXPECT_TRUE(bar_.lines.empty()) << LastReport();
    ComPtr<IAMStreamConfig> config;
    ASSERT_EQ(CompressorOutput().As(&config), S_OK);
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(config->GetFormat(&type), S_OK);
    ASSERT_EQ(type->formattype, FORMAT_VideoInfo);
    EXPECT_EQ(reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->dwBitRate, 2'000'000u);
    DeleteMediaType(type);
}

TEST_F(CompressorTest, NoCompressorToConfigureIsReported) {
    CCompressorProfile profile;
    profile.SetQuality = 1;
    engine_->ApplyCompressionSettings(nullptr, &profile, 2);
    EXPECT_TRUE(bar_.HasLabel("FindPin VideoCompressor OutputPin"));
}

TEST_F(CompressorTest, SavedFilterStateIsRestoredOnBinding) {
    CCompressorProfile profile;
    profile.VideoCompressorName = kX264;
    ASSERT_EQ(engine_->BindCompressors(&profile), S_OK);
    ASSERT_EQ(Compression()->put_KeyFrameRate(77), S_OK);
    ASSERT_EQ(SaveObjectState(Session().VideoCompressor.Get(), &profile.VideoFilterState), S_OK);
    ASSERT_FALSE(profile.VideoFilterState.empty());
    profile.DiscardVideoEveryTime = 1;
    ASSERT_EQ(engine_->BindCompressors(&profile), S_OK);
    LONG keyFrames = 0;
    ASSERT_EQ(Compression()->get_KeyFrameRate(&keyFrames), S_OK);
    EXPECT_EQ(keyFrames, 77);
}

TEST_F(CompressorTest, FilterStateNeedsAFilter) {
    const BYTE data[] = {1, 2, 3};
    EXPECT_EQ(CCaptureEngine::LoadFilterState(nullptr, data, sizeof data), E_POINTER);
}

TEST_F(CompressorTest, AudioFormatBlockTooShortForWhatItAnnouncesIsRefused) {
    CCompressorProfile profile;
    profile.AudioCompressorName = "MP3 (LAME)";
    ASSERT_EQ(engine_->BindCompressors(&profile), S_OK);
    WAVEFORMATEX header{};
    header.wFormatTag = media::WAVE_FORMAT_MPEGLAYER3;
    header.nChannels = 2;
    header.nSamplesPerSec = 48000;
    header.cbSize = 12;  // announces twelve extra bytes that are not there
    profile.AudioOutputFormat.assign(reinterpret_cast<BYTE*>(&header), reinterpret_cast<BYTE*>(&header) + sizeof header);
    engine_->ApplyAudioFormat(&profile);
    EXPECT_TRUE(bar_.HasLabel("AudioCompressor CreateAudioMediaType")) << LastReport();
}

TEST_F(CompressorTest, StoredAudioFormatIsSetOnTheCompressor) {
    CCompressorProfile profile;
    profile.AudioCompressorName = "MP3 (LAME)";
    ASSERT_EQ(engine_->BindCompressors(&profile), S_OK);
    ComPtr<IPin> out;
    ASSERT_EQ(Session().CaptureBuilder->FindPin(Session().AudioCompressor.Get(), PINDIR_OUTPUT, nullptr, nullptr, FALSE, 0,
                                                out.ReleaseAndGetAddressOf()),
              S_OK);
    ComPtr<IAMStreamConfig> config;
    ASSERT_EQ(out.As(&config), S_OK);
    int count = 0, size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    ASSERT_GT(count, 1);
    AM_MEDIA_TYPE* wanted = nullptr;
    std::vector<BYTE> caps(static_cast<std::size_t>(size));
    ASSERT_EQ(config->GetStreamCaps(count - 1, &wanted, caps.data()), S_OK);
    profile.AudioOutputFormat.assign(wanted->pbFormat, wanted->pbFormat + wanted->cbFormat);
    engine_->ApplyAudioFormat(&profile);
    EXPECT_TRUE(bar_.lines.empty()) << LastReport();
    AM_MEDIA_TYPE* now = nullptr;
    ASSERT_EQ(config->GetFormat(&now), S_OK);
    EXPECT_TRUE(MediaTypesEqual(*now, *wanted));
    DeleteMediaType(now);
    DeleteMediaType(wanted);
}

// ---- Filter chains ----

class FilterChainTest : public RecordingEngineTest {
protected:
    // Fixes the capture pin's format to the first one it offers with this subtype.
    bool UseCaptureSubtype(const GUID& subtype) {
        IAMStreamConfig* config = Session().CapturePinConfig.Get();
        int count = 0, size = 0;
        if (!config || FAILED(config->GetNumberOfCapabilities(&count, &size))) return false;
        std::vector<BYTE> caps(static_cast<std::size_t>(size));
        for (int i = 0; i < count; ++i) {
            AM_MEDIA_TYPE* type = nullptr;
            if (FAILED(config->GetStreamCaps(i, &type, caps.data()))) continue;
            const bool wanted = type->subtype == subtype && SUCCEEDED(config->SetFormat(type));
            DeleteMediaType(type);
            if (wanted) return true;
        }
        return false;
    }
};

// The element behind a platform effect filter.
GstElement* EffectElement(IBaseFilter* filter) {
    ComPtr<IElementSettings> settings;
    if (FAILED(filter->QueryInterface(IID_IElementSettings, settings.ReleaseAndGetVoidAddress()))) return nullptr;
    return settings->GetSettingsElement();
}

TEST_F(FilterChainTest, ConversionJoinsWhereTheFirstFilterCannotTakeTheCaptureFormat) {
    CDeviceProfile device;
    device.CaptureVideoFilterName = "denoise";
    AddChain("denoise", {"Median Denoise", "Flip and Rotate"}, true);
    OpenSession(&device);
    // The card captures packed YUY2; the denoiser takes planar pictures only.
    ASSERT_TRUE(UseCaptureSubtype(MEDIASUBTYPE_YUY2));
    const int capturing = FilterCount();
    ASSERT_EQ(engine_->BuildChainGraph(&device), S_OK) << LastReport();
    // The conversion lies in the link between the capture pin and the denoiser: the two ends
    // of that connection carry different formats, and only the chain's filters were added.
    ComPtr<IPin> denoiserInput;
    ASSERT_EQ(Session().VideoCapturePin->ConnectedTo(denoiserInput.ReleaseAndGetAddressOf()), S_OK);
    AM_MEDIA_TYPE captured{}, denoised{};
    ASSERT_EQ(Session().VideoCapturePin->ConnectionMediaType(&captured), S_OK);
    ASSERT_EQ(denoiserInput->ConnectionMediaType(&denoised), S_OK);
    EXPECT_EQ(captured.subtype, MEDIASUBTYPE_YUY2);
    EXPECT_NE(denoised.subtype, MEDIASUBTYPE_YUY2);
    FreeMediaType(captured);
    FreeMediaType(denoised);
    EXPECT_EQ(FilterCount(), capturing + 2);
    EXPECT_TRUE(Session().VideoCaptureOut);
    EXPECT_FALSE(Connected(Session().VideoCaptureOut.Get())) << "the chain's last output is left free";
    EXPECT_FALSE(Session().Sink);
    engine_->TearDownGraph();
    EXPECT_EQ(FilterCount(), capturing);
}

TEST_F(FilterChainTest, NodeStateIsRestoredInTheInsertedFilter) {
    // The state of a Picture Controls filter with its saturation turned down.
    CFilterProfile* chain = nullptr;
    {
        CDeviceProfile probe;
        OpenSession(&probe);
        ComPtr<IBaseFilter> filter;
        for (const auto& moniker : engine_->Catalog().List(LegacyFilters)) {
            std::string name;
            if (SUCCEEDED(GetFriendlyName(moniker.Get(), &name)) && name == "Picture Controls")
                moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress());
        }
        ASSERT_TRUE(filter);
        GstElement* element = EffectElement(filter.Get());
        ASSERT_TRUE(element);
        g_object_set(element, "saturation", 0.25, nullptr);
        chain = AddChain("grey", {"Picture Controls"}, true);
        ASSERT_EQ(SaveObjectState(filter.Get(), &chain->Nodes[0].FilterState), S_OK);
        ASSERT_FALSE(chain->Nodes[0].FilterState.empty());
        engine_->DestroyGraphSession();
    }
    CDeviceProfile device;
    device.CaptureVideoFilterName = "grey";
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildChainGraph(&device), S_OK) << LastReport();
    ComPtr<IPin> input;
    ASSERT_EQ(Session().VideoCaptureOut->ConnectedTo(input.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
    // The inserted filter is the one whose output is the chain's end.
    PIN_INFO info{};
    ASSERT_EQ(Session().VideoCaptureOut->QueryPinInfo(&info), S_OK);
    ComPtr<IBaseFilter> inserted = ComPtr<IBaseFilter>::Attach(info.pFilter);
    GstElement* element = EffectElement(inserted.Get());
    ASSERT_TRUE(element);
    double saturation = 0;
    g_object_get(element, "saturation", &saturation, nullptr);
    EXPECT_DOUBLE_EQ(saturation, 0.25);
}

TEST_F(FilterChainTest, ChainOnAMissingPinIsReported) {
    CDeviceProfile device;
    OpenSession(&device);
    CFilterProfile* chain = AddChain("any", {"Amplify"}, false);
    ComPtr<IPin> none;
    EXPECT_EQ(engine_->InsertFilterChain(none, chain, FALSE), E_FAIL);
    EXPECT_TRUE(bar_.HasLabel("NotFound AudioFilter OutputPin"));
}

TEST_F(FilterChainTest, ChainGraphNeedsItsProfiles) {
    CDeviceProfile device;
    device.CaptureVideoFilterName = "nothing";
    OpenSession(&device);
    EXPECT_EQ(engine_->BuildChainGraph(&device), E_FAIL);
    EXPECT_TRUE(bar_.HasLabel("NotFound VideoFilterProfile"));
}

TEST_F(FilterChainTest, PreviewTakesItsChainFromTheProfile) {
    CDeviceProfile device;
    device.PreviewVideoMode = 1;
    device.PreviewVideoFilterName = "flip";
    AddChain("flip", {"Flip and Rotate"}, true);
    OpenSession(&device);
    ASSERT_EQ(engine_->BuildPreviewGraph(&device, nullptr, nullptr, FALSE), S_OK) << LastReport();
    EXPECT_TRUE(Connected(Session().VideoCapturePin.Get())) << "the chain takes the capture stream";
}

}  // namespace
