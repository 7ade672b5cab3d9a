#include "platform/media/media_types.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "platform/com/task_memory.h"

namespace {

TEST(FormatBlocks, LayoutsMatchThePlatform) {
    EXPECT_EQ(offsetof(VIDEOINFOHEADER, AvgTimePerFrame), 40u);
    EXPECT_EQ(offsetof(VIDEOINFOHEADER, bmiHeader), 48u);
    EXPECT_EQ(offsetof(VIDEOINFOHEADER2, dwInterlaceFlags), 48u);
    EXPECT_EQ(offsetof(VIDEOINFOHEADER2, bmiHeader), 72u);
    EXPECT_EQ(offsetof(WAVEFORMATEX, nSamplesPerSec), 4u);
    EXPECT_EQ(offsetof(WAVEFORMATEX, cbSize), 16u);
    EXPECT_EQ(offsetof(MPEG1VIDEOINFO, bSequenceHeader), 96u);
    EXPECT_EQ(offsetof(MPEG2VIDEOINFO, dwSequenceHeader), 132u);
}

TEST(MediaTypeGuids, WellKnownValues) {
    EXPECT_EQ(GuidToString(MEDIATYPE_Video), "{73646976-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(GuidToString(MEDIASUBTYPE_YUY2), "{32595559-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(GuidToString(MEDIASUBTYPE_MJPG), "{47504A4D-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(GuidToString(MEDIASUBTYPE_dvsd), "{64737664-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(GuidToString(MEDIASUBTYPE_PCM), "{00000001-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(GuidToString(MEDIASUBTYPE_RGB24), "{E436EB7D-524F-11CE-9F53-0020AF0BA770}");
    EXPECT_EQ(GuidToString(PIN_CATEGORY_CC), "{FB6C4289-0353-11D1-905F-0000C0CC16BA}");
    DWORD fourcc = 0;
    EXPECT_TRUE(IsFourccSubtype(MEDIASUBTYPE_NV12, &fourcc));
    EXPECT_EQ(fourcc, MakeFourcc('N', 'V', '1', '2'));
    EXPECT_FALSE(IsFourccSubtype(MEDIASUBTYPE_RGB24, &fourcc));
}

TEST(MediaTypeHelpers, CreateAudioMediaTypeFollowsTheFormatTag) {
    WAVEFORMATEX wfx{WAVE_FORMAT_PCM, 2, 48000, 192000, 4, 16, 0};
    AM_MEDIA_TYPE type;
    ASSERT_EQ(CreateAudioMediaType(&wfx, &type, TRUE), S_OK);
    EXPECT_EQ(type.majortype, MEDIATYPE_Audio);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_PCM);
    EXPECT_EQ(type.formattype, FORMAT_WaveFormatEx);
    EXPECT_EQ(type.lSampleSize, 4u);
    EXPECT_TRUE(type.bFixedSizeSamples);
    ASSERT_EQ(type.cbFormat, 18u);
    EXPECT_EQ(std::memcmp(type.pbFormat, &wfx, 18), 0);
    FreeMediaType(type);
    EXPECT_EQ(type.pbFormat, nullptr);

    // A compressed tag keeps its extra bytes; the subtype is the tag's FOURCC GUID.
    struct {
        WAVEFORMATEX wfx;
        BYTE extra[4];
    } adpcm{{0x0002, 1, 22050, 11155, 512, 4, 4}, {1, 2, 3, 4}};
    ASSERT_EQ(CreateAudioMediaType(&adpcm.wfx, &type, TRUE), S_OK);
    EXPECT_EQ(type.subtype, FourccSubtype(2));
    ASSERT_EQ(type.cbFormat, 22u);
    EXPECT_EQ(type.pbFormat[21], 4);
    FreeMediaType(type);

    ASSERT_EQ(CreateAudioMediaType(&wfx, &type, FALSE), S_OK);
    EXPECT_EQ(type.cbFormat, 0u);
    EXPECT_EQ(type.pbFormat, nullptr);
    EXPECT_EQ(CreateAudioMediaType(nullptr, &type, TRUE), E_POINTER);
}

TEST(MediaTypeHelpers, CopyIsDeepAndDeleteFreesAll) {
    WAVEFORMATEX wfx{WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
    AM_MEDIA_TYPE source;
    ASSERT_EQ(CreateAudioMediaType(&wfx, &source, TRUE), S_OK);
    AM_MEDIA_TYPE* copy = CreateMediaType(&source);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->pbFormat, source.pbFormat);
    EXPECT_TRUE(MediaTypesEqual(*copy, source));
    reinterpret_cast<WAVEFORMATEX*>(copy->pbFormat)->nChannels = 2;
    EXPECT_FALSE(MediaTypesEqual(*copy, source));
    DeleteMediaType(copy);
    DeleteMediaType(nullptr);
    FreeMediaType(source);
    EXPECT_EQ(CopyMediaType(nullptr, &source), E_POINTER);
}

}  // namespace
