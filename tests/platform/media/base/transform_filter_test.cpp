// Own in-place filters inside plain GStreamer pipelines: delivering and withholding, the
// quality event, copying shared buffers before their bytes change, bottom-up RGB rows and
// the filter's states following the element's.
#include "platform/media/base/transform_filter.h"

#include <gst/app/gstappsrc.h>
#include <gtest/gtest.h>

#include "platform/media/interfaces/control.h"
#include "tests/filters/filter_harness.h"
#include "tests/platform/media/pipeline_harness.h"

namespace {

using filters::test::Event;
using filters::test::EventGraph;

const GUID kTestFilter = MakeGuid("0d6e9a3c-5e1b-4c7e-9a51-7f3d2b6c1e01");

// Writes its marker into the first byte of every sample and withholds odd frame numbers.
class CMarkingFilter final : public CTransInPlaceFilter {
public:
    explicit CMarkingFilter(bool modifies) : CTransInPlaceFilter(u"marker", kTestFilter, modifies) {}
    HRESULT CheckInputType(const AM_MEDIA_TYPE* type) override {
        return type->majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT StartStreaming() override {
        ++starts;
        return S_OK;
    }
    HRESULT StopStreaming() override {
        ++stops;
        return S_OK;
    }
    HRESULT Transform(IMediaSample* sample) override {
        LONGLONG media = 0, end = 0;
        sample->GetMediaTime(&media, &end);
        if (media % 2) return S_FALSE;
        BYTE* data = nullptr;
        if (FAILED(sample->GetPointer(&data))) return E_FAIL;
        firstBytes.push_back(data[0]);
        if (m_bModifiesData) data[0] = 0xEE;
        return S_OK;
    }
    int starts = 0, stops = 0;
    std::vector<BYTE> firstBytes;  // as the filter saw them
};

struct PushedRun {
    std::vector<media::test::FrameRecord> frames;
    std::vector<std::vector<BYTE>> pushed;  // the buffers as the source kept them
};

// appsrc (buffers the test keeps a reference to, so they are not writable) -> filter -> appsink.
PushedRun PushFrames(CMarkingFilter* filter, const char* caps, std::size_t frameSize, int count) {
    PushedRun run;
    media::test::FrameCollector sink(static_cast<std::size_t>(count));
    media::test::TestPipeline pipeline;
    GstElement* source = gst_element_factory_make("appsrc", nullptr);
    GstCaps* sourceCaps = gst_caps_from_string(caps);
    g_object_set(source, "caps", sourceCaps, "format", GST_FORMAT_TIME, nullptr);
    gst_caps_unref(sourceCaps);
    pipeline.Add(source);
    pipeline.Add(filter->GetElement());
    gst_element_link(source, filter->GetElement());
    GstPad* output = gst_element_get_static_pad(filter->GetElement(), "src");
    pipeline.Link(output, sink.Sink());
    gst_object_unref(output);
    pipeline.Play();
    std::vector<GstBuffer*> kept;
    for (int i = 0; i < count; ++i) {
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, frameSize, nullptr);
        gst_buffer_memset(buffer, 0, static_cast<guint8>(i), frameSize);
        gst_buffer_memset(buffer, frameSize / 2, 0x7F, 1);  // marks the first byte of the bottom row
        GST_BUFFER_PTS(buffer) = static_cast<GstClockTime>(i) * GST_MSECOND;
        GST_BUFFER_OFFSET(buffer) = static_cast<guint64>(i);
        kept.push_back(gst_buffer_ref(buffer));
        gst_app_src_push_buffer(GST_APP_SRC(source), buffer);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(source));
    pipeline.RunFor(300);
    pipeline.Stop();
    for (GstBuffer* buffer : kept) {
        std::vector<BYTE> bytes(frameSize);
        gst_buffer_extract(buffer, 0, bytes.data(), frameSize);
        run.pushed.push_back(bytes);
        gst_buffer_unref(buffer);
    }
    run.frames = sink.Frames();
    return run;
}

constexpr const char* kYuy2Caps = "video/x-raw,format=YUY2,width=4,height=2,framerate=30/1";
constexpr const char* kRgbCaps = "video/x-raw,format=BGRx,width=2,height=2,framerate=30/1";

class TransformFilterTest : public ::testing::Test {
protected:
    void SetUp() override { gst_init(nullptr, nullptr); }
};

TEST_F(TransformFilterTest, WithheldSamplesAreDroppedAndReportedOncePerPause) {
    auto filter = MakeComObject<CMarkingFilter>(false);
    auto graph = MakeComObject<EventGraph>();
    filter->JoinFilterGraph(graph.Get(), u"marker");
    const PushedRun run = PushFrames(filter.Get(), kYuy2Caps, 16, 6);
    ASSERT_EQ(3u, run.frames.size());
    for (std::size_t i = 0; i < run.frames.size(); ++i) EXPECT_EQ(2 * i, run.frames[i].offset);
    EXPECT_EQ(std::vector<Event>{Event({EC_QUALITY_CHANGE, 0, 0})}, graph->events);
    EXPECT_EQ(1, filter->starts);
    EXPECT_EQ(1, filter->stops);
    FILTER_STATE state{};
    filter->GetState(0, &state);
    EXPECT_EQ(State_Stopped, state);
    filter->JoinFilterGraph(nullptr, nullptr);
}

TEST_F(TransformFilterTest, ModifyingFilterWritesACopyOfASharedBuffer) {
    auto filter = MakeComObject<CMarkingFilter>(true);
    const PushedRun run = PushFrames(filter.Get(), kYuy2Caps, 16, 2);
    ASSERT_EQ(1u, run.frames.size());
    EXPECT_EQ(0xEE, run.frames[0].data[0]);
    EXPECT_EQ(0x00, run.pushed[0][0]) << "the source's buffer must stay untouched";
}

TEST_F(TransformFilterTest, RgbRowsAreHandedOutBottomUpAndRestored) {
    auto filter = MakeComObject<CMarkingFilter>(false);
    const PushedRun run = PushFrames(filter.Get(), kRgbCaps, 16, 1);
    ASSERT_EQ(1u, run.frames.size());
    ASSERT_EQ(1u, filter->firstBytes.size());
    // The bottom row's first byte is at 8; the filter saw it first.
    EXPECT_EQ(0x7F, filter->firstBytes[0]) << "the bottom row comes first";
    EXPECT_EQ(run.pushed[0], run.frames[0].data) << "rows go back in GStreamer's order";
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(S_OK, filter->InputPin()->CopyConnectionType(&type));
    EXPECT_EQ(MEDIASUBTYPE_RGB32, type.subtype);
    FreeMediaType(type);
}

TEST_F(TransformFilterTest, CapsTheFilterRefusesStopTheStreamWithNotNegotiated) {
    auto filter = MakeComObject<CMarkingFilter>(false);
    media::test::FrameCollector sink;
    media::test::TestPipeline pipeline;
    GstElement* source = gst_element_factory_make("audiotestsrc", nullptr);
    pipeline.Add(source);
    pipeline.Add(filter->GetElement());
    ASSERT_TRUE(gst_element_link(source, filter->GetElement()));
    GstPad* output = gst_element_get_static_pad(filter->GetElement(), "src");
    pipeline.Link(output, sink.Sink());
    gst_object_unref(output);
    pipeline.Play();
    pipeline.RunFor(300);
    pipeline.Stop();
    EXPECT_FALSE(pipeline.Errors().empty());
    EXPECT_TRUE(sink.Frames().empty());
}

}  // namespace
