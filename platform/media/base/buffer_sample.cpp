#include "platform/media/base/buffer_sample.h"

#include <algorithm>
#include <cstring>

#include "platform/com/hresult.h"
#include "platform/media/media_types.h"

namespace {

constexpr HRESULT kNoStopTime = MakeHResult(0x00040270);  // VFW_S_NO_STOP_TIME
constexpr HRESULT kBufferOverflow = MakeHResult(0x8004020D);  // VFW_E_BUFFER_OVERFLOW
constexpr HRESULT kNotCommitted = MakeHResult(0x80040211);    // VFW_E_NOT_COMMITTED
constexpr gint64 kNsPerUnit = 100;

}  // namespace

void CBufferSample::Bind(GstBuffer* buffer, bool modifiesData, const SampleRowLayout& layout) {
    Unbind();
    buffer_ = buffer;
    modifiesData_ = modifiesData;
    layout_ = layout;
}

void CBufferSample::Unbind() {
    if (mapped_) {
        if (layout_.bottomUp) FlipRows();
        gst_buffer_unmap(buffer_, &map_);
        mapped_ = false;
    }
    buffer_ = nullptr;
}

void CBufferSample::FlipRows() {
    const gsize stride = layout_.stride;
    if (stride == 0 || layout_.rows < 2 || stride * layout_.rows > map_.size) return;
    BYTE* top = map_.data;
    BYTE* bottom = map_.data + stride * (layout_.rows - 1);
    for (; top < bottom; top += stride, bottom -= stride) std::swap_ranges(top, top + stride, bottom);
}

HRESULT CBufferSample::GetPointer(BYTE** data) {
    if (!data) return E_POINTER;
    *data = nullptr;
    if (!buffer_) return kNotCommitted;
    if (!mapped_) {
        // Turning rows over writes to the memory, so RGB is mapped writable in any case.
        const bool writable = modifiesData_ || layout_.bottomUp;
        if (!gst_buffer_map(buffer_, &map_, writable ? GST_MAP_READWRITE : GST_MAP_READ)) return E_OUTOFMEMORY;
        mapped_ = true;
        if (layout_.bottomUp) FlipRows();
    }
    *data = map_.data;
    return S_OK;
}

LONG CBufferSample::GetSize() {
    if (!buffer_) return 0;
    gsize maxSize = 0;
    gst_buffer_get_sizes(buffer_, nullptr, &maxSize);
    return static_cast<LONG>(std::min<gsize>(maxSize, G_MAXINT32));
}

HRESULT CBufferSample::GetTime(REFERENCE_TIME* timeStart, REFERENCE_TIME* timeEnd) {
    if (!timeStart || !timeEnd) return E_POINTER;
    if (!buffer_ || !GST_BUFFER_PTS_IS_VALID(buffer_)) return VFW_E_SAMPLE_TIME_NOT_SET;
    *timeStart = static_cast<REFERENCE_TIME>(GST_BUFFER_PTS(buffer_) / kNsPerUnit);
    if (!GST_BUFFER_DURATION_IS_VALID(buffer_)) {
        *timeEnd = *timeStart + 1;
        return kNoStopTime;
    }
    *timeEnd = static_cast<REFERENCE_TIME>((GST_BUFFER_PTS(buffer_) + GST_BUFFER_DURATION(buffer_)) / kNsPerUnit);
    return S_OK;
}

// GStreamer times are unsigned nanoseconds: a negative start, a stop before the start or a
// time beyond what nanoseconds can hold cannot be carried and are refused.
HRESULT CBufferSample::SetTime(REFERENCE_TIME* timeStart, REFERENCE_TIME* timeEnd) {
    if (!buffer_) return kNotCommitted;
    if (!timeStart) {
        GST_BUFFER_PTS(buffer_) = GST_CLOCK_TIME_NONE;
        GST_BUFFER_DURATION(buffer_) = GST_CLOCK_TIME_NONE;
        return S_OK;
    }
    constexpr REFERENCE_TIME kLimit = G_MAXINT64 / kNsPerUnit;
    if (*timeStart < 0 || *timeStart > kLimit) return E_INVALIDARG;
    if (timeEnd && (*timeEnd < *timeStart || *timeEnd > kLimit)) return E_INVALIDARG;
    GST_BUFFER_PTS(buffer_) = static_cast<GstClockTime>(*timeStart) * kNsPerUnit;
    GST_BUFFER_DURATION(buffer_) =
        timeEnd ? static_cast<GstClockTime>(*timeEnd - *timeStart) * kNsPerUnit : GST_CLOCK_TIME_NONE;
    return S_OK;
}

HRESULT CBufferSample::SetFlag(GstBufferFlags flag, BOOL set) {
    if (!buffer_) return kNotCommitted;
    if (set) GST_BUFFER_FLAG_SET(buffer_, flag);
    else GST_BUFFER_FLAG_UNSET(buffer_, flag);
    return S_OK;
}

HRESULT CBufferSample::IsSyncPoint() {
    return buffer_ && !GST_BUFFER_FLAG_IS_SET(buffer_, GST_BUFFER_FLAG_DELTA_UNIT) ? S_OK : S_FALSE;
}
HRESULT CBufferSample::SetSyncPoint(BOOL isSyncPoint) { return SetFlag(GST_BUFFER_FLAG_DELTA_UNIT, !isSyncPoint); }
HRESULT CBufferSample::IsPreroll() {
    return buffer_ && GST_BUFFER_FLAG_IS_SET(buffer_, GST_BUFFER_FLAG_DECODE_ONLY) ? S_OK : S_FALSE;
}
HRESULT CBufferSample::SetPreroll(BOOL isPreroll) { return SetFlag(GST_BUFFER_FLAG_DECODE_ONLY, isPreroll); }
HRESULT CBufferSample::IsDiscontinuity() {
    return buffer_ && GST_BUFFER_FLAG_IS_SET(buffer_, GST_BUFFER_FLAG_DISCONT) ? S_OK : S_FALSE;
}
HRESULT CBufferSample::SetDiscontinuity(BOOL isDiscontinuity) { return SetFlag(GST_BUFFER_FLAG_DISCONT, isDiscontinuity); }

LONG CBufferSample::GetActualDataLength() {
    return buffer_ ? static_cast<LONG>(std::min<gsize>(gst_buffer_get_size(buffer_), G_MAXINT32)) : 0;
}

HRESULT CBufferSample::SetActualDataLength(LONG length) {
    if (!buffer_) return kNotCommitted;
    if (length < 0 || length > GetSize()) return kBufferOverflow;
    if (mapped_) return VFW_E_WRONG_STATE;  // the mapping would no longer match the buffer
    gst_buffer_set_size(buffer_, length);
    return S_OK;
}

// A buffer never carries a type change of its own: the stream's format travels as caps.
HRESULT CBufferSample::GetMediaType(AM_MEDIA_TYPE** mediaType) {
    if (!mediaType) return E_POINTER;
    *mediaType = nullptr;
    return S_FALSE;
}
HRESULT CBufferSample::SetMediaType(AM_MEDIA_TYPE* /*mediaType*/) { return VFW_E_TYPE_NOT_ACCEPTED; }

HRESULT CBufferSample::GetMediaTime(LONGLONG* timeStart, LONGLONG* timeEnd) {
    if (!timeStart || !timeEnd) return E_POINTER;
    if (!buffer_ || !GST_BUFFER_OFFSET_IS_VALID(buffer_)) return VFW_E_MEDIA_TIME_NOT_SET;
    *timeStart = static_cast<LONGLONG>(GST_BUFFER_OFFSET(buffer_));
    *timeEnd = GST_BUFFER_OFFSET_END_IS_VALID(buffer_) ? static_cast<LONGLONG>(GST_BUFFER_OFFSET_END(buffer_))
                                                       : *timeStart + 1;
    return S_OK;
}

HRESULT CBufferSample::SetMediaTime(LONGLONG* timeStart, LONGLONG* timeEnd) {
    if (!buffer_) return kNotCommitted;
    if (!timeStart) {
        GST_BUFFER_OFFSET(buffer_) = GST_BUFFER_OFFSET_NONE;
        GST_BUFFER_OFFSET_END(buffer_) = GST_BUFFER_OFFSET_NONE;
        return S_OK;
    }
    if (!timeEnd) return E_POINTER;
    GST_BUFFER_OFFSET(buffer_) = static_cast<guint64>(*timeStart);
    GST_BUFFER_OFFSET_END(buffer_) = static_cast<guint64>(*timeEnd);
    return S_OK;
}

SampleRowLayout RowLayoutFor(const AM_MEDIA_TYPE& type, GstCaps* caps) {
    SampleRowLayout layout;
    const bool rgb = type.subtype == MEDIASUBTYPE_RGB24 || type.subtype == MEDIASUBTYPE_RGB32 ||
                     type.subtype == MEDIASUBTYPE_RGB565 || type.subtype == MEDIASUBTYPE_RGB555;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    gint width = 0, height = 0;
    if (!rgb || !gst_structure_get_int(s, "width", &width) || !gst_structure_get_int(s, "height", &height)) return layout;
    const gsize bytesPerPixel = type.subtype == MEDIASUBTYPE_RGB24 ? 3 : type.subtype == MEDIASUBTYPE_RGB32 ? 4 : 2;
    layout.bottomUp = true;
    layout.stride = (static_cast<gsize>(width) * bytesPerPixel + 3) & ~gsize{3};  // GStreamer's default row alignment
    layout.rows = static_cast<gsize>(height);
    return layout;
}
