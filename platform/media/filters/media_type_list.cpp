#include "platform/media/filters/media_type_list.h"

#include <cstring>
#include <string_view>

#include "platform/media/format_blocks.h"
#include "platform/media/media_caps.h"

namespace media {

MediaTypeList::~MediaTypeList() {
    for (AM_MEDIA_TYPE& t : types_) FreeMediaType(t);
}

bool MediaTypeList::Add(const AM_MEDIA_TYPE& type) {
    AM_MEDIA_TYPE copy{};
    if (FAILED(CopyMediaType(&copy, &type))) return false;
    types_.push_back(copy);
    return true;
}

void AppendMediaTypes(const GstCaps* caps, MediaTypeList* list) {
    if (!caps || gst_caps_is_any(caps) || gst_caps_is_empty(caps)) return;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        GstCaps* one = gst_caps_copy_nth(caps, i);
        one = gst_caps_fixate(one);
        AM_MEDIA_TYPE type{};
        if (SUCCEEDED(MediaTypeForFixedCaps(one, &type))) {
            list->Add(type);
            FreeMediaType(type);
        }
        gst_caps_unref(one);
    }
}

GstCaps* PadCaps(GstPad* pad) {
    GstCaps* caps = gst_pad_query_caps(pad, nullptr);
    if (caps && !gst_caps_is_any(caps) && !gst_caps_is_empty(caps)) return caps;
    GstCaps* templ = gst_pad_get_pad_template_caps(pad);
    if (templ && !gst_caps_is_any(templ) && !gst_caps_is_empty(templ)) {
        if (caps) gst_caps_unref(caps);
        return templ;
    }
    if (templ) gst_caps_unref(templ);
    return caps ? caps : gst_caps_new_any();
}

namespace {

// Caps of a format with the size and rate fields removed, made from a dummy full type.
GstCaps* SubtypeCaps(const AM_MEDIA_TYPE& partial) {
    AM_MEDIA_TYPE probe = partial;
    VIDEOINFOHEADER video{};
    if (partial.majortype == MEDIATYPE_Video) {
        video.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        video.bmiHeader.biWidth = 16;
        video.bmiHeader.biHeight = 16;
        video.bmiHeader.biPlanes = 1;
        video.AvgTimePerFrame = 333333;
        DWORD fourcc = 0;
        if (IsFourccSubtype(partial.subtype, &fourcc)) video.bmiHeader.biCompression = fourcc;
        static constexpr struct { const GUID* subtype; WORD bits; } kRgb[] = {
            {&MEDIASUBTYPE_RGB24, 24}, {&MEDIASUBTYPE_RGB32, 32}, {&MEDIASUBTYPE_RGB555, 16}, {&MEDIASUBTYPE_RGB565, 16}};
        for (const auto& rgb : kRgb)
            if (partial.subtype == *rgb.subtype) video.bmiHeader.biBitCount = rgb.bits;
        if (video.bmiHeader.biBitCount == 0) video.bmiHeader.biBitCount = 16;
        probe.formattype = FORMAT_VideoInfo;
        probe.pbFormat = reinterpret_cast<BYTE*>(&video);
        probe.cbFormat = sizeof(video);
    } else {
        return nullptr;
    }
    GstCaps* caps = CapsFromMediaType(probe);
    if (!caps) return nullptr;
    caps = gst_caps_make_writable(caps);
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        gst_structure_remove_fields(gst_caps_get_structure(caps, i), "width", "height", "framerate",
                                    "pixel-aspect-ratio", "colorimetry", "chroma-site", "interlace-mode", nullptr);
    }
    return caps;
}

}  // namespace

GstCaps* CapsForPartialType(const AM_MEDIA_TYPE& type) {
    if (type.majortype == GUID_NULL) return nullptr;
    if (type.pbFormat && type.cbFormat > 0) {
        if (GstCaps* caps = CapsFromMediaType(type)) return caps;
    }
    if (type.subtype != GUID_NULL) {
        if (GstCaps* caps = SubtypeCaps(type)) return caps;
        if (type.majortype == MEDIATYPE_Audio)
            return gst_caps_from_string("audio/x-raw");
    }
    if (type.majortype == MEDIATYPE_Video) return gst_caps_from_string("video/x-raw; image/jpeg; video/x-dv, systemstream=false");
    if (type.majortype == MEDIATYPE_Audio) return gst_caps_from_string("audio/x-raw");
    if (type.majortype == MEDIATYPE_Interleaved) return gst_caps_from_string("video/x-dv, systemstream=true");
    return nullptr;
}

HRESULT MediaTypeForFixedCaps(const GstCaps* caps, AM_MEDIA_TYPE* type) {
    *type = AM_MEDIA_TYPE{};
    if (SUCCEEDED(MediaTypeFromCaps(caps, type))) return S_OK;
    if (!caps || gst_caps_get_size(caps) == 0) return VFW_E_INVALIDMEDIATYPE;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    const std::string_view name = gst_structure_get_name(s);
    gboolean system = FALSE;
    if (name == "video/x-dv" && gst_structure_get_boolean(s, "systemstream", &system) && system) {
        type->majortype = MEDIATYPE_Interleaved;
    } else if (name == "video/x-msvideo") {
        // A multiplexed AVI file, not a video stream.
        type->majortype = MEDIATYPE_Stream;
        type->subtype = MEDIASUBTYPE_Avi;
    } else if (name.starts_with("video/") || name.starts_with("image/")) {
        type->majortype = MEDIATYPE_Video;
    } else if (name.starts_with("audio/")) {
        type->majortype = MEDIATYPE_Audio;
    } else {
        type->majortype = MEDIATYPE_Stream;
    }
    type->formattype = FORMAT_None;
    return S_OK;
}

}  // namespace media
