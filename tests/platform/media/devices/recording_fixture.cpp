#include "tests/platform/media/devices/recording_fixture.h"

#include "platform/media/gst.h"

#include <gst/app/gstappsink.h>
#include <gst/audio/audio.h>
#include <gst/pbutils/pbutils.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <fstream>
#include <mutex>
#include <vector>

#include "platform/com/wide_text.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/stream_config.h"

namespace media::test {
namespace {

namespace fs = std::filesystem;

std::string StreamCaps(GList* streams) {
    if (!streams) return {};
    GstCaps* caps = gst_discoverer_stream_info_get_caps(GST_DISCOVERER_STREAM_INFO(streams->data));
    if (!caps) return {};
    gchar* text = gst_caps_to_string(caps);
    std::string out = text;
    g_free(text);
    gst_caps_unref(caps);
    return out;
}

std::uint32_t ReadLe32(const std::vector<char>& bytes, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

// Counts what the decoders hand to the sinks.
struct DecodeCount {
    std::atomic<int> videoFrames{0};
    std::mutex mutex;
    GstAudioInfo audio{};
    bool audioKnown = false;
    std::uint64_t audioFrames = 0;
    int audioRate = 0;
};

GstPadProbeReturn OnVideo(GstPad*, GstPadProbeInfo* info, gpointer data) {
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) ++static_cast<DecodeCount*>(data)->videoFrames;
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnAudio(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* count = static_cast<DecodeCount*>(data);
    std::lock_guard lock(count->mutex);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        if (count->audioKnown && GST_AUDIO_INFO_BPF(&count->audio) > 0)
            count->audioFrames += gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info)) / GST_AUDIO_INFO_BPF(&count->audio);
    } else if (GstEvent* event = gst_pad_probe_info_get_event(info); event && GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        count->audioKnown = gst_audio_info_from_caps(&count->audio, caps);
        if (count->audioKnown) count->audioRate = GST_AUDIO_INFO_RATE(&count->audio);
    }
    return GST_PAD_PROBE_OK;
}

// Each decoded stream ends in a fake sink that counts it.
void OnDecodedPad(GstElement* decoder, GstPad* pad, gpointer data) {
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps) caps = gst_pad_query_caps(pad, nullptr);
    const std::string name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    gst_caps_unref(caps);
    const bool video = name.starts_with("video/x-raw");
    if (!video && !name.starts_with("audio/x-raw")) return;
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, nullptr);
    GstBin* pipeline = GST_BIN(gst_element_get_parent(decoder));
    gst_bin_add(pipeline, sink);
    gst_object_unref(pipeline);
    GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(sinkPad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      video ? OnVideo : OnAudio, data, nullptr);
    gst_pad_link(pad, sinkPad);
    gst_object_unref(sinkPad);
    gst_element_sync_state_with_parent(sink);
}

// The demuxed video frames' times, collected by an appsink on the first video pad.
struct VideoStampSink {
    std::mutex mutex;
    bool linked = false;
    std::vector<std::int64_t> stamps;
};

GstFlowReturn OnDemuxedFrame(GstAppSink* sink, gpointer data) {
    auto* collected = static_cast<VideoStampSink*>(data);
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample) return GST_FLOW_EOS;
    const GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (buffer && GST_BUFFER_PTS_IS_VALID(buffer)) {
        std::lock_guard lock(collected->mutex);
        collected->stamps.push_back(static_cast<std::int64_t>(GST_BUFFER_PTS(buffer)));
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

// The first video stream the parser finds goes to an appsink; every other stream to a fake sink.
void OnParsedPad(GstElement* parser, GstPad* pad, gpointer data) {
    auto* collected = static_cast<VideoStampSink*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps) caps = gst_pad_query_caps(pad, nullptr);
    const bool video = std::string(gst_structure_get_name(gst_caps_get_structure(caps, 0))).starts_with("video/");
    gst_caps_unref(caps);
    GstElement* sink = nullptr;
    {
        std::lock_guard lock(collected->mutex);
        if (video && !collected->linked) {
            collected->linked = true;
            sink = gst_element_factory_make("appsink", nullptr);
            GstAppSinkCallbacks callbacks{};
            callbacks.new_sample = OnDemuxedFrame;
            gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, collected, nullptr);
        }
    }
    if (!sink) sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, nullptr);
    GstBin* pipeline = GST_BIN(gst_element_get_parent(parser));
    gst_bin_add(pipeline, sink);
    gst_object_unref(pipeline);
    GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_link(pad, sinkPad);
    gst_object_unref(sinkPad);
    gst_element_sync_state_with_parent(sink);
}

}  // namespace

std::vector<std::int64_t> DemuxedVideoStamps(const fs::path& file) {
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* parser = gst_element_factory_make("parsebin", nullptr);
    if (!source || !parser) {
        if (source) gst_object_unref(gst_object_ref_sink(source));
        if (parser) gst_object_unref(gst_object_ref_sink(parser));
        gst_object_unref(pipeline);
        return {};
    }
    g_object_set(source, "location", file.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline), source, parser, nullptr);
    gst_element_link(source, parser);
    VideoStampSink collected;
    g_signal_connect(parser, "pad-added", G_CALLBACK(OnParsedPad), &collected);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, 60 * GST_SECOND,
                                                     static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ended = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message) gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    std::lock_guard lock(collected.mutex);
    return ended ? collected.stamps : std::vector<std::int64_t>{};
}

std::int64_t SpreadFromGrid(const std::vector<std::int64_t>& stamps) {
    if (stamps.size() < 2) return 0;
    const double step = static_cast<double>(stamps.back() - stamps.front()) / static_cast<double>(stamps.size() - 1);
    double spread = 0;
    for (std::size_t i = 0; i < stamps.size(); ++i)
        spread = std::max(spread, std::abs(static_cast<double>(stamps[i] - stamps.front()) - step * static_cast<double>(i)));
    return static_cast<std::int64_t>(spread);
}

Discovered Discover(const fs::path& file) {
    Discovered d;
    GError* error = nullptr;
    GstDiscoverer* discoverer = gst_discoverer_new(10 * GST_SECOND, &error);
    if (!discoverer) {
        g_clear_error(&error);
        return d;
    }
    gchar* uri = gst_filename_to_uri(file.c_str(), nullptr);
    GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer, uri, &error);
    g_free(uri);
    g_clear_error(&error);
    if (info && gst_discoverer_info_get_result(info) == GST_DISCOVERER_OK) {
        d.ok = true;
        d.seconds = static_cast<double>(gst_discoverer_info_get_duration(info)) / GST_SECOND;
        GList* video = gst_discoverer_info_get_video_streams(info);
        GList* audio = gst_discoverer_info_get_audio_streams(info);
        d.videoStreams = static_cast<int>(g_list_length(video));
        d.audioStreams = static_cast<int>(g_list_length(audio));
        if (video) {
            auto* v = GST_DISCOVERER_VIDEO_INFO(video->data);
            d.width = static_cast<int>(gst_discoverer_video_info_get_width(v));
            d.height = static_cast<int>(gst_discoverer_video_info_get_height(v));
        }
        d.videoCaps = StreamCaps(video);
        d.audioCaps = StreamCaps(audio);
        gst_discoverer_stream_info_list_free(video);
        gst_discoverer_stream_info_list_free(audio);
    }
    if (info) gst_discoverer_info_unref(info);
    g_object_unref(discoverer);
    return d;
}

bool CapsAgree(const std::string& found, const char* wanted) {
    GstCaps* a = gst_caps_from_string(found.c_str());
    GstCaps* b = gst_caps_from_string(wanted);
    const bool agree = a && b && gst_caps_can_intersect(a, b);
    if (a) gst_caps_unref(a);
    if (b) gst_caps_unref(b);
    return agree;
}

AviChunks WalkAvi(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    AviChunks chunks;
    if (bytes.size() < 64 || std::memcmp(bytes.data(), "RIFF", 4) != 0) return chunks;
    chunks.headerFrames = ReadLe32(bytes, 48);  // avih: dwTotalFrames
    std::size_t at = 12;
    while (at + 12 <= bytes.size()) {
        const std::uint32_t size = ReadLe32(bytes, at + 4);
        if (std::memcmp(bytes.data() + at, "LIST", 4) == 0 && std::memcmp(bytes.data() + at + 8, "movi", 4) == 0) {
            const std::size_t end = std::min<std::size_t>(bytes.size(), at + 8 + size);
            for (std::size_t c = at + 12; c + 8 <= end;) {
                const std::uint32_t chunkSize = ReadLe32(bytes, c + 4);
                if (c + 8 + chunkSize > bytes.size()) break;
                if (bytes[c + 2] == 'd') ++chunks.videoFrames;
                if (bytes[c + 2] == 'w' && bytes[c + 3] == 'b') chunks.audioBytes += chunkSize;
                c += 8 + chunkSize + (chunkSize & 1);
            }
        } else if (std::memcmp(bytes.data() + at, "idx1", 4) == 0) {
            chunks.legacyIndex = true;
        }
        at += 8 + size + (size & 1);
    }
    return chunks;
}

Decoded DecodeFile(const fs::path& file) {
    Decoded result;
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* decoder = gst_element_factory_make("decodebin", nullptr);
    if (!source || !decoder) {
        result.error = "filesrc or decodebin missing";
        gst_object_unref(pipeline);
        return result;
    }
    g_object_set(source, "location", file.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline), source, decoder, nullptr);
    gst_element_link(source, decoder);
    DecodeCount count;
    g_signal_connect(decoder, "pad-added", G_CALLBACK(OnDecodedPad), &count);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, 60 * GST_SECOND,
                                                     static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (!message) {
        result.error = "no end of stream within a minute";
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        result.error = error ? error->message : "error";
        g_clear_error(&error);
    } else {
        result.ok = true;
    }
    if (message) gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    result.videoFrames = count.videoFrames.load();
    std::lock_guard lock(count.mutex);
    if (count.audioRate > 0) result.audioSeconds = static_cast<double>(count.audioFrames) / count.audioRate;
    return result;
}

void RecordingTest::SetUp() {
    DeviceTest::SetUp();
    char pattern[] = "/tmp/qd-recording-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    dir_ = pattern;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                                     builder_.ReleaseAndGetVoidAddress()));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                     graph_.ReleaseAndGetVoidAddress()));
    ASSERT_EQ(S_OK, builder_->SetFiltergraph(graph_.Get()));
    control_ = As<IMediaControl>(graph_.Get());
    events_ = As<IMediaEventEx>(graph_.Get());
    video_ = Bind(kVirtualTvCardName);
    audio_ = Bind(kVirtualTvCardAudioName);
    ASSERT_TRUE(video_ && audio_);
    ASSERT_EQ(S_OK, graph_->AddFilter(video_.Get(), nullptr));
    ASSERT_EQ(S_OK, graph_->AddFilter(audio_.Get(), nullptr));
}

void RecordingTest::TearDown() {
    if (control_) control_->Stop();
    control_ = nullptr;
    events_ = nullptr;
    mux_ = nullptr;
    sink_ = nullptr;
    video_ = audio_ = nullptr;
    builder_ = nullptr;
    graph_ = nullptr;
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
    DeviceTest::TearDown();
}

HRESULT RecordingTest::BuildRecording(const fs::path& file, IBaseFilter* videoCompressor, IBaseFilter* audioCompressor) {
    HRESULT hr = builder_->SetOutputFileName(&MEDIASUBTYPE_Avi, Utf8ToWide(file.string()).c_str(),
                                             mux_.ReleaseAndGetAddressOf(), sink_.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    hr = builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video_.Get(), videoCompressor, mux_.Get());
    if (FAILED(hr)) return hr;
    return builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio_.Get(), audioCompressor, mux_.Get());
}

HRESULT RecordingTest::WatchFor(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    HRESULT abort = S_OK;
    while (std::chrono::steady_clock::now() < end) {
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (events_->GetEvent(&code, &p1, &p2, 50) != S_OK) continue;
        if (code == EC_ERRORABORT && abort == S_OK) abort = static_cast<HRESULT>(p1);
        events_->FreeEventParams(code, p1, p2);
    }
    return abort;
}

ComPtr<IPin> RecordingTest::CapturePin(IBaseFilter* filter, const GUID& type) {
    ComPtr<IPin> pin;
    builder_->FindPin(filter, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &type, FALSE, 0, pin.ReleaseAndGetAddressOf());
    return pin;
}

void RecordingTest::CaptureFormat(int* width, int* height, double* fps) {
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(S_OK, As<IAMStreamConfig>(CapturePin(video_.Get(), MEDIATYPE_Video).Get())->GetFormat(&type));
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
    *width = info->bmiHeader.biWidth;
    *height = std::abs(info->bmiHeader.biHeight);
    *fps = 1e7 / static_cast<double>(info->AvgTimePerFrame);
    DeleteMediaType(type);
}

void RecordingTest::SetCaptureSize(int width, int height) {
    auto config = As<IAMStreamConfig>(CapturePin(video_.Get(), MEDIATYPE_Video).Get());
    ASSERT_TRUE(config);
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(S_OK, config->GetFormat(&type));
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
    const bool topDown = info->bmiHeader.biHeight < 0;
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = topDown ? -height : height;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(width * height * info->bmiHeader.biBitCount / 8);
    type->lSampleSize = info->bmiHeader.biSizeImage;
    EXPECT_EQ(S_OK, config->SetFormat(type));
    DeleteMediaType(type);
}

double RecordingTest::AudioBytesPerSecond() {
    AM_MEDIA_TYPE type{};
    EXPECT_EQ(S_OK, CapturePin(audio_.Get(), MEDIATYPE_Audio)->ConnectionMediaType(&type));
    const double rate = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat)->nAvgBytesPerSec;
    FreeMediaType(type);
    return rate;
}

ComPtr<IBaseFilter> RecordingTest::AddBound(const std::u16string& displayName) {
    ComPtr<IBindCtx> context;
    CreateBindCtx(0, context.ReleaseAndGetAddressOf());
    ULONG eaten = 0;
    ComPtr<IMoniker> moniker;
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(S_OK, MkParseDisplayName(context.Get(), displayName.c_str(), &eaten, moniker.ReleaseAndGetAddressOf()))
        << WideToUtf8(displayName);
    if (!moniker) return filter;
    EXPECT_EQ(S_OK, moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()));
    if (filter) {
        EXPECT_EQ(S_OK, graph_->AddFilter(filter.Get(), nullptr));
    }
    return filter;
}

}  // namespace media::test
