// The virtual TV card's preview pin rendered into the video renderer: the formats the two settle
// on and which colour conversions then do work.
#include "platform/media/gst.h"

#include <gst/base/gstbasetransform.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/media/devices/virtual_devices.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/gst_filter.h"
#include "platform/media/interfaces/stream_config.h"
#include "tests/platform/media/devices/device_fixture.h"
#include "tests/platform/media/graph/graph_fakes.h"

namespace media::test {
namespace {

struct TypeDeleter {
    void operator()(AM_MEDIA_TYPE* t) const { DeleteMediaType(t); }
};
using OwnedType = std::unique_ptr<AM_MEDIA_TYPE, TypeDeleter>;

// A colour converter or scaler somewhere in the running pipeline: the formats it was given and
// gives, and how many buffers left it.
struct Converter {
    std::string factory;
    bool directlyInPipeline = false;  // put there by a connection, not inside a filter
    bool passthrough = false;
    std::string in, out;
    int buffers = 0;
};

std::string CurrentFormat(GstElement* element, const char* pad) {
    std::string format;
    GstPad* p = gst_element_get_static_pad(element, pad);
    if (GstCaps* caps = p ? gst_pad_get_current_caps(p) : nullptr) {
        if (const char* f = gst_structure_get_string(gst_caps_get_structure(caps, 0), "format")) format = f;
        gst_caps_unref(caps);
    }
    if (p) gst_object_unref(p);
    return format;
}

// Counts the buffers leaving every videoconvert and videoscale of a pipeline, from before it
// runs; the converters of an output nothing is connected to are set up but see no buffer.
class ConverterWatch {
public:
    explicit ConverterWatch(GstElement* pipeline) : pipeline_(pipeline) {
        GstIterator* it = gst_bin_iterate_recurse(GST_BIN(pipeline));
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            auto* element = GST_ELEMENT(g_value_get_object(&item));
            GstElementFactory* factory = gst_element_get_factory(element);
            const std::string name = factory ? GST_OBJECT_NAME(factory) : "";
            if (name == "videoconvert" || name == "videoscale") {
                auto watched = std::make_unique<Watched>();
                watched->element = GST_ELEMENT(gst_object_ref(element));
                watched->factory = name;
                GstPad* src = gst_element_get_static_pad(element, "src");
                gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_BUFFER, &ConverterWatch::OnBuffer, watched.get(), nullptr);
                gst_object_unref(src);
                watched_.push_back(std::move(watched));
            }
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
    }
    ~ConverterWatch() {
        for (auto& w : watched_) gst_object_unref(w->element);
    }
    ConverterWatch(const ConverterWatch&) = delete;
    ConverterWatch& operator=(const ConverterWatch&) = delete;

    std::vector<Converter> Seen() const {
        std::vector<Converter> seen;
        for (const auto& w : watched_) {
            seen.push_back({w->factory, GST_ELEMENT_PARENT(w->element) == pipeline_,
                            gst_base_transform_is_passthrough(GST_BASE_TRANSFORM(w->element)) != FALSE,
                            CurrentFormat(w->element, "sink"), CurrentFormat(w->element, "src"), w->buffers.load()});
        }
        return seen;
    }

private:
    struct Watched {
        GstElement* element = nullptr;
        std::string factory;
        std::atomic<int> buffers{0};
    };
    static GstPadProbeReturn OnBuffer(GstPad*, GstPadProbeInfo*, gpointer data) {
        ++static_cast<Watched*>(data)->buffers;
        return GST_PAD_PROBE_OK;
    }

    GstElement* pipeline_;
    std::vector<std::unique_ptr<Watched>> watched_;
};

class PreviewRendererTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         graph_.ReleaseAndGetVoidAddress()));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_ICaptureGraphBuilder2, builder_.ReleaseAndGetVoidAddress()));
        ASSERT_EQ(S_OK, builder_->SetFiltergraph(graph_.Get()));
        card_ = Bind(kVirtualTvCardName);
        ASSERT_TRUE(card_);
        ASSERT_EQ(S_OK, graph_->AddFilter(card_.Get(), nullptr));
        preview_ = PinNamed(card_.Get(), u"Preview");
        ASSERT_TRUE(preview_);
    }
    void TearDown() override {
        if (control_) control_->Stop();
        control_ = nullptr;
        builder_ = nullptr;
        graph_ = nullptr;
        DeviceTest::TearDown();
    }

    void Render() {
        ASSERT_EQ(S_OK, builder_->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, card_.Get(), nullptr, nullptr));
    }

    // Shows the rendered preview in `target` and runs until three frames were drawn.
    void ShowAndRun(TestWindow& target) {
        ComPtr<IVideoWindow> window = As<IVideoWindow>(graph_.Get());
        ASSERT_TRUE(window);
        ASSERT_EQ(S_OK, window->put_Owner(reinterpret_cast<OAHWND>(target.Handle())));
        ASSERT_EQ(S_OK, window->SetWindowPosition(0, 0, 640, 480));
        ASSERT_EQ(S_OK, window->put_Visible(OATRUE));
        control_ = As<IMediaControl>(graph_.Get());
        ASSERT_TRUE(SUCCEEDED(control_->Run()));
        EXPECT_TRUE(WaitUntil([&] { return target.Frames() >= 3; }, 5000)) << target.Frames() << " frames";
    }

    GUID ConnectedSubtype() {
        AM_MEDIA_TYPE type{};
        if (FAILED(preview_->ConnectionMediaType(&type))) return GUID_NULL;
        const GUID subtype = type.subtype;
        FreeMediaType(type);
        return subtype;
    }

    GstElement* Pipeline() {
        ComPtr<IGstFilter> card = As<IGstFilter>(card_.Get());
        return card ? GST_ELEMENT_PARENT(card->GetElement()) : nullptr;
    }

    ComPtr<IGraphBuilder> graph_;
    ComPtr<ICaptureGraphBuilder2> builder_;
    ComPtr<IMediaControl> control_;
    ComPtr<IBaseFilter> card_;
    ComPtr<IPin> preview_;
};

TEST_F(PreviewRendererTest, ThePreviewOffersRgb32FirstAndTheRendererTakesItWithNoConversion) {
    ComPtr<IAMStreamConfig> config = As<IAMStreamConfig>(preview_.Get());
    AM_MEDIA_TYPE* first = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(S_OK, config->GetStreamCaps(0, &first, reinterpret_cast<BYTE*>(&caps)));
    OwnedType held(first);
    EXPECT_EQ(MEDIASUBTYPE_RGB32, first->subtype);

    Render();
    EXPECT_EQ(MEDIASUBTYPE_RGB32, ConnectedSubtype());
    ASSERT_NE(Pipeline(), nullptr);
    ConverterWatch watch(Pipeline());
    TestWindow target;
    ShowAndRun(target);
    EXPECT_EQ(640, target.LastWidth());
    int passed = 0;
    for (const Converter& c : watch.Seen()) {
        EXPECT_FALSE(c.directlyInPipeline) << "the connection needed a " << c.factory;
        if (c.buffers == 0) continue;
        ++passed;
        EXPECT_TRUE(c.passthrough) << c.factory << " converts " << c.in << " to " << c.out;
        EXPECT_EQ(c.in, "BGRx") << c.factory;
    }
    EXPECT_GE(passed, 2) << "the frames pass the card's preview output and the renderer's converter";
}

TEST_F(PreviewRendererTest, AYuy2OnlyPreviewStillReachesTheRendererConvertedByIt) {
    ComPtr<IAMStreamConfig> config = As<IAMStreamConfig>(preview_.Get());
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    OwnedType yuy2;
    for (int i = 0; i < count && !yuy2; ++i) {
        AM_MEDIA_TYPE* t = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps{};
        if (config->GetStreamCaps(i, &t, reinterpret_cast<BYTE*>(&caps)) != S_OK) continue;
        OwnedType held(t);
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(t->pbFormat);
        if (t->subtype == MEDIASUBTYPE_YUY2 && vih->bmiHeader.biWidth == 640 && vih->AvgTimePerFrame == 333667)
            yuy2 = std::move(held);
    }
    ASSERT_TRUE(yuy2);
    ASSERT_EQ(S_OK, config->SetFormat(yuy2.get()));
    // Once a format is set the pin's stream carries that format alone.
    ComPtr<IGstPin> pin = As<IGstPin>(preview_.Get());
    ASSERT_TRUE(pin);
    GstCaps* offered = gst_pad_query_caps(pin->GetPad(), nullptr);
    ASSERT_NE(offered, nullptr);
    EXPECT_EQ(gst_caps_get_size(offered), 1u);
    EXPECT_STREQ(gst_structure_get_string(gst_caps_get_structure(offered, 0), "format"), "YUY2");
    gst_caps_unref(offered);

    Render();
    EXPECT_EQ(MEDIASUBTYPE_YUY2, ConnectedSubtype());
    ConverterWatch watch(Pipeline());
    TestWindow target;
    ShowAndRun(target);
    int converting = 0;
    for (const Converter& c : watch.Seen()) {
        EXPECT_FALSE(c.directlyInPipeline) << "the connection needed a " << c.factory;
        if (c.buffers > 0 && c.factory == "videoconvert" && !c.passthrough) {
            ++converting;
            EXPECT_EQ(c.in, "YUY2");
            EXPECT_EQ(c.out, "BGRx");
        }
    }
    EXPECT_EQ(converting, 1) << "the renderer converts the frames once";
}

}  // namespace
}  // namespace media::test
