// The Smart Tee's element in a live pipeline: capture passes on the input's own thread, and
// a preview that stops taking frames never holds capture up.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/gst_filter.h"
#include "tests/platform/media/graph/graph_fakes.h"
#include "tests/platform/media/pipeline_harness.h"

namespace media::test {
namespace {

// Records which threads push buffers through a pad.
class PushingThreads {
public:
    explicit PushingThreads(GstPad* pad) : pad_(GST_PAD(gst_object_ref(pad))) {
        probe_ = gst_pad_add_probe(pad_, GST_PAD_PROBE_TYPE_BUFFER, &PushingThreads::OnBuffer, this, nullptr);
    }
    ~PushingThreads() {
        gst_pad_remove_probe(pad_, probe_);
        gst_object_unref(pad_);
    }
    PushingThreads(const PushingThreads&) = delete;
    PushingThreads& operator=(const PushingThreads&) = delete;

    std::set<std::thread::id> Threads() const {
        std::lock_guard lock(mutex_);
        return threads_;
    }

private:
    static GstPadProbeReturn OnBuffer(GstPad*, GstPadProbeInfo*, gpointer self) {
        auto* me = static_cast<PushingThreads*>(self);
        std::lock_guard lock(me->mutex_);
        me->threads_.insert(std::this_thread::get_id());
        return GST_PAD_PROBE_OK;
    }

    GstPad* pad_;
    gulong probe_ = 0;
    mutable std::mutex mutex_;
    std::set<std::thread::id> threads_;
};

GstPad* PadOf(IBaseFilter* filter, const char16_t* pin) {
    ComPtr<IGstPin> gst;
    EXPECT_EQ(PinByName(filter, pin).As(&gst), S_OK);
    return gst ? static_cast<GstPad*>(gst->GetPad()) : nullptr;
}

class SmartTeeElement : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoCreateInstance(CLSID_SmartTee, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(tee_.ReleaseAndGetAddressOf())),
                  S_OK);
        ComPtr<IGstFilter> gst;
        ASSERT_EQ(tee_.As(&gst), S_OK);
        source_ = gst_element_factory_make("videotestsrc", nullptr);
        g_object_set(source_, "is-live", TRUE, nullptr);
        GstElement* caps = gst_element_factory_make("capsfilter", nullptr);
        GstCaps* format = gst_caps_from_string("video/x-raw,format=I420,width=160,height=120,framerate=30/1");
        g_object_set(caps, "caps", format, nullptr);
        gst_caps_unref(format);
        pipeline_.Add(source_);
        pipeline_.Add(caps);
        pipeline_.Add(static_cast<GstElement*>(gst->GetElement()));
        ASSERT_TRUE(gst_element_link(source_, caps));
        GstPad* capsSrc = gst_element_get_static_pad(caps, "src");
        ASSERT_EQ(gst_pad_link(capsSrc, PadOf(tee_.Get(), u"Input")), GST_PAD_LINK_OK);
        gst_object_unref(capsSrc);
    }

    ComScope com_;
    ComPtr<IBaseFilter> tee_;
    FrameCollector capture_;  // outlives the pipeline that feeds it
    TestPipeline pipeline_;
    GstElement* source_ = nullptr;
};

TEST_F(SmartTeeElement, CapturePassesOnTheInputsOwnThread) {
    GstPad* sourceSrc = gst_element_get_static_pad(source_, "src");
    PushingThreads input(sourceSrc);
    gst_object_unref(sourceSrc);
    PushingThreads capture(PadOf(tee_.Get(), u"Capture"));
    ASSERT_TRUE(pipeline_.Link(PadOf(tee_.Get(), u"Capture"), capture_.Sink()));
    ASSERT_TRUE(pipeline_.Play());
    pipeline_.RunFor(400);
    EXPECT_TRUE(pipeline_.Stop());
    EXPECT_GE(capture_.Frames().size(), 5u);
    ASSERT_EQ(input.Threads().size(), 1u);
    EXPECT_EQ(capture.Threads(), input.Threads()) << "a thread hand-off between the input and the capture output";
}

TEST_F(SmartTeeElement, StuckPreviewNeverHoldsUpCapture) {
    // A preview sink that takes one frame and then never renders again.
    GstElement* stuck = gst_element_factory_make("appsink", nullptr);
    g_object_set(stuck, "sync", FALSE, "max-buffers", 1u, "drop", FALSE, "emit-signals", FALSE, nullptr);
    ASSERT_TRUE(pipeline_.Link(PadOf(tee_.Get(), u"Capture"), capture_.Sink()));
    ASSERT_TRUE(pipeline_.Link(PadOf(tee_.Get(), u"Preview"), stuck));
    ASSERT_TRUE(pipeline_.Play());
    pipeline_.RunFor(1000);
    EXPECT_GE(capture_.Frames().size(), 25u);
    EXPECT_TRUE(pipeline_.Errors().empty());
    EXPECT_TRUE(pipeline_.Stop());
}

}  // namespace
}  // namespace media::test
