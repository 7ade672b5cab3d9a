#include "filters/stampfix/stampfix_filter.h"

#include <cstring>
#include <new>

#include "filters/stampfix/module_objects.h"
#include "platform/com/little_endian.h"
#include "platform/com/task_memory.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/filter_registration.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/property_pages.h"

namespace {

// Where AvgTimePerFrame lies in every accepted format block (after rcSource, rcTarget,
// dwBitRate and dwBitErrorRate).
constexpr std::size_t kAvgTimePerFrameOffset = 40;
constexpr std::size_t kAvgTimePerFrameEnd = kAvgTimePerFrameOffset + sizeof(REFERENCE_TIME);

constexpr const GUID* kAcceptedFormats[] = {&FORMAT_VideoInfo, &FORMAT_VideoInfo2, &FORMAT_MPEGVideo,
                                            &FORMAT_MPEG2_VIDEO};

bool IsAcceptedFormat(REFGUID formatType) {
    for (const GUID* accepted : kAcceptedFormats) {
        if (formatType == *accepted) return true;
    }
    return false;
}

// Arithmetic in the low 64 bits, as two's-complement hardware does it.
REFERENCE_TIME WrappingAdd(REFERENCE_TIME a, REFERENCE_TIME b) {
    return static_cast<REFERENCE_TIME>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}
REFERENCE_TIME WrappingMul(std::uint64_t a, REFERENCE_TIME b) {
    return static_cast<REFERENCE_TIME>(a * static_cast<std::uint64_t>(b));
}


WCHAR kUnnamedPin[] = u"";
const AMOVIESETUP_MEDIATYPE sudPinTypes = {&MEDIATYPE_Video, &GUID_NULL};
const AMOVIESETUP_PIN sudPins[] = {
    {kUnnamedPin, FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &sudPinTypes},
    {kUnnamedPin, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &sudPinTypes},
};

}  // namespace

const AMOVIESETUP_FILTER sudStampfix = {&CLSID_Stampfix, u"Talvin Stampfix", MERIT_DO_NOT_USE, 2, sudPins};

IUnknown* CStampfixFilter::CreateInstance(IUnknown* /*outer*/, HRESULT* hr) {
    auto* filter = new (std::nothrow) CStampfixFilter;
    if (hr) *hr = filter ? S_OK : E_OUTOFMEMORY;
    return filter ? filter->GetUnknown() : nullptr;
}

CStampfixFilter::CStampfixFilter() : ComExtend(u"Talvin Stampfix", CLSID_Stampfix, true) {
    TrackWith(&StampfixObjects());
}

// A negative interval would stamp every frame before the one it follows; no stream can carry
// that, so it is refused here, where it is entered, rather than failing at every sample.
HRESULT CStampfixFilter::put_TimePerFrame(REFERENCE_TIME rtTimePerFrame, BOOL bFixed) {
    if (rtTimePerFrame < 0) return E_INVALIDARG;
    std::lock_guard lock(m_Lock);
    m_rtTimePerFrame.store(rtTimePerFrame);
    m_bFixedTimePerFrame = bFixed;
    SetDirty(true);
    return S_OK;
}

HRESULT CStampfixFilter::get_TimePerFrame(REFERENCE_TIME* prtTimePerFrame, BOOL* pbFixed) {
    if (!prtTimePerFrame || !pbFixed) return E_POINTER;
    std::lock_guard lock(m_Lock);
    *prtTimePerFrame = m_rtTimePerFrame.load();
    *pbFixed = m_bFixedTimePerFrame;
    return S_OK;
}

HRESULT CStampfixFilter::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->cElems = 1;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    pages->pElems[0] = CLSID_StampfixPropertyPage;
    return S_OK;
}

HRESULT CStampfixFilter::GetClassID(CLSID* classId) {
    if (!classId) return E_POINTER;
    *classId = CLSID_Stampfix;
    return S_OK;
}

HRESULT CStampfixFilter::CheckInputType(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    if (type->majortype != MEDIATYPE_Video) return VFW_E_TYPE_NOT_ACCEPTED;
    return IsAcceptedFormat(type->formattype) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CStampfixFilter::StartStreaming() {
    m_rtNextStart = 0;
    m_llLastMediaStart = 0;
    m_bFirstSample = TRUE;
    if (m_bFixedTimePerFrame) return S_OK;

    AM_MEDIA_TYPE type{};
    if (FAILED(InputPin()->CopyConnectionType(&type))) return S_OK;
    // A block too short to hold AvgTimePerFrame, or a negative one, leaves the interval as it is.
    if (IsAcceptedFormat(type.formattype) && type.pbFormat && type.cbFormat >= kAvgTimePerFrameEnd) {
        REFERENCE_TIME average = 0;
        std::memcpy(&average, type.pbFormat + kAvgTimePerFrameOffset, sizeof average);
        if (average >= 0) m_rtTimePerFrame.store(average);
    }
    FreeMediaType(type);
    return S_OK;
}

HRESULT CStampfixFilter::Abort(HRESULT reason) {
    NotifyEvent(EC_ERRORABORT, reason, 0);
    return S_FALSE;
}

// Query failures other than "not set" are treated like it: the sample is withheld with the
// failure code in the event, and the state stays as it was.
HRESULT CStampfixFilter::Transform(IMediaSample* sample) {
    LONGLONG mediaStart = 0, mediaEnd = 0;
    HRESULT hr = sample->GetMediaTime(&mediaStart, &mediaEnd);
    if (FAILED(hr)) return Abort(hr);

    const REFERENCE_TIME interval = m_rtTimePerFrame.load(std::memory_order_relaxed);
    if (m_bFirstSample) {
        REFERENCE_TIME start = 0, stop = 0;
        hr = sample->GetTime(&start, &stop);
        if (FAILED(hr)) return Abort(hr);
        m_bFirstSample = FALSE;
        m_rtNextStart = start;
    } else {
        if (mediaStart <= m_llLastMediaStart) return Abort(VFW_E_START_TIME_AFTER_END);
        const std::uint64_t skipped =
            static_cast<std::uint64_t>(mediaStart) - static_cast<std::uint64_t>(m_llLastMediaStart) - 1;
        m_rtNextStart = WrappingAdd(m_rtNextStart, WrappingMul(skipped, interval));
    }

    REFERENCE_TIME start = m_rtNextStart;
    REFERENCE_TIME stop = WrappingAdd(start, interval);
    m_rtNextStart = stop;
    m_llLastMediaStart = mediaStart;

    hr = sample->SetTime(&start, &stop);
    if (hr != S_OK) return Abort(hr);
    return S_OK;
}

const AMOVIESETUP_FILTER* CStampfixFilter::GetSetupData() { return &sudStampfix; }

HRESULT CStampfixFilter::WriteToStream(IStream* stream) {
    BYTE data[kPersistedBytes];
    {
        std::lock_guard lock(m_Lock);
        StoreLittleEndian(data, static_cast<std::uint32_t>(m_bFixedTimePerFrame));
        StoreLittleEndian(data + 4, static_cast<std::uint64_t>(m_rtTimePerFrame.load()));
    }
    return WriteExactly(stream, data, sizeof data);
}

// Both settings change together or not at all: a short stream, or one with a negative
// interval, leaves them as they were.
HRESULT CStampfixFilter::ReadFromStream(IStream* stream) {
    BYTE data[kPersistedBytes];
    const HRESULT hr = ReadExactly(stream, data, sizeof data);
    if (FAILED(hr)) return hr;
    const auto interval = static_cast<REFERENCE_TIME>(LoadLittleEndian<std::uint64_t>(data + 4));
    if (interval < 0) return E_INVALIDARG;
    std::lock_guard lock(m_Lock);
    m_bFixedTimePerFrame = static_cast<BOOL>(LoadLittleEndian<std::uint32_t>(data));
    m_rtTimePerFrame.store(interval);
    return S_OK;
}
