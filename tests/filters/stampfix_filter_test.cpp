// The timestamp repair filter: stamping from media times, start of streaming, failures and
// their events, the interface and the persistence stream.
#include "filters/stampfix/stampfix_filter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/com/stream.h"
#include "platform/com/wide_text.h"
#include "tests/filters/filter_harness.h"
#include "platform/media/interfaces/filter_registration.h"
#include "platform/media/interfaces/property_pages.h"

namespace {

using filters::test::Event;
using filters::test::FakeSample;
using filters::test::FilterHarness;
using filters::test::VideoType;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr REFERENCE_TIME kInterval = 333667;

class StampfixTest : public ::testing::Test {
protected:
    StampfixTest() : harness(MakeComObject<CStampfixFilter>(), ComPtr<CTransformFilter>(MakeComObject<CStampfixFilter>().Get())) {
        AM_MEDIA_TYPE type = VideoType(kInterval);
        harness.Connect(type);
        FreeMediaType(type);
    }

    void ExpectStamped(const FakeSample* sample, REFERENCE_TIME start, REFERENCE_TIME interval = kInterval) {
        ASSERT_TRUE(sample->start && sample->stop);
        EXPECT_EQ(start, *sample->start);
        EXPECT_EQ(start + interval, *sample->stop);
    }

    FilterHarness<CStampfixFilter> harness;
};

TEST_F(StampfixTest, StampsFromTheAnchorAndTheMediaTimes) {
    ASSERT_EQ(S_OK, harness->Pause());
    ASSERT_EQ(S_OK, harness.Push(10, 5000000));
    ExpectStamped(harness.Last(), 5000000);
    ASSERT_EQ(S_OK, harness.Push(11, 123));  // later upstream stamps are never read
    ExpectStamped(harness.Last(), 5333667);
    ASSERT_EQ(S_OK, harness.Push(12, std::nullopt));
    ExpectStamped(harness.Last(), 5667334);
    EXPECT_EQ(0, harness.Last()->getTimeCalls);
    // Frames 13 and 14 were skipped at the source: two whole intervals of gap.
    ASSERT_EQ(S_OK, harness.Push(15, 999999999));
    ExpectStamped(harness.Last(), 6668335);
    EXPECT_THAT(harness.Events(), IsEmpty());
}

TEST_F(StampfixTest, MediaTimeNotAfterTheLastIsWithheldAndTheStreamGoesOn) {
    harness->Pause();
    harness.Push(10, 5000000);
    harness.Push(11, 0);
    for (LONGLONG stale : {11, 3}) {
        EXPECT_EQ(S_FALSE, harness.Push(stale, 0));
        EXPECT_FALSE(harness.Last()->stop.has_value());
    }
    EXPECT_EQ(S_OK, harness.Push(12, 0));
    ExpectStamped(harness.Last(), 5667334);
    // The first withheld sample after the pause also reports a quality change, once.
    EXPECT_THAT(harness.Events(),
                ElementsAre(Event{EC_ERRORABORT, VFW_E_START_TIME_AFTER_END, 0}, Event{EC_QUALITY_CHANGE, 0, 0},
                            Event{EC_ERRORABORT, VFW_E_START_TIME_AFTER_END, 0}));
}

TEST_F(StampfixTest, QualityChangeIsReportedAgainAfterTheNextPause) {
    harness->Pause();
    harness.Push(std::nullopt, 0);
    harness->Run(0);
    harness->Pause();  // Running -> Paused: no reset of the stamping, but a new quality report
    harness.Push(std::nullopt, 0);
    EXPECT_THAT(harness.Events(),
                ElementsAre(Event{EC_ERRORABORT, VFW_E_MEDIA_TIME_NOT_SET, 0}, Event{EC_QUALITY_CHANGE, 0, 0},
                            Event{EC_ERRORABORT, VFW_E_MEDIA_TIME_NOT_SET, 0}, Event{EC_QUALITY_CHANGE, 0, 0}));
}

TEST_F(StampfixTest, FirstSampleWithoutStartTimeIsWithheldAndTheNextOneAnchors) {
    harness->Pause();
    EXPECT_EQ(S_FALSE, harness.Push(4, std::nullopt));
    EXPECT_EQ(S_OK, harness.Push(5, 700000));
    ExpectStamped(harness.Last(), 700000);
    EXPECT_EQ(Event({EC_ERRORABORT, VFW_E_SAMPLE_TIME_NOT_SET, 0}), harness.Events().front());
}

TEST_F(StampfixTest, OtherQueryFailuresAreWithheldWithTheirCode) {
    harness->Pause();
    auto sample = MakeComObject<FakeSample>();
    sample->mediaTimeFailure = E_UNEXPECTED;
    EXPECT_EQ(S_FALSE, harness.Push(sample.Get()));
    sample->mediaStart = 1;
    sample->timeFailure = E_FAIL;
    EXPECT_EQ(S_FALSE, harness.Push(sample.Get()));
    EXPECT_EQ(S_OK, harness.Push(2, 100));  // still waiting for a first sample
    ExpectStamped(harness.Last(), 100);
    EXPECT_EQ(E_UNEXPECTED, harness.Events()[0].param1);
    EXPECT_EQ(E_FAIL, harness.Events()[2].param1);
}

TEST_F(StampfixTest, FailedSetTimeWithholdsButAdvances) {
    harness->Pause();
    harness.Push(1, 1000);
    auto sample = MakeComObject<FakeSample>();
    sample->mediaStart = 2;
    sample->setTimeResult = E_INVALIDARG;
    EXPECT_EQ(S_FALSE, harness.Push(sample.Get()));
    harness.Push(3, 0);
    ExpectStamped(harness.Last(), 1000 + 2 * kInterval);
    EXPECT_EQ(Event({EC_ERRORABORT, E_INVALIDARG, 0}), harness.Events().front());
}

TEST_F(StampfixTest, StopAndPauseReanchorsAndComparesAfresh) {
    harness->Pause();
    harness.Push(100, 5000000);
    harness->Run(0);
    harness->Stop();
    harness->Pause();
    harness->Run(0);
    EXPECT_EQ(S_OK, harness.Push(3, 42));
    ExpectStamped(harness.Last(), 42);
}

TEST_F(StampfixTest, DiscontinuityDoesNotReanchor) {
    harness->Pause();
    harness.Push(1, 1000);
    auto sample = MakeComObject<FakeSample>();
    sample->mediaStart = 2;
    sample->start = 99999999;
    sample->discontinuity = true;
    harness.Push(sample.Get());
    ExpectStamped(sample.Get(), 1000 + kInterval);
    EXPECT_TRUE(sample->discontinuity);
}

TEST_F(StampfixTest, StartOfStreamingTakesTheFormatsInterval) {
    AM_MEDIA_TYPE type = VideoType(400000, FORMAT_VideoInfo2, 112);
    harness.Connect(type);
    FreeMediaType(type);
    harness->Pause();
    REFERENCE_TIME interval = 0;
    BOOL fixed = TRUE;
    ASSERT_EQ(S_OK, harness->get_TimePerFrame(&interval, &fixed));
    EXPECT_EQ(400000, interval);
    EXPECT_EQ(FALSE, fixed);
    harness.Push(1, 0);
    ExpectStamped(harness.Last(), 0, 400000);
}

TEST_F(StampfixTest, FixedIntervalSurvivesTheStartOfStreaming) {
    harness->put_TimePerFrame(500000, TRUE);
    harness->Pause();
    harness.Push(1, 10);
    ExpectStamped(harness.Last(), 10, 500000);
}

TEST_F(StampfixTest, ShortFormatBlockLeavesTheIntervalUnchanged) {
    AM_MEDIA_TYPE type = VideoType(400000, FORMAT_MPEGVideo, 47);
    harness.Connect(type);
    FreeMediaType(type);
    harness->Pause();
    REFERENCE_TIME interval = 0;
    BOOL fixed = FALSE;
    harness->get_TimePerFrame(&interval, &fixed);
    EXPECT_EQ(kInterval, interval);
}

TEST_F(StampfixTest, ZeroIntervalIsUsedAsGivenAndANewOneAppliesAtTheNextSample) {
    harness->put_TimePerFrame(0, TRUE);
    harness->Pause();
    harness.Push(1, 777);
    ExpectStamped(harness.Last(), 777, 0);
    harness.Push(5, 0);
    ExpectStamped(harness.Last(), 777, 0);
    harness->put_TimePerFrame(10, TRUE);  // applies from the next sample, even while streaming
    harness.Push(6, 0);
    ExpectStamped(harness.Last(), 777, 10);
}

TEST_F(StampfixTest, HugeGapsWrapInSixtyFourBitsWithoutFault) {
    harness->put_TimePerFrame(MAXLONGLONG, TRUE);
    harness->Pause();
    ASSERT_EQ(S_OK, harness.Push(1, 0));
    ExpectStamped(harness.Last(), 0, MAXLONGLONG);
    // 2^63 - 3 frames skipped: (2^63 - 3)(2^63 - 1) is 3 modulo 2^64, so the next start is
    // (2^63 - 1) + 3 = 2^63 + 2 and its stop 2^64 + 1, both kept to their low 64 bits.
    ASSERT_EQ(S_OK, harness.Push(MAXLONGLONG, 0));
    ASSERT_TRUE(harness.Last()->start && harness.Last()->stop);
    EXPECT_EQ(-MAXLONGLONG + 1, *harness.Last()->start);
    EXPECT_EQ(1, *harness.Last()->stop);
}

TEST(StampfixTypes, AcceptsVideoWithTheFourFormatTypesOnly) {
    auto filter = MakeComObject<CStampfixFilter>();
    for (const GUID* format : {&FORMAT_VideoInfo, &FORMAT_VideoInfo2, &FORMAT_MPEGVideo, &FORMAT_MPEG2_VIDEO}) {
        AM_MEDIA_TYPE type = VideoType(1, *format);
        EXPECT_EQ(S_OK, filter->CheckInputType(&type));
        EXPECT_EQ(S_OK, filter->InputPin()->QueryAccept(&type));
        FreeMediaType(type);
    }
    AM_MEDIA_TYPE type = VideoType(1, FORMAT_WaveFormatEx);
    EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, filter->CheckInputType(&type));
    type.majortype = MEDIATYPE_Audio;
    type.formattype = FORMAT_VideoInfo;
    EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, filter->CheckInputType(&type));
    EXPECT_EQ(S_FALSE, filter->InputPin()->QueryAccept(&type));
    FreeMediaType(type);
}

TEST(StampfixInterfaces, AnswersItsPartsWithOneIdentity) {
    auto filter = MakeComObject<CStampfixFilter>();
    ComPtr<IUnknown> identity, again;
    ASSERT_EQ(S_OK, filter->QueryInterface(IID_PPV_ARGS(identity.ReleaseAndGetAddressOf())));
    for (const IID* iid : {&IID_IStampfix, &IID_ISpecifyPropertyPages, &IID_IPersistStream, &IID_IBaseFilter,
                           &IID_IMediaFilter, &IID_IPersist, &IID_IAMovieSetup}) {
        ComPtr<IUnknown> part;
        ASSERT_EQ(S_OK, filter->QueryInterface(*iid, part.ReleaseAndGetVoidAddress())) << GuidToString(*iid);
        ASSERT_EQ(S_OK, part->QueryInterface(IID_PPV_ARGS(again.ReleaseAndGetAddressOf())));
        EXPECT_EQ(identity.Get(), again.Get());
    }
    ComPtr<IPersist> persist;
    filter->QueryInterface(IID_PPV_ARGS(persist.ReleaseAndGetAddressOf()));
    CLSID clsid{};
    EXPECT_EQ(S_OK, persist->GetClassID(&clsid));
    EXPECT_EQ(CLSID_Stampfix, clsid);
    ComPtr<IPin> input, output;
    EXPECT_EQ(S_OK, filter->FindPin(u"Input", input.ReleaseAndGetAddressOf()));
    EXPECT_EQ(S_OK, filter->FindPin(u"Output", output.ReleaseAndGetAddressOf()));
}

TEST(StampfixInterfaces, GetTimePerFrameNeedsBothPointersAndPagesAreListed) {
    auto filter = MakeComObject<CStampfixFilter>();
    REFERENCE_TIME interval = -1;
    BOOL fixed = -1;
    EXPECT_EQ(E_POINTER, filter->get_TimePerFrame(nullptr, &fixed));
    EXPECT_EQ(E_POINTER, filter->get_TimePerFrame(&interval, nullptr));
    EXPECT_EQ(-1, fixed);
    EXPECT_EQ(S_OK, filter->get_TimePerFrame(&interval, &fixed));
    EXPECT_EQ(kInterval, interval);
    EXPECT_EQ(FALSE, fixed);

    CAUUID pages{};
    EXPECT_EQ(E_POINTER, filter->GetPages(nullptr));
    ASSERT_EQ(S_OK, filter->GetPages(&pages));
    ASSERT_EQ(1u, pages.cElems);
    EXPECT_EQ(CLSID_StampfixPropertyPage, pages.pElems[0]);
    CoTaskMemFree(pages.pElems);
}

// ---- persistence ---------------------------------------------------------------------------

std::vector<BYTE> Saved(IPersistStream* persist, BOOL clearDirty) {
    ComPtr<IStream> stream;
    EXPECT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()));
    EXPECT_EQ(S_OK, persist->Save(stream.Get(), clearDirty));
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    std::vector<BYTE> bytes(64);
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    bytes.resize(read);
    return bytes;
}

HRESULT LoadBytes(IPersistStream* persist, const std::vector<BYTE>& bytes) {
    ComPtr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf());
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return persist->Load(stream.Get());
}

std::vector<BYTE> VersionText(const char16_t* text) {
    std::vector<BYTE> bytes;
    for (int i = 0; i < 12; ++i) {
        bytes.push_back(static_cast<BYTE>(text[i] & 0xFF));
        bytes.push_back(static_cast<BYTE>(text[i] >> 8));
    }
    return bytes;
}

TEST(StampfixPersistence, FreshFilterSavesThirtySixBytes) {
    auto filter = MakeComObject<CStampfixFilter>();
    ComPtr<IPersistStream> persist;
    filter->QueryInterface(IID_PPV_ARGS(persist.ReleaseAndGetAddressOf()));
    ULARGE_INTEGER size{};
    ASSERT_EQ(S_OK, persist->GetSizeMax(&size));
    EXPECT_EQ(36u, size.QuadPart);
    std::vector<BYTE> expected = VersionText(u"00000000000 ");
    for (BYTE b : {0, 0, 0, 0, 0x63, 0x17, 0x05, 0, 0, 0, 0, 0}) expected.push_back(b);
    EXPECT_EQ(expected, Saved(persist.Get(), TRUE));
}

TEST(StampfixPersistence, DirtyAfterPutAndCleanAfterAClearingSave) {
    auto filter = MakeComObject<CStampfixFilter>();
    EXPECT_EQ(S_FALSE, filter->IsDirty());
    filter->put_TimePerFrame(1, FALSE);
    EXPECT_EQ(S_OK, filter->IsDirty());
    Saved(filter.Get(), FALSE);
    EXPECT_EQ(S_OK, filter->IsDirty());
    Saved(filter.Get(), TRUE);
    EXPECT_EQ(S_FALSE, filter->IsDirty());
}

TEST(StampfixPersistence, LoadsFlagAndInterval) {
    auto filter = MakeComObject<CStampfixFilter>();
    std::vector<BYTE> bytes = VersionText(u"00000000000 ");
    for (BYTE b : {1, 0, 0, 0, 0x80, 0x1A, 0x06, 0, 0, 0, 0, 0}) bytes.push_back(b);  // 400000
    ASSERT_EQ(S_OK, LoadBytes(filter.Get(), bytes));
    REFERENCE_TIME interval = 0;
    BOOL fixed = FALSE;
    filter->get_TimePerFrame(&interval, &fixed);
    EXPECT_EQ(400000, interval);
    EXPECT_EQ(TRUE, fixed);
}

TEST(StampfixPersistence, VersionTextRules) {
    struct Case {
        const char16_t* text;
        HRESULT expected;
        LONG version;
    };
    for (const Case& c : {Case{u"00000000000 ", S_OK, 0}, Case{u"-0000000012 ", S_OK, -12},
                          Case{u"7\t         ", S_OK, 7}, Case{u"00000000000\r", S_OK, 0},
                          Case{u"0000000a000 ", VFW_E_INVALID_FILE_FORMAT, 0},
                          Case{u"+0000000001 ", VFW_E_INVALID_FILE_FORMAT, 0}}) {
        auto filter = MakeComObject<CStampfixFilter>();
        std::vector<BYTE> bytes = VersionText(c.text);
        for (BYTE b : {1, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0}) bytes.push_back(b);
        EXPECT_EQ(c.expected, LoadBytes(filter.Get(), bytes)) << WideToUtf8(c.text);
        REFERENCE_TIME interval = 0;
        BOOL fixed = FALSE;
        filter->get_TimePerFrame(&interval, &fixed);
        if (c.expected == S_OK) {
            EXPECT_EQ(5, interval);
            EXPECT_EQ(c.version, filter->LoadedVersion());
        } else {
            EXPECT_EQ(kInterval, interval);  // settings unchanged
            EXPECT_EQ(FALSE, fixed);
        }
    }
}

TEST(StampfixPersistence, NegativeIntervalDoesNotLoadAndChangesNothing) {
    auto filter = MakeComObject<CStampfixFilter>();
    std::vector<BYTE> bytes = VersionText(u"00000000000 ");
    for (BYTE b : {1, 0, 0, 0, 0xF6, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}) bytes.push_back(b);  // -10
    EXPECT_EQ(E_INVALIDARG, LoadBytes(filter.Get(), bytes));
    REFERENCE_TIME interval = 0;
    BOOL fixed = TRUE;
    filter->get_TimePerFrame(&interval, &fixed);
    EXPECT_EQ(kInterval, interval);
    EXPECT_EQ(FALSE, fixed);
}

TEST(StampfixPersistence, ShortStreamFailsAndChangesNothing) {
    auto filter = MakeComObject<CStampfixFilter>();
    std::vector<BYTE> bytes = VersionText(u"00000000000 ");
    for (BYTE b : {1, 0, 0, 0, 5, 0}) bytes.push_back(b);
    EXPECT_TRUE(FAILED(LoadBytes(filter.Get(), bytes)));
    REFERENCE_TIME interval = 0;
    BOOL fixed = TRUE;
    filter->get_TimePerFrame(&interval, &fixed);
    EXPECT_EQ(kInterval, interval);
    EXPECT_EQ(FALSE, fixed);
}

}  // namespace
