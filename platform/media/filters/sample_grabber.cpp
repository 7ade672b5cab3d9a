#include "platform/media/filters/sample_grabber.h"

#include "platform/media/gst.h"

#include <gst/video/video.h>

#include <cstring>
#include <vector>

#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/filters/media_type_list.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/grabber.h"

namespace media {

namespace {

class SampleGrabber final : public ComExtend<GstFilterBase, ISampleGrabber> {
public:
    SampleGrabber(GstElement* bin, GstElement* accept, GstElement* pass)
        : ComExtend(CLSID_SampleGrabber, u"SampleGrabber", bin), accept_(accept) {
        input_ = AddPin(gst_element_get_static_pad(bin, "Input"), u"Input");
        AddPin(gst_element_get_static_pad(bin, "Output"), u"Output");
        passSrc_ = gst_element_get_static_pad(pass, "src");
        GstPad* passSink = gst_element_get_static_pad(pass, "sink");
        gst_pad_add_probe(passSink,
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          OnData, this, nullptr);
        gst_object_unref(passSink);
    }
    ~SampleGrabber() override {
        FreeMediaType(wanted_);
        gst_object_unref(passSrc_);
    }

    HRESULT SetOneShot(BOOL oneShot) override {
        std::lock_guard lock(mutex_);
        oneShot_ = oneShot != FALSE;
        passed_ = false;
        return S_OK;
    }

    HRESULT SetMediaType(const AM_MEDIA_TYPE* mediaType) override {
        if (!mediaType) return E_POINTER;
        GstCaps* caps = CapsForPartialType(*mediaType);
        if (!caps && mediaType->majortype != GUID_NULL) return VFW_E_TYPE_NOT_ACCEPTED;
        AM_MEDIA_TYPE copy{};
        if (FAILED(CopyMediaType(&copy, mediaType))) {
            if (caps) gst_caps_unref(caps);
            return E_OUTOFMEMORY;
        }
        g_object_set(accept_, "caps", caps ? caps : gst_caps_new_any(), nullptr);
        std::lock_guard lock(mutex_);
        FreeMediaType(wanted_);
        wanted_ = copy;
        if (caps) gst_caps_unref(caps);
        return S_OK;
    }

    HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* mediaType) override { return input_->ConnectionMediaType(mediaType); }

    HRESULT SetBufferSamples(BOOL bufferThem) override {
        std::lock_guard lock(mutex_);
        buffering_ = bufferThem != FALSE;
        return S_OK;
    }

    HRESULT GetCurrentBuffer(LONG* bufferSize, LONG* buffer) override {
        if (!bufferSize) return E_POINTER;
        std::lock_guard lock(mutex_);
        if (!buffering_) return E_INVALIDARG;
        if (!haveSample_) return VFW_E_WRONG_STATE;
        const auto needed = static_cast<LONG>(current_.size());
        if (!buffer) {
            *bufferSize = needed;
            return S_OK;
        }
        if (*bufferSize < needed) return E_OUTOFMEMORY;
        std::memcpy(buffer, current_.data(), current_.size());
        *bufferSize = needed;
        return S_OK;
    }

    // The platform's grabber does not hand out its sample object either.
    HRESULT GetCurrentSample(IMediaSample** sample) override {
        if (sample) *sample = nullptr;
        return E_NOTIMPL;
    }

    HRESULT SetCallback(ISampleGrabberCB* callback, LONG whichMethod) override {
        if (callback && whichMethod != 1) return E_NOTIMPL;  // SampleCB needs a sample object
        std::lock_guard lock(mutex_);
        callback_ = ComPtr<ISampleGrabberCB>(callback);
        return S_OK;
    }

private:
    static GstPadProbeReturn OnData(GstPad* pad, GstPadProbeInfo* info, gpointer self) {
        return static_cast<SampleGrabber*>(self)->Handle(pad, info);
    }

    GstPadProbeReturn Handle(GstPad* pad, GstPadProbeInfo* info) {
        if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
            if (GST_EVENT_TYPE(gst_pad_probe_info_get_event(info)) == GST_EVENT_STREAM_START) {
                std::lock_guard lock(mutex_);
                passed_ = false;
            }
            return GST_PAD_PROBE_OK;
        }
        GstBuffer* buffer = gst_pad_probe_info_get_buffer(info);
        ComPtr<ISampleGrabberCB> callback;
        bool endNow = false;
        {
            std::lock_guard lock(mutex_);
            if (oneShot_ && passed_) return GST_PAD_PROBE_DROP;
            if (buffering_) Keep(pad, buffer);
            callback = callback_;
            passed_ = true;
            endNow = oneShot_;
        }
        if (callback) Call(callback.Get(), buffer);
        if (!endNow) return GST_PAD_PROBE_OK;
        // One shot: pass this sample on ourselves, then end the stream behind it.
        gst_pad_push(passSrc_, gst_buffer_ref(buffer));
        gst_pad_push_event(passSrc_, gst_event_new_eos());
        return GST_PAD_PROBE_DROP;
    }

    // Copies the sample; RGB frames row by row, bottom row first, rows padded to 4 bytes.
    void Keep(GstPad* pad, GstBuffer* buffer) {
        GstCaps* caps = gst_pad_get_current_caps(pad);
        GstVideoInfo video;
        const bool rgb = caps && gst_video_info_from_caps(&video, caps) && GST_VIDEO_INFO_IS_RGB(&video);
        if (caps) gst_caps_unref(caps);
        haveSample_ = true;
        if (!rgb) {
            current_.resize(gst_buffer_get_size(buffer));
            gst_buffer_extract(buffer, 0, current_.data(), current_.size());
            return;
        }
        GstVideoFrame frame;
        if (!gst_video_frame_map(&frame, &video, buffer, GST_MAP_READ)) {
            haveSample_ = false;
            return;
        }
        const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
        const int rowBytes = GST_VIDEO_FRAME_WIDTH(&frame) * GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, 0);
        const int dibStride = (rowBytes + 3) & ~3;
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
        const auto* pixels = static_cast<const BYTE*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
        current_.assign(static_cast<std::size_t>(dibStride) * height, 0);
        for (int row = 0; row < height; ++row) {
            std::memcpy(current_.data() + static_cast<std::size_t>(height - 1 - row) * dibStride,
                        pixels + static_cast<std::size_t>(row) * stride, rowBytes);
        }
        gst_video_frame_unmap(&frame);
    }

    static void Call(ISampleGrabberCB* callback, GstBuffer* buffer) {
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
        const double time = GST_BUFFER_PTS_IS_VALID(buffer) ? static_cast<double>(GST_BUFFER_PTS(buffer)) / GST_SECOND : 0.0;
        callback->BufferCB(time, map.data, static_cast<LONG>(map.size));
        gst_buffer_unmap(buffer, &map);
    }

    GstElement* accept_;
    GstPad* passSrc_;
    CBasePin* input_;
    std::mutex mutex_;
    AM_MEDIA_TYPE wanted_{};
    bool oneShot_ = false;
    bool passed_ = false;
    bool buffering_ = false;
    bool haveSample_ = false;
    std::vector<BYTE> current_;
    ComPtr<ISampleGrabberCB> callback_;
};

}  // namespace

HRESULT CreateSampleGrabber(IUnknown*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    GstElement* accept = MakeElement("capsfilter", nullptr);
    GstElement* pass = MakeElement("identity", nullptr);
    GstElement* bin = MakeChainBin("Input", "Output", {accept, pass});
    if (!bin) return E_FAIL;
    return CreateComObject<SampleGrabber>(riid, object, bin, accept, pass);
}

}  // namespace media
