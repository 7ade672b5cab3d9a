#include "platform/media/media_types.h"

#include <cstring>

#include "platform/com/task_memory.h"

bool IsFourccSubtype(REFGUID subtype, DWORD* fourcc) {
    GUID base = subtype;
    base.Data1 = 0;
    if (base != FourccSubtype(0)) return false;
    if (fourcc) *fourcc = subtype.Data1;
    return true;
}

void FreeMediaType(AM_MEDIA_TYPE& type) {
    if (type.cbFormat != 0 || type.pbFormat) CoTaskMemFree(type.pbFormat);
    type.cbFormat = 0;
    type.pbFormat = nullptr;
    if (type.pUnk) {
        type.pUnk->Release();
        type.pUnk = nullptr;
    }
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return;
    FreeMediaType(*type);
    CoTaskMemFree(type);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
    if (!target || !source) return E_POINTER;
    if (target == source) return S_OK;
    *target = *source;
    if (source->cbFormat != 0 && source->pbFormat) {
        target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
        if (!target->pbFormat) {
            target->cbFormat = 0;
            target->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
    } else {
        target->cbFormat = 0;
        target->pbFormat = nullptr;
    }
    if (target->pUnk) target->pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) {
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!type) return nullptr;
    if (FAILED(CopyMediaType(type, source))) {
        CoTaskMemFree(type);
        return nullptr;
    }
    return type;
}

HRESULT CreateAudioMediaType(const WAVEFORMATEX* format, AM_MEDIA_TYPE* type, BOOL setFormat) {
    if (!format || !type) return E_POINTER;
    *type = {};
    type->majortype = MEDIATYPE_Audio;
    type->subtype = FourccSubtype(format->wFormatTag);
    type->formattype = FORMAT_WaveFormatEx;
    type->bFixedSizeSamples = TRUE;
    type->bTemporalCompression = FALSE;
    type->lSampleSize = format->nBlockAlign;
    if (setFormat) {
        // A PCM format carries no extra bytes, whatever its cbSize says.
        const ULONG extra = format->wFormatTag == WAVE_FORMAT_PCM ? 0 : format->cbSize;
        const ULONG size = static_cast<ULONG>(sizeof(WAVEFORMATEX)) + extra;
        type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(size));
        if (!type->pbFormat) return E_OUTOFMEMORY;
        std::memcpy(type->pbFormat, format, size);
        if (format->wFormatTag == WAVE_FORMAT_PCM) reinterpret_cast<WAVEFORMATEX*>(type->pbFormat)->cbSize = 0;
        type->cbFormat = size;
    }
    return S_OK;
}

bool MediaTypesEqual(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
    return a.majortype == b.majortype && a.subtype == b.subtype && a.formattype == b.formattype &&
           a.cbFormat == b.cbFormat && (a.cbFormat == 0 || std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0);
}
