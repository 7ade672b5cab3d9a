// IMediaSample over a GstBuffer. Time stamps are the buffer's PTS and duration in 100 ns
// units; media times are its offset and offset_end (the frame counter of capture sources).
// One object is bound to one buffer after another, so a filter's stream allocates nothing.
//
// GetPointer maps the buffer: writable when the filter modifies data (GStreamer then copies
// memory shared with others), read-only otherwise. For bottom-up RGB layouts the rows are
// turned over in place while the sample is bound, so the filter sees them as the platform's
// DIBs are, and turned back on Unbind.
#pragma once

#include "platform/media/gst.h"
#include "platform/media/interfaces/filters.h"

struct SampleRowLayout {
    bool bottomUp = false;  // RGB: hand rows out bottom-up
    gsize stride = 0;
    gsize rows = 0;
};

// The layout a filter sees for buffers of `type` (with these fixed caps): RGB rows are
// bottom-up, as the platform's DIBs are; everything else keeps GStreamer's order.
SampleRowLayout RowLayoutFor(const AM_MEDIA_TYPE& type, GstCaps* caps);

class CBufferSample final : public ComObject<IMediaSample> {
public:
    CBufferSample() = default;

    // `buffer` must be writable (its metadata is changed in place); not owned.
    void Bind(GstBuffer* buffer, bool modifiesData, const SampleRowLayout& layout);
    // Unmaps (turning RGB rows back first) and forgets the buffer.
    void Unbind();

    HRESULT GetPointer(BYTE** buffer) override;
    LONG GetSize() override;
    HRESULT GetTime(REFERENCE_TIME* timeStart, REFERENCE_TIME* timeEnd) override;
    HRESULT SetTime(REFERENCE_TIME* timeStart, REFERENCE_TIME* timeEnd) override;
    HRESULT IsSyncPoint() override;
    HRESULT SetSyncPoint(BOOL isSyncPoint) override;
    HRESULT IsPreroll() override;
    HRESULT SetPreroll(BOOL isPreroll) override;
    LONG GetActualDataLength() override;
    HRESULT SetActualDataLength(LONG length) override;
    HRESULT GetMediaType(AM_MEDIA_TYPE** mediaType) override;
    HRESULT SetMediaType(AM_MEDIA_TYPE* mediaType) override;
    HRESULT IsDiscontinuity() override;
    HRESULT SetDiscontinuity(BOOL isDiscontinuity) override;
    HRESULT GetMediaTime(LONGLONG* timeStart, LONGLONG* timeEnd) override;
    HRESULT SetMediaTime(LONGLONG* timeStart, LONGLONG* timeEnd) override;

private:
    ~CBufferSample() override { Unbind(); }
    void FlipRows();
    HRESULT SetFlag(GstBufferFlags flag, BOOL set);

    GstBuffer* buffer_ = nullptr;
    bool modifiesData_ = false;
    SampleRowLayout layout_;
    GstMapInfo map_{};
    bool mapped_ = false;
};
