// IAMStreamConfig and IAMBufferNegotiation on the virtual devices' pins.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/media/gst.h"

#include "platform/media/devices/virtual_devices.h"
#include "tests/platform/media/devices/device_fixture.h"
#include "platform/media/capture_constants.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/gst_filter.h"
#include "platform/media/interfaces/stream_config.h"

namespace media::test {
namespace {

struct TypeDeleter {
    void operator()(AM_MEDIA_TYPE* t) const { DeleteMediaType(t); }
};
using OwnedType = std::unique_ptr<AM_MEDIA_TYPE, TypeDeleter>;

const VIDEOINFOHEADER& Vih(const AM_MEDIA_TYPE& t) { return *reinterpret_cast<const VIDEOINFOHEADER*>(t.pbFormat); }

class StreamConfigTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        card_ = Bind(kVirtualTvCardName);
        ASSERT_TRUE(card_);
        capture_ = As<IAMStreamConfig>(PinNamed(card_.Get(), u"Capture").Get());
        preview_ = As<IAMStreamConfig>(PinNamed(card_.Get(), u"Preview").Get());
        ASSERT_TRUE(capture_ && preview_);
    }

    OwnedType Format(IAMStreamConfig* config) {
        AM_MEDIA_TYPE* t = nullptr;
        EXPECT_EQ(S_OK, config->GetFormat(&t));
        return OwnedType(t);
    }

    // The index of the capability with this subtype, size and frame duration, or -1.
    int FindCaps(IAMStreamConfig* config, const GUID& subtype, LONG w, LONG h, REFERENCE_TIME duration) {
        int count = 0, size = 0;
        config->GetNumberOfCapabilities(&count, &size);
        for (int i = 0; i < count; ++i) {
            AM_MEDIA_TYPE* t = nullptr;
            VIDEO_STREAM_CONFIG_CAPS caps{};
            if (config->GetStreamCaps(i, &t, reinterpret_cast<BYTE*>(&caps)) != S_OK) continue;
            OwnedType held(t);
            if (t->subtype == subtype && Vih(*t).bmiHeader.biWidth == w && Vih(*t).bmiHeader.biHeight == h &&
                Vih(*t).AvgTimePerFrame == duration)
                return i;
        }
        return -1;
    }

    ComPtr<IBaseFilter> card_;
    ComPtr<IAMStreamConfig> capture_, preview_;
};

TEST_F(StreamConfigTest, CapabilitiesListEveryFormatOfTheCardWithItsLimits) {
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, capture_->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(120, count);  // 4 encodings x 10 sizes x 3 rates
    EXPECT_EQ(static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)), size);

    AM_MEDIA_TYPE* first = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(S_OK, capture_->GetStreamCaps(0, &first, reinterpret_cast<BYTE*>(&caps)));
    OwnedType held(first);
    EXPECT_EQ(MEDIATYPE_Video, first->majortype);
    EXPECT_EQ(MEDIASUBTYPE_YUY2, first->subtype);
    EXPECT_EQ(FORMAT_VideoInfo, first->formattype);
    ASSERT_GE(first->cbFormat, sizeof(VIDEOINFOHEADER));
    EXPECT_EQ(640, Vih(*first).bmiHeader.biWidth);
    EXPECT_EQ(480, Vih(*first).bmiHeader.biHeight);
    EXPECT_EQ(333667, Vih(*first).AvgTimePerFrame);
    EXPECT_EQ(640u * 480u * 2u, first->lSampleSize);
    EXPECT_EQ(FORMAT_VideoInfo, caps.guid);
    EXPECT_EQ(static_cast<ULONG>(AnalogVideo_NTSC_M_J), caps.VideoStandard);
    EXPECT_EQ(640, caps.InputSize.cx);
    EXPECT_EQ(480, caps.MaxOutputSize.cy);
    EXPECT_EQ(333667, caps.MinFrameInterval);
    EXPECT_EQ(333667, caps.MaxFrameInterval);
    EXPECT_EQ(static_cast<LONG>(Vih(*first).dwBitRate), caps.MaxBitsPerSecond);

    EXPECT_GE(FindCaps(capture_.Get(), MEDIASUBTYPE_RGB24, 320, 240, 400000), 0);
    EXPECT_GE(FindCaps(capture_.Get(), MEDIASUBTYPE_I420, 1920, 1080, 333333), 0);
    EXPECT_GE(FindCaps(capture_.Get(), MEDIASUBTYPE_MJPG, 1280, 720, 333667), 0);

    AM_MEDIA_TYPE* none = reinterpret_cast<AM_MEDIA_TYPE*>(0x1);
    EXPECT_EQ(S_FALSE, capture_->GetStreamCaps(count, &none, reinterpret_cast<BYTE*>(&caps)));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(E_INVALIDARG, capture_->GetStreamCaps(-1, &none, reinterpret_cast<BYTE*>(&caps)));
    EXPECT_EQ(E_POINTER, capture_->GetStreamCaps(0, &none, nullptr));
}

TEST_F(StreamConfigTest, SetFormatTakesACapabilityAndGetFormatReportsIt) {
    const int index = FindCaps(capture_.Get(), MEDIASUBTYPE_RGB24, 320, 240, 400000);
    ASSERT_GE(index, 0);
    AM_MEDIA_TYPE* wanted = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(S_OK, capture_->GetStreamCaps(index, &wanted, reinterpret_cast<BYTE*>(&caps)));
    OwnedType held(wanted);
    ASSERT_EQ(S_OK, capture_->SetFormat(wanted));
    OwnedType now = Format(capture_.Get());
    ASSERT_TRUE(now);
    EXPECT_TRUE(MediaTypesEqual(*wanted, *now));
    // The preview follows the capture rate (25 fps) and keeps its size.
    OwnedType preview = Format(preview_.Get());
    EXPECT_EQ(400000, Vih(*preview).AvgTimePerFrame);
    EXPECT_EQ(640, Vih(*preview).bmiHeader.biWidth);
}

TEST_F(StreamConfigTest, AFormatTheCardCannotDoIsRefusedAndChangesNothing) {
    OwnedType before = Format(capture_.Get());
    AM_MEDIA_TYPE odd{};
    ASSERT_EQ(S_OK, CopyMediaType(&odd, before.get()));
    reinterpret_cast<VIDEOINFOHEADER*>(odd.pbFormat)->bmiHeader.biWidth = 123;
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, capture_->SetFormat(&odd));
    EXPECT_EQ(S_FALSE, PinNamed(card_.Get(), u"Capture")->QueryAccept(&odd));
    reinterpret_cast<VIDEOINFOHEADER*>(odd.pbFormat)->bmiHeader.biWidth = 640;
    reinterpret_cast<VIDEOINFOHEADER*>(odd.pbFormat)->AvgTimePerFrame = 666667;  // 15 fps
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, capture_->SetFormat(&odd));
    odd.subtype = MEDIASUBTYPE_NV12;
    reinterpret_cast<VIDEOINFOHEADER*>(odd.pbFormat)->AvgTimePerFrame = 333667;
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, capture_->SetFormat(&odd));
    odd.majortype = MEDIATYPE_Audio;
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, capture_->SetFormat(&odd));
    FreeMediaType(odd);
    EXPECT_EQ(E_POINTER, capture_->SetFormat(nullptr));
    OwnedType after = Format(capture_.Get());
    EXPECT_TRUE(MediaTypesEqual(*before, *after));
}

TEST_F(StreamConfigTest, ThePreviewRefusesARateOtherThanTheCaptures) {
    const int other = FindCaps(preview_.Get(), MEDIASUBTYPE_YUY2, 320, 240, 400000);
    const int same = FindCaps(preview_.Get(), MEDIASUBTYPE_YUY2, 320, 240, 333667);
    ASSERT_GE(other, 0);
    ASSERT_GE(same, 0);
    AM_MEDIA_TYPE* t = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(S_OK, preview_->GetStreamCaps(other, &t, reinterpret_cast<BYTE*>(&caps)));
    OwnedType otherType(t);
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, preview_->SetFormat(otherType.get()));
    ASSERT_EQ(S_OK, preview_->GetStreamCaps(same, &t, reinterpret_cast<BYTE*>(&caps)));
    OwnedType sameType(t);
    EXPECT_EQ(S_OK, preview_->SetFormat(sameType.get()));
    EXPECT_TRUE(MediaTypesEqual(*sameType, *Format(preview_.Get())));
}

TEST_F(StreamConfigTest, AudioPinsOfferPcmCapabilities) {
    ComPtr<IBaseFilter> audio = Bind(kVirtualTvCardAudioName);
    ComPtr<IAMStreamConfig> config = As<IAMStreamConfig>(PinNamed(audio.Get(), u"Capture").Get());
    ASSERT_TRUE(config);
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(4, count);
    EXPECT_EQ(static_cast<int>(sizeof(AUDIO_STREAM_CONFIG_CAPS)), size);
    AM_MEDIA_TYPE* t = nullptr;
    AUDIO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(S_OK, config->GetStreamCaps(3, &t, reinterpret_cast<BYTE*>(&caps)));
    OwnedType mono44(t);
    EXPECT_EQ(MEDIATYPE_Audio, t->majortype);
    EXPECT_EQ(MEDIASUBTYPE_PCM, t->subtype);
    EXPECT_EQ(MEDIATYPE_Audio, caps.guid);
    EXPECT_EQ(1u, caps.MaximumChannels);
    EXPECT_EQ(16u, caps.MinimumBitsPerSample);
    EXPECT_EQ(44100u, caps.MaximumSampleFrequency);
    ASSERT_EQ(S_OK, config->SetFormat(mono44.get()));
    OwnedType now(nullptr);
    ASSERT_EQ(S_OK, config->GetFormat(&t));
    now.reset(t);
    EXPECT_TRUE(MediaTypesEqual(*mono44, *now));

    // 8 kHz is not offered.
    WAVEFORMATEX wfx{WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
    AM_MEDIA_TYPE narrow{};
    ASSERT_EQ(S_OK, CreateAudioMediaType(&wfx, &narrow, TRUE));
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(&narrow));
    FreeMediaType(narrow);
}

TEST_F(StreamConfigTest, TheDvCamcorderOffersItsOneInterleavedFormat) {
    ComPtr<IBaseFilter> dv = Bind(kVirtualDvCamcorderName);
    ComPtr<IAMStreamConfig> config = As<IAMStreamConfig>(PinNamed(dv.Get(), u"DV A/V Out").Get());
    ASSERT_TRUE(config);
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(1, count);
    OwnedType format = Format(config.Get());
    EXPECT_EQ(MEDIATYPE_Interleaved, format->majortype);
    EXPECT_EQ(MEDIASUBTYPE_dvsd, format->subtype);
    EXPECT_EQ(FORMAT_DvInfo, format->formattype);
    EXPECT_EQ(120000u, format->lSampleSize);
    EXPECT_EQ(S_OK, config->SetFormat(format.get()));
}

TEST_F(StreamConfigTest, BufferSuggestionsAreKeptAndTheRestIsThePinsOwnChoice) {
    ComPtr<IAMBufferNegotiation> buffers = As<IAMBufferNegotiation>(PinNamed(card_.Get(), u"Capture").Get());
    ASSERT_TRUE(buffers);
    ALLOCATOR_PROPERTIES props{};
    ASSERT_EQ(S_OK, buffers->GetAllocatorProperties(&props));
    EXPECT_EQ(640 * 480 * 2, props.cbBuffer);
    EXPECT_GT(props.cBuffers, 0);
    const ALLOCATOR_PROPERTIES suggestion{10, -1, -1, -1};
    ASSERT_EQ(S_OK, buffers->SuggestAllocatorProperties(&suggestion));
    ASSERT_EQ(S_OK, buffers->GetAllocatorProperties(&props));
    EXPECT_EQ(10, props.cBuffers);
    EXPECT_EQ(640 * 480 * 2, props.cbBuffer);
    const ALLOCATOR_PROPERTIES bad{0, -1, -1, -1};
    EXPECT_EQ(E_INVALIDARG, buffers->SuggestAllocatorProperties(&bad));
    EXPECT_EQ(E_POINTER, buffers->SuggestAllocatorProperties(nullptr));
}

// The card's sound leaves in buffers of the size the capture pin reports: a tenth of a second of
// its own choice, or what was asked of it.
TEST_F(StreamConfigTest, TheAudioPinsBufferSizeIsTheSizeOfTheSoundsBuffers) {
    ComPtr<IBaseFilter> audio = Bind(kVirtualTvCardAudioName);
    ASSERT_TRUE(audio);
    ComPtr<IAMBufferNegotiation> buffers = As<IAMBufferNegotiation>(PinNamed(audio.Get(), u"Capture").Get());
    ASSERT_TRUE(buffers);
    GstElement* tone = gst_bin_get_by_name(GST_BIN(As<IGstFilter>(audio.Get())->GetElement()), "tone");
    ASSERT_NE(tone, nullptr);
    auto toneBytes = [tone] {
        guint bytes = 1;
        g_object_get(tone, "buffer-bytes", &bytes, nullptr);
        return bytes;
    };
    ALLOCATOR_PROPERTIES props{};
    ASSERT_EQ(S_OK, buffers->GetAllocatorProperties(&props));
    EXPECT_EQ(48000 * 2 * 2 / 10, props.cbBuffer);
    EXPECT_EQ(0u, toneBytes()) << "the tone's own choice: a tenth of a second";

    const ALLOCATOR_PROPERTIES small{-1, 3840, -1, -1};
    ASSERT_EQ(S_OK, buffers->SuggestAllocatorProperties(&small));
    ASSERT_EQ(S_OK, buffers->GetAllocatorProperties(&props));
    EXPECT_EQ(3840, props.cbBuffer);
    EXPECT_EQ(3840u, toneBytes());

    const ALLOCATOR_PROPERTIES own{-1, -1, -1, -1};
    ASSERT_EQ(S_OK, buffers->SuggestAllocatorProperties(&own));
    EXPECT_EQ(0u, toneBytes());
    gst_object_unref(tone);
}

}  // namespace
}  // namespace media::test
