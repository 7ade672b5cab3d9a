#include "platform/media/media_caps.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/media/compressed_caps.h"

namespace media {
namespace {

struct CapsCase {
    const char* caps;
    GUID major;
    GUID subtype;
    GUID format;
};

class CapsRoundTrip : public ::testing::TestWithParam<CapsCase> {};

TEST_P(CapsRoundTrip, CapsToMediaTypeAndBack) {
    const CapsCase& c = GetParam();
    GstCaps* caps = gst_caps_from_string(c.caps);
    ASSERT_NE(caps, nullptr);
    AM_MEDIA_TYPE type;
    ASSERT_EQ(MediaTypeFromCaps(caps, &type), S_OK) << c.caps;
    EXPECT_EQ(type.majortype, c.major);
    EXPECT_EQ(type.subtype, c.subtype);
    EXPECT_EQ(type.formattype, c.format);
    GstCaps* back = CapsFromMediaType(type);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(gst_caps_is_equal(back, caps)) << "in:  " << c.caps << "\nout: " << gst_caps_to_string(back);
    gst_caps_unref(back);
    gst_caps_unref(caps);
    FreeMediaType(type);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CapsRoundTrip,
    ::testing::Values(
        CapsCase{"video/x-raw, format=YUY2, width=640, height=480, framerate=30000/1001", MEDIATYPE_Video,
                 MEDIASUBTYPE_YUY2, FORMAT_VideoInfo},
        CapsCase{"video/x-raw, format=UYVY, width=720, height=576, framerate=25/1", MEDIATYPE_Video, MEDIASUBTYPE_UYVY,
                 FORMAT_VideoInfo},
        CapsCase{"video/x-raw, format=I420, width=320, height=240, framerate=30/1", MEDIATYPE_Video, MEDIASUBTYPE_I420,
                 FORMAT_VideoInfo},
        CapsCase{"video/x-raw, format=YV12, width=320, height=240, framerate=30/1", MEDIATYPE_Video, MEDIASUBTYPE_YV12,
                 FORMAT_VideoInfo},
        CapsCase{"video/x-raw, format=NV12, width=1280, height=720, framerate=30/1", MEDIATYPE_Video, MEDIASUBTYPE_NV12,
                 FORMAT_VideoInfo},
        CapsCase{"video/x-raw, format=BGR, width=1920, height=1080, framerate=25/1", MEDIATYPE_Video,
                 MEDIASUBTYPE_RGB24, FORMAT_VideoInfo},
        CapsCase{"video/x-raw, format=BGRx, width=352, height=240, framerate=30000/1001", MEDIATYPE_Video,
                 MEDIASUBTYPE_RGB32, FORMAT_VideoInfo},
        CapsCase{"image/jpeg, width=1280, height=720, framerate=30/1", MEDIATYPE_Video, MEDIASUBTYPE_MJPG,
                 FORMAT_VideoInfo},
        CapsCase{"video/x-dv, systemstream=false, width=720, height=480, framerate=30000/1001", MEDIATYPE_Video,
                 MEDIASUBTYPE_dvsd, FORMAT_VideoInfo},
        CapsCase{"video/x-dv, systemstream=true, width=720, height=576, framerate=25/1", MEDIATYPE_Interleaved,
                 MEDIASUBTYPE_dvsd, FORMAT_DvInfo},
        CapsCase{"video/x-dv, systemstream=true, width=720, height=480, framerate=30000/1001", MEDIATYPE_Interleaved,
                 MEDIASUBTYPE_dvsd, FORMAT_DvInfo},
        CapsCase{"audio/x-raw, format=S16LE, layout=interleaved, rate=48000, channels=2", MEDIATYPE_Audio,
                 MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx},
        CapsCase{"audio/x-raw, format=U8, layout=interleaved, rate=11025, channels=1", MEDIATYPE_Audio,
                 MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx},
        CapsCase{"audio/x-raw, format=F32LE, layout=interleaved, rate=44100, channels=2", MEDIATYPE_Audio,
                 MEDIASUBTYPE_IEEE_FLOAT, FORMAT_WaveFormatEx}));

TEST(MediaCaps, VideoInfoHeaderFieldsAreThePlatforms) {
    GstCaps* caps = gst_caps_from_string("video/x-raw, format=BGR, width=322, height=240, framerate=30000/1001");
    AM_MEDIA_TYPE type;
    ASSERT_EQ(MediaTypeFromCaps(caps, &type), S_OK);
    gst_caps_unref(caps);
    ASSERT_EQ(type.cbFormat, sizeof(VIDEOINFOHEADER));
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    EXPECT_EQ(vih->AvgTimePerFrame, 333667);
    EXPECT_EQ(vih->bmiHeader.biSize, 40u);
    EXPECT_EQ(vih->bmiHeader.biHeight, 240) << "bottom-up RGB: positive height";
    EXPECT_EQ(vih->bmiHeader.biBitCount, 24);
    EXPECT_EQ(vih->bmiHeader.biCompression, BI_RGB);
    EXPECT_EQ(vih->bmiHeader.biSizeImage, 968u * 240u) << "rows padded to 4 bytes (322*3 = 966)";
    EXPECT_EQ(type.lSampleSize, vih->bmiHeader.biSizeImage);
    EXPECT_TRUE(type.bFixedSizeSamples);
    FreeMediaType(type);
}

TEST(MediaCaps, TopDownRgbFromThePlatformIsTheSameCaps) {
    AM_MEDIA_TYPE type{};
    VIDEOINFOHEADER vih{};
    vih.AvgTimePerFrame = 400000;
    vih.bmiHeader = {40, 320, -240, 1, 32, BI_RGB, 320 * 240 * 4, 0, 0, 0, 0};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB32;
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof vih;
    type.pbFormat = reinterpret_cast<BYTE*>(&vih);
    GstCaps* caps = CapsFromMediaType(type);
    ASSERT_NE(caps, nullptr);
    GstCaps* expected = gst_caps_from_string("video/x-raw, format=BGRx, width=320, height=240, framerate=25/1");
    EXPECT_TRUE(gst_caps_is_equal(caps, expected));
    gst_caps_unref(expected);
    gst_caps_unref(caps);
}

TEST(MediaCaps, BadInputIsRefused) {
    AM_MEDIA_TYPE type{};
    VIDEOINFOHEADER vih{};
    vih.bmiHeader = {40, 640, 480, 1, 16, MakeFourcc('Y', 'U', 'Y', '2'), 0, 0, 0, 0, 0};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_YUY2;
    type.formattype = FORMAT_VideoInfo;
    type.pbFormat = reinterpret_cast<BYTE*>(&vih);
    type.cbFormat = sizeof vih - 1;
    EXPECT_EQ(CapsFromMediaType(type), nullptr) << "a short format block is never read past its end";
    type.cbFormat = sizeof vih;
    vih.bmiHeader.biWidth = 0;
    EXPECT_EQ(CapsFromMediaType(type), nullptr);
    vih.bmiHeader.biWidth = 640;
    type.subtype = FourccSubtype(MakeFourcc('H', '2', '6', '4'));
    EXPECT_EQ(CapsFromMediaType(type), nullptr);
    type.pbFormat = nullptr;
    EXPECT_EQ(CapsFromMediaType(type), nullptr);

    AM_MEDIA_TYPE out;
    GstCaps* open = gst_caps_from_string("video/x-raw, format=YUY2, width=[1,100], height=480");
    EXPECT_EQ(MediaTypeFromCaps(open, &out), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(out.pbFormat, nullptr);
    gst_caps_unref(open);
    GstCaps* planar = gst_caps_from_string("audio/x-raw, format=S16LE, layout=non-interleaved, rate=48000, channels=2");
    EXPECT_EQ(MediaTypeFromCaps(planar, &out), VFW_E_INVALIDMEDIATYPE);
    gst_caps_unref(planar);
    GstCaps* text = gst_caps_from_string("text/x-raw, format=utf8");
    EXPECT_EQ(MediaTypeFromCaps(text, &out), VFW_E_INVALIDMEDIATYPE);
    gst_caps_unref(text);
    EXPECT_EQ(MediaTypeFromCaps(nullptr, &out), VFW_E_INVALIDMEDIATYPE);
}

}  // namespace
}  // namespace media

namespace media {
namespace {

AM_MEDIA_TYPE VideoInfoType(const GUID& subtype, VIDEOINFOHEADER* vih) {
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = subtype;
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof *vih;
    type.pbFormat = reinterpret_cast<BYTE*>(vih);
    return type;
}

// Frame durations from a media type must come back unchanged through caps.
class FrameDurationRoundTrip : public ::testing::TestWithParam<REFERENCE_TIME> {};

TEST_P(FrameDurationRoundTrip, SurvivesCapsAndBack) {
    VIDEOINFOHEADER vih{};
    vih.AvgTimePerFrame = GetParam();
    vih.bmiHeader = {40, 640, 480, 1, 16, MakeFourcc('Y', 'U', 'Y', '2'), 640 * 480 * 2, 0, 0, 0, 0};
    AM_MEDIA_TYPE type = VideoInfoType(MEDIASUBTYPE_YUY2, &vih);
    GstCaps* caps = CapsFromMediaType(type);
    ASSERT_NE(caps, nullptr);
    AM_MEDIA_TYPE back;
    ASSERT_EQ(MediaTypeFromCaps(caps, &back), S_OK);
    EXPECT_EQ(reinterpret_cast<const VIDEOINFOHEADER*>(back.pbFormat)->AvgTimePerFrame, GetParam())
        << gst_caps_to_string(caps);
    FreeMediaType(back);
    gst_caps_unref(caps);
}

// 333500 is within GStreamer's guessing distance of 30/1 but is not 30/1; 333667 and 400000 are
// the standard rates; 2147483647 is the longest duration a framerate of gint terms can carry.
INSTANTIATE_TEST_SUITE_P(Durations, FrameDurationRoundTrip,
                         ::testing::Values(REFERENCE_TIME{333667}, REFERENCE_TIME{400000}, REFERENCE_TIME{333333},
                                           REFERENCE_TIME{333500}, REFERENCE_TIME{1234567},
                                           REFERENCE_TIME{2147483647}));

TEST(MediaCaps, FrameDurationTooLongForAFramerateIsLeftOut) {
    VIDEOINFOHEADER vih{};
    vih.AvgTimePerFrame = (REFERENCE_TIME{1} << 32) + 65536;  // its low 32 bits alone would be 152 fps
    vih.bmiHeader = {40, 640, 480, 1, 16, MakeFourcc('Y', 'U', 'Y', '2'), 640 * 480 * 2, 0, 0, 0, 0};
    AM_MEDIA_TYPE type = VideoInfoType(MEDIASUBTYPE_YUY2, &vih);
    GstCaps* caps = CapsFromMediaType(type);
    ASSERT_NE(caps, nullptr);
    EXPECT_FALSE(gst_structure_has_field(gst_caps_get_structure(caps, 0), "framerate")) << gst_caps_to_string(caps);
    gst_caps_unref(caps);

    GstCaps* slow = gst_caps_from_string("video/x-raw, format=YUY2, width=640, height=480, framerate=3/2147483647");
    AM_MEDIA_TYPE fromSlow;
    ASSERT_EQ(MediaTypeFromCaps(slow, &fromSlow), S_OK);
    EXPECT_EQ(reinterpret_cast<const VIDEOINFOHEADER*>(fromSlow.pbFormat)->AvgTimePerFrame, 0)
        << "a duration no framerate can carry back is unknown";
    FreeMediaType(fromSlow);
    gst_caps_unref(slow);
}

TEST(MediaCaps, MostNegativeHeightIsRefused) {
    VIDEOINFOHEADER vih{};
    vih.bmiHeader = {40, 640, INT32_MIN, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    AM_MEDIA_TYPE type = VideoInfoType(MEDIASUBTYPE_RGB32, &vih);
    EXPECT_EQ(CapsFromMediaType(type), nullptr);
}

TEST(MediaCaps, SampleRateBeyondCapsRangeIsRefused) {
    WAVEFORMATEX wfx{WAVE_FORMAT_PCM, 2, 0x80000000u, 0, 4, 16, 0};
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Audio;
    type.subtype = MEDIASUBTYPE_PCM;
    type.formattype = FORMAT_WaveFormatEx;
    type.cbFormat = sizeof wfx;
    type.pbFormat = reinterpret_cast<BYTE*>(&wfx);
    EXPECT_EQ(CapsFromMediaType(type), nullptr) << "a negative caps rate would not convert back";
    wfx.nSamplesPerSec = 48000;
    GstCaps* caps = CapsFromMediaType(type);
    ASSERT_NE(caps, nullptr);
    gst_caps_unref(caps);
}

// ADPCM is cut into blocks of nBlockAlign bytes: without one the type is refused, and with one
// the caps carry it and come back the same.
TEST(MediaCaps, AdpcmNeedsItsBlockAlignment) {
    WAVEFORMATEX wfx{WAVE_FORMAT_ADPCM, 2, 48000, 48000, 0, 4, 0};
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Audio;
    type.subtype = FourccSubtype(WAVE_FORMAT_ADPCM);
    type.formattype = FORMAT_WaveFormatEx;
    type.cbFormat = sizeof wfx;
    type.pbFormat = reinterpret_cast<BYTE*>(&wfx);
    EXPECT_EQ(CapsFromMediaType(type), nullptr);
    wfx.nBlockAlign = 2048;
    GstCaps* caps = CapsFromMediaType(type);
    ASSERT_NE(caps, nullptr);
    AM_MEDIA_TYPE back{};
    ASSERT_EQ(MediaTypeFromCaps(caps, &back), S_OK);
    GstCaps* again = CapsFromMediaType(back);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(gst_caps_is_equal(caps, again));
    gst_caps_unref(again);
    gst_caps_unref(caps);
    FreeMediaType(back);
}

}  // namespace
}  // namespace media
