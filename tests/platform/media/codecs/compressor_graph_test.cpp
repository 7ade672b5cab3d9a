// Every compressor in a running graph on the virtual TV card: card -> compressor -> Null
// Renderer, with the encoded buffers counted where they leave the compressor.
#include <gtest/gtest.h>

#include "platform/com/wide_text.h"
#include "platform/media/compressed_caps.h"
#include "platform/media/interfaces/compression.h"
#include "platform/media/interfaces/stream_config.h"
#include "tests/platform/media/codecs/codec_fixture.h"

namespace media::test {
namespace {

struct CompressorCase {
    const char* element;
    const char16_t* source;  // the virtual device feeding it
    const char* capsName;    // of the encoded buffers
    GUID subtype;            // of the output connection
};

class CompressorGraphTest : public CodecGraphTest, public ::testing::WithParamInterface<CompressorCase> {};

TEST_P(CompressorGraphTest, EncodesTheCardsStream) {
    const CompressorCase& c = GetParam();
    auto source = AddBound(c.source);
    auto compressor = AddBound(u"@device:cm:" + Utf8ToWide(c.element));
    auto renderer = AddNullRenderer();
    ASSERT_TRUE(source && compressor && renderer);
    ASSERT_EQ(S_OK, graph->Connect(PinNamed(source.Get(), u"Capture").Get(), FirstPin(compressor.Get(), PINDIR_INPUT).Get()));
    auto output = FirstPin(compressor.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(S_OK, graph->Connect(output.Get(), FirstPin(renderer.Get(), PINDIR_INPUT).Get()));
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(S_OK, output->ConnectionMediaType(&type));
    EXPECT_EQ(GuidToString(c.subtype), GuidToString(type.subtype));
    FreeMediaType(type);

    BufferCounter counter(output.Get());
    std::string error;
    EXPECT_TRUE(RunUntil([&] { return counter.Buffers() >= 5; }, 8000, &error)) << error;
    EXPECT_EQ(c.capsName, counter.CapsName());
    EXPECT_EQ(0, counter.BuffersWithoutTime()) << "every encoded frame keeps its time";
}

INSTANTIATE_TEST_SUITE_P(
    Video, CompressorGraphTest,
    ::testing::Values(CompressorCase{"x264enc", u"@device:virtual:tv-card", "video/x-h264", FourccSubtype(MakeFourcc('H', '2', '6', '4'))},
                      CompressorCase{"jpegenc", u"@device:virtual:tv-card", "image/jpeg", MEDIASUBTYPE_MJPG}),
    [](const auto& param) { return std::string(param.param.element); });

// The libav encoders lose their frames' times on the way through; the compressor puts them back.
INSTANTIATE_TEST_SUITE_P(
    LibavVideo, CompressorGraphTest,
    ::testing::Values(CompressorCase{"avenc_mpeg4", u"@device:virtual:tv-card", "video/mpeg", FourccSubtype(MakeFourcc('F', 'M', 'P', '4'))},
                      CompressorCase{"avenc_huffyuv", u"@device:virtual:tv-card", "video/x-huffyuv", FourccSubtype(MakeFourcc('H', 'F', 'Y', 'U'))},
                      CompressorCase{"avenc_ffvhuff", u"@device:virtual:tv-card", "video/x-gst-av-ffvhuff", FourccSubtype(MakeFourcc('F', 'F', 'V', 'H'))},
                      CompressorCase{"avenc_ffv1", u"@device:virtual:tv-card", "video/x-ffv", FourccSubtype(MakeFourcc('F', 'F', 'V', '1'))},
                      CompressorCase{"avenc_dvvideo", u"@device:virtual:tv-card", "video/x-dv", MEDIASUBTYPE_dvsd}),
    [](const auto& param) { return std::string(param.param.element); });

INSTANTIATE_TEST_SUITE_P(
    Audio, CompressorGraphTest,
    ::testing::Values(CompressorCase{"lamemp3enc", u"@device:virtual:tv-card-audio", "audio/mpeg", FourccSubtype(WAVE_FORMAT_MPEGLAYER3)},
                      CompressorCase{"avenc_ac3", u"@device:virtual:tv-card-audio", "audio/x-ac3", FourccSubtype(WAVE_FORMAT_DOLBY_AC3)},
                      CompressorCase{"twolamemp2enc", u"@device:virtual:tv-card-audio", "audio/mpeg", FourccSubtype(WAVE_FORMAT_MPEG)},
                      CompressorCase{"avenc_mp2", u"@device:virtual:tv-card-audio", "audio/mpeg", FourccSubtype(WAVE_FORMAT_MPEG)},
                      CompressorCase{"avenc_adpcm_ima_wav", u"@device:virtual:tv-card-audio", "audio/x-adpcm", FourccSubtype(WAVE_FORMAT_IMA_ADPCM)},
                      CompressorCase{"avenc_adpcm_ms", u"@device:virtual:tv-card-audio", "audio/x-adpcm", FourccSubtype(WAVE_FORMAT_ADPCM)},
                      CompressorCase{"alawenc", u"@device:virtual:tv-card-audio", "audio/x-alaw", FourccSubtype(WAVE_FORMAT_ALAW)},
                      CompressorCase{"mulawenc", u"@device:virtual:tv-card-audio", "audio/x-mulaw", FourccSubtype(WAVE_FORMAT_MULAW)}),
    [](const auto& param) { return std::string(param.param.element); });

// The frame size follows the card's, and a bit rate set through the output format drives the
// encoder and is reported back.
TEST_F(CodecGraphTest, VideoFormatFollowsTheInputAndCarriesTheBitRate) {
    auto source = AddBound(u"@device:virtual:tv-card");
    auto compressor = AddBound(u"@device:cm:x264enc");
    ASSERT_TRUE(source && compressor);
    auto output = FirstPin(compressor.Get(), PINDIR_OUTPUT);
    auto config = As<IAMStreamConfig>(output.Get());
    ASSERT_TRUE(config);
    AM_MEDIA_TYPE* format = nullptr;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, config->GetFormat(&format));
    ASSERT_EQ(S_OK, graph->Connect(PinNamed(source.Get(), u"Capture").Get(), FirstPin(compressor.Get(), PINDIR_INPUT).Get()));
    AM_MEDIA_TYPE input{};
    ASSERT_EQ(S_OK, PinNamed(source.Get(), u"Capture")->ConnectionMediaType(&input));
    const auto* card = reinterpret_cast<const VIDEOINFOHEADER*>(input.pbFormat);
    ASSERT_EQ(S_OK, config->GetFormat(&format));
    ASSERT_EQ(FORMAT_VideoInfo, format->formattype);
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(format->pbFormat);
    EXPECT_EQ(card->bmiHeader.biWidth, vih->bmiHeader.biWidth);
    EXPECT_EQ(card->bmiHeader.biHeight, vih->bmiHeader.biHeight);
    EXPECT_EQ(card->AvgTimePerFrame, vih->AvgTimePerFrame);
    FreeMediaType(input);
    EXPECT_EQ(MakeFourcc('H', '2', '6', '4'), vih->bmiHeader.biCompression);
    EXPECT_EQ(2048000u, vih->dwBitRate);  // the encoder's default
    vih->dwBitRate = 819200;
    ASSERT_EQ(S_OK, config->SetFormat(format));
    DeleteMediaType(format);
    ASSERT_EQ(S_OK, config->GetFormat(&format));
    EXPECT_EQ(819000u, reinterpret_cast<VIDEOINFOHEADER*>(format->pbFormat)->dwBitRate);  // whole kbit/s
    DeleteMediaType(format);

    AM_MEDIA_TYPE audio{};
    audio.majortype = MEDIATYPE_Audio;
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(&audio));
    EXPECT_EQ(E_POINTER, config->SetFormat(nullptr));
}

TEST_F(CodecGraphTest, AnAudioCompressorListsTheFormatsItProducesAndTakesOne) {
    auto source = AddBound(u"@device:virtual:tv-card-audio");
    auto compressor = AddBound(u"@device:cm:lamemp3enc");
    auto renderer = AddNullRenderer();
    ASSERT_TRUE(source && compressor && renderer);
    auto output = FirstPin(compressor.Get(), PINDIR_OUTPUT);
    auto config = As<IAMStreamConfig>(output.Get());
    ASSERT_TRUE(config);
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(static_cast<int>(sizeof(AUDIO_STREAM_CONFIG_CAPS)), size);
    ASSERT_GT(count, 10);
    int chosen = -1;
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        AUDIO_STREAM_CONFIG_CAPS caps{};
        ASSERT_EQ(S_OK, config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps)));
        ASSERT_EQ(FORMAT_WaveFormatEx, type->formattype);
        const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
        EXPECT_EQ(WAVE_FORMAT_MPEGLAYER3, wfx->wFormatTag);
        EXPECT_EQ(12, wfx->cbSize);
        EXPECT_EQ(caps.MaximumSampleFrequency, wfx->nSamplesPerSec);
        if (wfx->nSamplesPerSec == 22050 && wfx->nChannels == 1 && wfx->nAvgBytesPerSec == 64000 / 8) chosen = i;
        DeleteMediaType(type);
    }
    AM_MEDIA_TYPE* beyond = nullptr;
    BYTE caps[sizeof(AUDIO_STREAM_CONFIG_CAPS)];
    EXPECT_EQ(S_FALSE, config->GetStreamCaps(count, &beyond, caps));
    ASSERT_GE(chosen, 0);
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(S_OK, config->GetStreamCaps(chosen, &type, caps));
    ASSERT_EQ(S_OK, graph->Connect(PinNamed(source.Get(), u"Capture").Get(), FirstPin(compressor.Get(), PINDIR_INPUT).Get()));
    ASSERT_EQ(S_OK, config->SetFormat(type));
    DeleteMediaType(type);
    ASSERT_EQ(S_OK, graph->Connect(output.Get(), FirstPin(renderer.Get(), PINDIR_INPUT).Get()));
    BufferCounter counter(output.Get());
    std::string error;
    EXPECT_TRUE(RunUntil([&] { return counter.Buffers() >= 5; }, 8000, &error)) << error;
    GstCaps* produced = counter.Caps();
    ASSERT_TRUE(produced);
    int rate = 0, channels = 0;
    gst_structure_get_int(gst_caps_get_structure(produced, 0), "rate", &rate);
    gst_structure_get_int(gst_caps_get_structure(produced, 0), "channels", &channels);
    gst_caps_unref(produced);
    EXPECT_EQ(22050, rate);
    EXPECT_EQ(1, channels);

    // A format the codec does not offer is refused.
    WAVEFORMATEX odd{};
    odd.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    odd.nChannels = 2;
    odd.nSamplesPerSec = 12345;
    AM_MEDIA_TYPE bad{};
    ASSERT_EQ(S_OK, CreateAudioMediaType(&odd, &bad, TRUE));
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(&bad));
    FreeMediaType(bad);
}

}  // namespace
}  // namespace media::test
