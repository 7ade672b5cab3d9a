#include "tests/platform/media/graph/graph_fakes.h"

#include <string>

#include "platform/media/filters/media_classes.h"
#include "platform/media/gst_helpers.h"

namespace media::test {

namespace {

GstElement* LiveBranch(GstBin* bin, const char* source, const char* caps, const char* ghostName) {
    GstElement* src = gst_element_factory_make(source, nullptr);
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    g_object_set(src, "is-live", TRUE, nullptr);
    SetFilterCaps(filter, gst_caps_from_string(caps));
    gst_bin_add_many(bin, src, filter, nullptr);
    gst_element_link(src, filter);
    GstPad* inner = gst_element_get_static_pad(filter, "src");
    gst_element_add_pad(GST_ELEMENT(bin), gst_ghost_pad_new(ghostName, inner));
    gst_object_unref(inner);
    return src;
}

class FakeSource final : public GstFilterBase {
public:
    FakeSource(GstElement* bin, const char16_t* name) : GstFilterBase(GUID_NULL, name, bin) {}
    void Add(const char* pad, const char16_t* name, const GUID* category) {
        AddPin(gst_element_get_static_pad(GetElement(), pad), name, category);
    }
};

}  // namespace

ComPtr<IBaseFilter> MakeVideoSource(const char* format, bool withPreview, const char* name) {
    GstElement* bin = gst_bin_new(nullptr);
    const std::string caps = std::string("video/x-raw, format=") + format + ", width=320, height=240, framerate=30/1";
    LiveBranch(GST_BIN(bin), "videotestsrc", caps.c_str(), "capture");
    if (withPreview) LiveBranch(GST_BIN(bin), "videotestsrc", caps.c_str(), "preview");
    std::u16string wide(name, name + std::char_traits<char>::length(name));
    auto source = MakeComObject<FakeSource>(bin, wide.c_str());
    source->Add("capture", u"Capture", &PIN_CATEGORY_CAPTURE);
    if (withPreview) source->Add("preview", u"Preview", &PIN_CATEGORY_PREVIEW);
    return ComPtr<IBaseFilter>(source.Get());
}

ComPtr<IBaseFilter> MakeAudioSource() {
    GstElement* bin = gst_bin_new(nullptr);
    LiveBranch(GST_BIN(bin), "audiotestsrc", "audio/x-raw, format=S16LE, rate=48000, channels=2, layout=interleaved",
               "capture");
    auto source = MakeComObject<FakeSource>(bin, u"Fake Audio");
    source->Add("capture", u"Capture", &PIN_CATEGORY_CAPTURE);
    return ComPtr<IBaseFilter>(source.Get());
}

GstElement* SourceElement(IBaseFilter* filter) {
    ComPtr<IGstFilter> gst;
    filter->QueryInterface(IID_PPV_ARGS(gst.ReleaseAndGetAddressOf()));
    return GST_ELEMENT(GST_BIN_CHILDREN(GST_BIN(gst->GetElement()))->data);
}

CountingSink::CountingSink(GstElement* bin, GstElement* appsink) : GstFilterBase(GUID_NULL, u"Counting Sink", bin) {
    AddPin(gst_element_get_static_pad(bin, "In"), u"In");
    g_signal_connect(appsink, "new-sample", G_CALLBACK(OnSample), this);
}

GstFlowReturn CountingSink::OnSample(GstElement* sink, gpointer self) {
    GstSample* sample = nullptr;
    g_signal_emit_by_name(sink, "pull-sample", &sample);
    if (sample) gst_sample_unref(sample);
    static_cast<CountingSink*>(self)->buffers_++;
    return GST_FLOW_OK;
}

bool CountingSink::WaitForBuffers(int count, int milliseconds) const {
    return WaitUntil([&] { return buffers_.load() >= count; }, milliseconds);
}

ComPtr<IBaseFilter> MakeCountingSink(const char* caps, CountingSink** sink) {
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    GstElement* appsink = gst_element_factory_make("appsink", nullptr);
    SetFilterCaps(filter, gst_caps_from_string(caps));
    g_object_set(appsink, "emit-signals", TRUE, "sync", FALSE, "async", FALSE, nullptr);
    GstElement* bin = MakeChainBin("In", nullptr, {filter, appsink});
    auto counting = MakeComObject<CountingSink>(bin, appsink);
    if (sink) *sink = counting.Get();
    return ComPtr<IBaseFilter>(counting.Get());
}

ComPtr<IPin> PinByName(IBaseFilter* filter, const char16_t* name) {
    ComPtr<IPin> pin;
    filter->FindPin(name, pin.ReleaseAndGetAddressOf());
    return pin;
}

TestWindow::TestWindow() : handle_(RegisterWindow(this)) {}
TestWindow::~TestWindow() { UnregisterWindow(handle_); }

bool TestWindow::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    std::lock_guard lock(mutex_);
    messages_.push_back({msg, wParam, lParam});
    return true;
}

void TestWindow::PresentFrame(const VideoFrame& frame, const VideoPlacement& placement) {
    std::lock_guard lock(mutex_);
    lastTarget_ = placement.target;
    lastWidth_ = frame.width;
    frames_++;
}

std::vector<TestWindow::Message> TestWindow::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

bool TestWindow::WaitForMessage(UINT msg, int milliseconds) const {
    return WaitUntil(
        [&] {
            for (const auto& m : Messages())
                if (m.msg == msg) return true;
            return false;
        },
        milliseconds);
}

RECT TestWindow::LastTarget() const {
    std::lock_guard lock(mutex_);
    return lastTarget_;
}

ComScope::ComScope() {
    CoInitialize(nullptr);
    RegisterMediaClasses();
}
ComScope::~ComScope() { CoUninitialize(); }

}  // namespace media::test
