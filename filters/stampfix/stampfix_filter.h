// CStampfixFilter: an in-place video filter that rewrites each sample's start and stop time
// from a constant frame interval, counted from the first sample after streaming starts. The
// gap between samples comes from their media times (frame numbers), so a skipped frame
// leaves a gap of whole intervals and jitter of the source's own stamps never gets through.
#pragma once

#include <atomic>

#include "common/module_interfaces.h"
#include "platform/media/base/persist_stream.h"
#include "platform/media/base/transform_filter.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/property_pages.h"

class CStampfixFilter final
    : public ComExtend<CTransInPlaceFilter, IStampfix, ISpecifyPropertyPages, CPersistStream> {
public:
    static constexpr REFERENCE_TIME kDefaultTimePerFrame = 333667;  // 29.97 frames per second
    static constexpr int kPersistedBytes = 12;                     // flag and interval

    static IUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);
    CStampfixFilter();

    // IStampfix
    HRESULT put_TimePerFrame(REFERENCE_TIME rtTimePerFrame, BOOL bFixed) override;
    HRESULT get_TimePerFrame(REFERENCE_TIME* prtTimePerFrame, BOOL* pbFixed) override;
    // ISpecifyPropertyPages
    HRESULT GetPages(CAUUID* pages) override;
    // IPersist (for the filter and its persistence part alike)
    HRESULT GetClassID(CLSID* classId) override;

    // CTransInPlaceFilter
    HRESULT CheckInputType(const AM_MEDIA_TYPE* type) override;
    HRESULT StartStreaming() override;
    HRESULT Transform(IMediaSample* sample) override;
    const AMOVIESETUP_FILTER* GetSetupData() override;

private:
    // CPersistStream
    HRESULT WriteToStream(IStream* stream) override;
    HRESULT ReadFromStream(IStream* stream) override;
    int SizeMax() override { return kPersistedBytes; }

    HRESULT Abort(HRESULT reason);

    // Written under the filter-state lock by any thread, read by the streaming thread
    // without it: atomic, so the 64-bit value is never seen half-written.
    std::atomic<REFERENCE_TIME> m_rtTimePerFrame{kDefaultTimePerFrame};
    BOOL m_bFixedTimePerFrame = FALSE;
    // Streaming state, under the streaming lock.
    REFERENCE_TIME m_rtNextStart = 0;
    LONGLONG m_llLastMediaStart = 0;
    BOOL m_bFirstSample = TRUE;
};

extern const AMOVIESETUP_FILTER sudStampfix;
