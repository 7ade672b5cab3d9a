#include "platform/media/gst.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>
#include <gst/video/videooverlay.h>

#include "platform/com/bstr.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/filters/native_video_sink.h"
#include "platform/media/filters/renderer_bin.h"
#include "platform/media/filters/renderers.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/system/window.h"

namespace media {

namespace {

// The colour conversion in front of a display: chroma taken from the nearest sample and no
// dithering, which is what the eye cannot tell apart on a preview and costs about half of
// videoconvert's default resampling.
GstElement* MakeDisplayConverter() {
    GstElement* convert = MakeElement("videoconvert", nullptr);
    if (convert) {
        gst_util_set_object_arg(G_OBJECT(convert), "chroma-mode", "none");
        gst_util_set_object_arg(G_OBJECT(convert), "dither", "none");
    }
    return convert;
}

// BGRx frames into an appsink that keeps only the newest one.
GstElement* MakeToolkitChain(GstElement** sinkOut) {
    GstElement* convert = MakeDisplayConverter();
    GstElement* format = MakeElement("capsfilter", nullptr);
    GstElement* sink = MakeElement("appsink", nullptr);
    if (format) SetFilterCaps(format, gst_caps_from_string("video/x-raw, format=BGRx"));
    if (sink) g_object_set(sink, "sync", TRUE, "max-buffers", 1u, "drop", TRUE, "async", FALSE, nullptr);
    GstElement* chain = MakeChainBin("sink", nullptr, {convert, format, sink});
    *sinkOut = chain ? sink : nullptr;
    return chain;
}

// The frames go one of two ways, chosen by the owner window. A window with a native window
// gets the display system's own video sink drawing straight into it (the toolkit never
// touches a frame); any other window gets BGRx frames handed to its video surface. The bin
// holds one of the two outputs at a time behind its fixed "Input" pad and swaps them when the
// owner changes, between two buffers.
class VideoRenderer final : public ComExtend<GstFilterBase, IVideoWindow>, public NativeVideoClient {
public:
    VideoRenderer(GstElement* bin, GstElement* toolkitOutput, GstElement* toolkitSink)
        : ComExtend(CLSID_VideoRenderer, u"Video Renderer", bin), output_(toolkitOutput) {
        ConnectToolkitSink(toolkitSink);
        GstPad* pad = gst_element_get_static_pad(bin, "Input");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnEvent, this, nullptr);
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, DropWhileHidden, this, nullptr);
        input_ = AddPin(pad, u"Input");
        SetChildMessageHook(bin, OnChildMessage, this);
    }
    ~VideoRenderer() override {
        gst_element_set_state(Element(), GST_STATE_NULL);
        SetChildMessageHook(Element(), nullptr, nullptr);
        HWND attached;
        {
            std::lock_guard lock(mutex_);
            attached = attachedTo_;
            attachedTo_ = nullptr;
        }
        Detach(attached, this);
        SysFreeString(caption_);
    }

    // NativeVideoClient: the owner painted over the picture.
    void Expose() override {
        GstElement* sink = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (nativeSink_ && visible_ && owner_) sink = GST_ELEMENT(gst_object_ref(nativeSink_));
        }
        if (!sink) return;
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink));
        gst_object_unref(sink);
    }

    // IDispatch: no type information.
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, void**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, void*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }

    HRESULT put_Caption(BSTR caption) override {
        std::lock_guard lock(mutex_);
        SysFreeString(caption_);
        caption_ = caption ? SysAllocString(caption) : nullptr;
        return S_OK;
    }
    HRESULT get_Caption(BSTR* caption) override {
        if (!caption) return E_POINTER;
        std::lock_guard lock(mutex_);
        *caption = SysAllocString(caption_ ? caption_ : u"");
        return *caption ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT put_WindowStyle(LONG style) override { return Store(&style_, style); }
    HRESULT get_WindowStyle(LONG* style) override { return Load(style_, style); }
    HRESULT put_WindowStyleEx(LONG style) override { return Store(&styleEx_, style); }
    HRESULT get_WindowStyleEx(LONG* style) override { return Load(styleEx_, style); }
    HRESULT put_AutoShow(LONG autoShow) override { return Store(&autoShow_, autoShow ? OATRUE : OAFALSE); }
    HRESULT get_AutoShow(LONG* autoShow) override { return Load(autoShow_, autoShow); }
    HRESULT put_WindowState(LONG state) override {
        if (state == SW_HIDE) return put_Visible(OAFALSE);
        Store(&windowState_, state);
        return put_Visible(OATRUE);
    }
    HRESULT get_WindowState(LONG* state) override { return Load(windowState_, state); }
    HRESULT put_BackgroundPalette(LONG palette) override { return Store(&palette_, palette); }
    HRESULT get_BackgroundPalette(LONG* palette) override { return Load(palette_, palette); }
    HRESULT put_Visible(LONG visible) override {
        HWND clearOn = nullptr;
        {
            std::lock_guard lock(mutex_);
            visible_ = visible ? OATRUE : OAFALSE;
            if (!visible_) clearOn = owner_;
            clearAtNextDrop_ = !visible_;
        }
        if (clearOn) {
            Clear(clearOn);
        } else {
            Expose();  // a paused graph shows its last frame again at once
        }
        return S_OK;
    }
    HRESULT get_Visible(LONG* visible) override { return Load(visible_, visible); }
    HRESULT put_Left(LONG left) override {
        return Placed(Store(&rect_.left, left, rect_.right - rect_.left + left, &rect_.right));
    }
    HRESULT get_Left(LONG* left) override { return Load(rect_.left, left); }
    HRESULT put_Width(LONG width) override {
        return width < 0 ? E_INVALIDARG : Placed(Store(&rect_.right, rect_.left + width));
    }
    HRESULT get_Width(LONG* width) override { return Load(rect_.right - rect_.left, width); }
    HRESULT put_Top(LONG top) override {
        return Placed(Store(&rect_.top, top, rect_.bottom - rect_.top + top, &rect_.bottom));
    }
    HRESULT get_Top(LONG* top) override { return Load(rect_.top, top); }
    HRESULT put_Height(LONG height) override {
        return height < 0 ? E_INVALIDARG : Placed(Store(&rect_.bottom, rect_.top + height));
    }
    HRESULT get_Height(LONG* height) override { return Load(rect_.bottom - rect_.top, height); }
    HRESULT put_Owner(OAHWND owner) override {
        const HWND window = reinterpret_cast<HWND>(owner);
        if (owner && !IsWindow(window)) return E_INVALIDARG;
        NativeWindow native{};
        if (window) GetNativeWindow(window, &native);
        HWND previous;
        HWND detach = nullptr;
        {
            std::lock_guard lock(mutex_);
            previous = owner_;
            owner_ = window;
            native_ = native;
            if (attachedTo_ && attachedTo_ != window) {
                detach = attachedTo_;
                attachedTo_ = nullptr;
            }
        }
        Detach(detach, this);
        if (previous != window) Clear(previous);
        SwitchOutput();
        return S_OK;
    }
    HRESULT get_Owner(OAHWND* owner) override {
        if (!owner) return E_POINTER;
        std::lock_guard lock(mutex_);
        *owner = reinterpret_cast<OAHWND>(owner_);
        return S_OK;
    }
    HRESULT put_MessageDrain(OAHWND drain) override { return Store(&drain_, drain); }
    HRESULT get_MessageDrain(OAHWND* drain) override { return Load(drain_, drain); }
    HRESULT get_BorderColor(LONG* color) override { return Load(border_, color); }
    HRESULT put_BorderColor(LONG color) override { return Store(&border_, color); }
    HRESULT get_FullScreenMode(LONG* mode) override { return Load(fullScreen_, mode); }
    HRESULT put_FullScreenMode(LONG mode) override { return Placed(Store(&fullScreen_, mode ? OATRUE : OAFALSE)); }
    HRESULT SetWindowForeground(LONG) override { return S_OK; }
    // Input on the video goes to the message drain, which is the owner's business here.
    HRESULT NotifyOwnerMessage(OAHWND, LONG, LONG_PTR, LONG_PTR) override { return S_OK; }
    HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override {
        if (width < 0 || height < 0) return E_INVALIDARG;
        return Placed(Store(&rect_, RECT{left, top, left + width, top + height}));
    }
    HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) override {
        if (!left || !top || !width || !height) return E_POINTER;
        std::lock_guard lock(mutex_);
        *left = rect_.left;
        *top = rect_.top;
        *width = rect_.right - rect_.left;
        *height = rect_.bottom - rect_.top;
        return S_OK;
    }
    HRESULT GetMinIdealImageSize(LONG* width, LONG* height) override { return NativeSize(width, height); }
    HRESULT GetMaxIdealImageSize(LONG* width, LONG* height) override { return NativeSize(width, height); }
    HRESULT GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) override {
        return GetWindowPosition(left, top, width, height);
    }
    HRESULT HideCursor(LONG hide) override { return Store(&cursorHidden_, hide ? OATRUE : OAFALSE); }
    HRESULT IsCursorHidden(LONG* hidden) override { return Load(cursorHidden_, hidden); }

private:
    template <typename T>
    HRESULT Store(T* field, T value) {
        std::lock_guard lock(mutex_);
        *field = value;
        return S_OK;
    }
    HRESULT Store(LONG* field, LONG value, LONG other, LONG* otherField) {
        std::lock_guard lock(mutex_);
        *field = value;
        *otherField = other;
        return S_OK;
    }
    template <typename T>
    HRESULT Load(const T& field, T* out) {
        if (!out) return E_POINTER;
        std::lock_guard lock(mutex_);
        *out = field;
        return S_OK;
    }

    HRESULT NativeSize(LONG* width, LONG* height) {
        if (!width || !height) return E_POINTER;
        AM_MEDIA_TYPE type{};
        if (FAILED(input_->ConnectionMediaType(&type))) return VFW_E_NOT_CONNECTED;
        HRESULT hr = S_FALSE;
        if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
            const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
            *width = info->bmiHeader.biWidth;
            *height = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
            hr = S_OK;
        }
        FreeMediaType(type);
        return hr;
    }

    static void Clear(HWND window) {
        if (window) WithVideoSurface(window, [](VideoSurface& surface) { surface.ClearVideo(); });
    }
    static void Detach(HWND window, NativeVideoClient* client) {
        if (window) WithVideoSurface(window, [&](VideoSurface& surface) { surface.DetachNativeVideo(*client); });
    }

    // Where the picture goes in the owner's client area: the set position, or the whole
    // client area when none was set or in full-screen mode. Caller holds mutex_.
    VideoPlacement PlacementLocked() const {
        VideoPlacement placement{rect_, fullScreen_ != OAFALSE};
        const bool empty = rect_.right <= rect_.left || rect_.bottom <= rect_.top;
        if ((empty || placement.fullScreen) && owner_) GetClientRect(owner_, &placement.target);
        return placement;
    }

    // After a change of position or mode: moves the native sink's picture along.
    HRESULT Placed(HRESULT hr) {
        if (SUCCEEDED(hr)) PlaceNativeOutput();
        return hr;
    }

    void PlaceNativeOutput() {
        GstElement* sink = nullptr;
        GstElement* scaleCaps = nullptr;
        VideoPlacement placement{};
        HWND attachTo = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (!nativeSink_) return;
            sink = GST_ELEMENT(gst_object_ref(nativeSink_));
            if (nativeScaleCaps_) scaleCaps = GST_ELEMENT(gst_object_ref(nativeScaleCaps_));
            placement = PlacementLocked();
            attachTo = owner_;
            attachedTo_ = owner_;
        }
        const RECT& t = placement.target;
        const int width = std::max<LONG>(1, t.right - t.left);
        const int height = std::max<LONG>(1, t.bottom - t.top);
        gst_video_overlay_set_render_rectangle(GST_VIDEO_OVERLAY(sink), t.left, t.top, width, height);
        if (scaleCaps) {
            ScaleTo(scaleCaps, width, height);
            gst_object_unref(scaleCaps);
        }
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink));
        gst_object_unref(sink);
        if (attachTo) {
            WithVideoSurface(attachTo, [&](VideoSurface& surface) { surface.AttachNativeVideo(*this, placement); });
        }
    }

    // A sink that cannot stretch gets its frames at the size of the picture's rectangle.
    static void ScaleTo(GstElement* capsfilter, int width, int height) {
        GstCaps* current = nullptr;
        g_object_get(capsfilter, "caps", &current, nullptr);
        GstCaps* wanted = gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, width, "height", G_TYPE_INT, height,
                                              "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
        if (!current || !gst_caps_is_equal(current, wanted)) {
            SetFilterCaps(capsfilter, wanted);
        } else {
            gst_caps_unref(wanted);
        }
        if (current) gst_caps_unref(current);
    }

    // Puts in the output the owner calls for: the native sink for a native window, else the
    // toolkit path. The swap waits until no buffer is passing (an idle probe; at once when
    // the pipeline stands still).
    void SwitchOutput() {
        GstPad* ghost = gst_element_get_static_pad(Element(), "Input");
        GstPad* inside = GST_PAD(gst_proxy_pad_get_internal(GST_PROXY_PAD(ghost)));
        AddRef();
        gst_pad_add_probe(inside, GST_PAD_PROBE_TYPE_IDLE, OnIdle, this,
                          [](gpointer self) { static_cast<VideoRenderer*>(self)->Release(); });
        gst_object_unref(inside);
        gst_object_unref(ghost);
    }

    static GstPadProbeReturn OnIdle(GstPad*, GstPadProbeInfo*, gpointer self) {
        static_cast<VideoRenderer*>(self)->ApplyOutput();
        return GST_PAD_PROBE_REMOVE;
    }

    void ApplyOutput() {
        NativeWindow native;
        bool isNative;
        {
            std::lock_guard lock(mutex_);
            native = native_;
            isNative = nativeSink_ != nullptr;
        }
        const bool wantNative = native.system != NativeWindowSystem::None && native.handle != 0;
        if (wantNative && isNative) {
            SetWindowHandle(native.handle);
        } else if (wantNative != isNative) {
            GstElement* sink = nullptr;
            GstElement* scaleCaps = nullptr;
            GstElement* output = wantNative ? MakeNativeOutput(native, &sink, &scaleCaps) : MakeToolkitOutput();
            if (!output) return;  // no native sink works here: frames keep going to the surface
            SwapOutput(output, sink, scaleCaps);
            if (!wantNative) {
                HWND detach;
                {
                    std::lock_guard lock(mutex_);
                    detach = attachedTo_;
                    attachedTo_ = nullptr;
                }
                Detach(detach, this);
            }
        }
        PlaceNativeOutput();
    }

    void SetWindowHandle(std::uintptr_t handle) {
        GstElement* sink = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (!nativeSink_ || nativeHandle_ == handle) return;
            nativeHandle_ = handle;
            sink = GST_ELEMENT(gst_object_ref(nativeSink_));
        }
        gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), handle);
        gst_object_unref(sink);
    }

    GstElement* MakeNativeOutput(const NativeWindow& native, GstElement** sink, GstElement** scaleCaps) {
        bool scalesItself = true;
        *sink = MakeNativeVideoSink(native, &scalesItself);
        if (!*sink) return nullptr;
        GstElement* output;
        if (scalesItself) {
            output = MakeChainBin("sink", nullptr, {MakeDisplayConverter(), *sink});
        } else {
            // Converted at the source's size, then stretched pixel by pixel (as the toolkit
            // draws an image): the cheapest way to a picture of the rectangle's size.
            GstElement* scale = MakeElement("videoscale", nullptr);
            if (scale) g_object_set(scale, "add-borders", FALSE, "method", 0, nullptr);
            *scaleCaps = MakeElement("capsfilter", nullptr);
            output = MakeChainBin("sink", nullptr, {MakeDisplayConverter(), scale, *scaleCaps, *sink});
        }
        if (!output) {
            *sink = *scaleCaps = nullptr;
            return nullptr;
        }
        std::lock_guard lock(mutex_);
        nativeHandle_ = native.handle;
        return output;
    }

    GstElement* MakeToolkitOutput() {
        GstElement* sink = nullptr;
        GstElement* output = MakeToolkitChain(&sink);
        if (output) ConnectToolkitSink(sink);
        return output;
    }

    // Replaces the output behind the "Input" pad; runs while no buffer is passing.
    void SwapOutput(GstElement* output, GstElement* nativeSink, GstElement* scaleCaps) {
        GstElement* bin = Element();
        gst_bin_add(GST_BIN(bin), output);
        GstPad* ghost = gst_element_get_static_pad(bin, "Input");
        GstPad* target = gst_element_get_static_pad(output, "sink");
        gst_ghost_pad_set_target(GST_GHOST_PAD(ghost), target);
        gst_object_unref(target);
        gst_object_unref(ghost);
        gst_element_sync_state_with_parent(output);
        GstElement* previous;
        {
            std::lock_guard lock(mutex_);
            previous = output_;
            output_ = output;
            nativeSink_ = nativeSink;
            nativeScaleCaps_ = scaleCaps;
            if (!nativeSink) nativeHandle_ = 0;
        }
        gst_element_set_state(previous, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(bin), previous);
    }

    void ConnectToolkitSink(GstElement* sink) {
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = OnSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    }

    // A native sink asks for its window (it lost it, or started before it had one).
    static void OnChildMessage(GstMessage* message, void* self) {
        if (!gst_is_video_overlay_prepare_window_handle_message(message)) return;
        auto* renderer = static_cast<VideoRenderer*>(self);
        std::uintptr_t handle = 0;
        {
            std::lock_guard lock(renderer->mutex_);
            handle = renderer->native_.handle;
            if (handle) renderer->nativeHandle_ = handle;
        }
        if (handle) gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(GST_MESSAGE_SRC(message)), handle);
    }

    // A frame that passed just before the video was hidden may still be drawn after the
    // window was cleared; the next frame on this thread comes only after it, so the first one
    // dropped clears the window once more.
    static GstPadProbeReturn DropWhileHidden(GstPad*, GstPadProbeInfo*, gpointer self) {
        auto* renderer = static_cast<VideoRenderer*>(self);
        HWND clearOn = nullptr;
        {
            std::lock_guard lock(renderer->mutex_);
            if (renderer->visible_ && renderer->owner_) return GST_PAD_PROBE_OK;
            if (renderer->clearAtNextDrop_) clearOn = renderer->owner_;
            renderer->clearAtNextDrop_ = false;
        }
        Clear(clearOn);
        return GST_PAD_PROBE_DROP;
    }

    static GstPadProbeReturn OnEvent(GstPad*, GstPadProbeInfo* info, gpointer self) {
        auto* renderer = static_cast<VideoRenderer*>(self);
        if (GST_EVENT_TYPE(gst_pad_probe_info_get_event(info)) == GST_EVENT_STREAM_START) {
            std::lock_guard lock(renderer->mutex_);
            if (renderer->autoShow_) renderer->visible_ = OATRUE;
        }
        return GST_PAD_PROBE_OK;
    }

    static GstFlowReturn OnSample(GstAppSink* sink, gpointer self) {
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (!sample) return GST_FLOW_EOS;
        static_cast<VideoRenderer*>(self)->Draw(sample);
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }

    void Draw(GstSample* sample) {
        HWND owner;
        VideoPlacement placement{};
        {
            std::lock_guard lock(mutex_);
            if (!owner_ || !visible_) return;
            owner = owner_;
            placement = PlacementLocked();
        }
        GstVideoInfo info;
        if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) return;
        GstVideoFrame frame;
        if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) return;
        const VideoFrame picture{static_cast<const BYTE*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                                 GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                                 GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0)};
        WithVideoSurface(owner, [&](VideoSurface& surface) { surface.PresentFrame(picture, placement); });
        gst_video_frame_unmap(&frame);
    }

    CBasePin* input_;
    std::mutex mutex_;
    BSTR caption_ = nullptr;
    LONG style_ = 0;
    LONG styleEx_ = 0;
    LONG autoShow_ = OATRUE;
    LONG windowState_ = SW_SHOWNORMAL;
    LONG palette_ = OAFALSE;
    LONG visible_ = OAFALSE;
    bool clearAtNextDrop_ = false;
    RECT rect_{0, 0, 0, 0};
    HWND owner_ = nullptr;
    OAHWND drain_ = 0;
    LONG border_ = 0;
    LONG fullScreen_ = OAFALSE;
    LONG cursorHidden_ = OAFALSE;
    NativeWindow native_;                   // the owner's native window, if it has one
    GstElement* output_;                    // the output bin behind "Input" (owned by the bin)
    GstElement* nativeSink_ = nullptr;      // in output_, when it is the native output
    GstElement* nativeScaleCaps_ = nullptr; // in output_, for a sink that cannot stretch
    std::uintptr_t nativeHandle_ = 0;       // the window the native sink draws into
    HWND attachedTo_ = nullptr;             // the window told that we draw into it natively
};

}  // namespace

HRESULT CreateVideoRenderer(IUnknown*, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!EnsureGstStarted()) return E_FAIL;
    GstElement* sink = nullptr;
    GstElement* output = MakeToolkitChain(&sink);
    if (!output) return E_FAIL;
    GstElement* bin = MakeRendererBin();
    gst_bin_add(GST_BIN(bin), output);
    gst_object_unref(AddGhostPad(bin, output, "sink", "Input"));
    return CreateComObject<VideoRenderer>(riid, object, bin, output, sink);
}

}  // namespace media
