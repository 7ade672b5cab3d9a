// Media types of the platform's media framework: AM_MEDIA_TYPE, the GUIDs of major types,
// subtypes, format types and pin categories, and the helpers that create, copy and free
// media types. Format blocks are allocated with CoTaskMemAlloc.
#pragma once

#include "platform/com/guid.h"
#include "platform/com/unknown.h"
#include "platform/media/format_blocks.h"

struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};

// Major types.
inline constexpr GUID MEDIATYPE_Video = MakeGuid("73646976-0000-0010-8000-00aa00389b71");
inline constexpr GUID MEDIATYPE_Audio = MakeGuid("73647561-0000-0010-8000-00aa00389b71");
inline constexpr GUID MEDIATYPE_Interleaved = MakeGuid("73766169-0000-0010-8000-00aa00389b71");
inline constexpr GUID MEDIATYPE_Stream = MakeGuid("e436eb83-524f-11ce-9f53-0020af0ba770");

// Subtypes of byte streams.
inline constexpr GUID MEDIASUBTYPE_Avi = MakeGuid("e436eb88-524f-11ce-9f53-0020af0ba770");

// The subtype of a FOURCC: {XXXXXXXX-0000-0010-8000-00AA00389B71}.
constexpr GUID FourccSubtype(DWORD fourcc) {
    GUID g = MakeGuid("00000000-0000-0010-8000-00aa00389b71");
    g.Data1 = fourcc;
    return g;
}
constexpr DWORD MakeFourcc(char a, char b, char c, char d) {
    return static_cast<DWORD>(static_cast<BYTE>(a)) | (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
           (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) | (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}
// True for a subtype of the FOURCC family (and then *fourcc holds it).
bool IsFourccSubtype(REFGUID subtype, DWORD* fourcc);

inline constexpr GUID MEDIASUBTYPE_YUY2 = FourccSubtype(MakeFourcc('Y', 'U', 'Y', '2'));
inline constexpr GUID MEDIASUBTYPE_UYVY = FourccSubtype(MakeFourcc('U', 'Y', 'V', 'Y'));
inline constexpr GUID MEDIASUBTYPE_I420 = FourccSubtype(MakeFourcc('I', '4', '2', '0'));
inline constexpr GUID MEDIASUBTYPE_IYUV = FourccSubtype(MakeFourcc('I', 'Y', 'U', 'V'));
inline constexpr GUID MEDIASUBTYPE_YV12 = FourccSubtype(MakeFourcc('Y', 'V', '1', '2'));
inline constexpr GUID MEDIASUBTYPE_NV12 = FourccSubtype(MakeFourcc('N', 'V', '1', '2'));
inline constexpr GUID MEDIASUBTYPE_MJPG = FourccSubtype(MakeFourcc('M', 'J', 'P', 'G'));
inline constexpr GUID MEDIASUBTYPE_dvsd = FourccSubtype(MakeFourcc('d', 'v', 's', 'd'));
inline constexpr GUID MEDIASUBTYPE_PCM = FourccSubtype(WAVE_FORMAT_PCM);
inline constexpr GUID MEDIASUBTYPE_IEEE_FLOAT = FourccSubtype(WAVE_FORMAT_IEEE_FLOAT);

inline constexpr GUID MEDIASUBTYPE_RGB565 = MakeGuid("e436eb7b-524f-11ce-9f53-0020af0ba770");
inline constexpr GUID MEDIASUBTYPE_RGB555 = MakeGuid("e436eb7c-524f-11ce-9f53-0020af0ba770");
inline constexpr GUID MEDIASUBTYPE_RGB24 = MakeGuid("e436eb7d-524f-11ce-9f53-0020af0ba770");
inline constexpr GUID MEDIASUBTYPE_RGB32 = MakeGuid("e436eb7e-524f-11ce-9f53-0020af0ba770");

// Format types.
inline constexpr GUID FORMAT_None = MakeGuid("0f6417d6-c318-11d0-a43f-00a0c9223196");
inline constexpr GUID FORMAT_VideoInfo = MakeGuid("05589f80-c356-11ce-bf01-00aa0055595a");
inline constexpr GUID FORMAT_VideoInfo2 = MakeGuid("f72a76a0-eb0a-11d0-ace4-0000c0cc16ba");
inline constexpr GUID FORMAT_WaveFormatEx = MakeGuid("05589f81-c356-11ce-bf01-00aa0055595a");
inline constexpr GUID FORMAT_MPEGVideo = MakeGuid("05589f82-c356-11ce-bf01-00aa0055595a");
inline constexpr GUID FORMAT_DvInfo = MakeGuid("05589f84-c356-11ce-bf01-00aa0055595a");
inline constexpr GUID FORMAT_MPEG2_VIDEO = MakeGuid("e06d80e3-db46-11cf-b4d1-00805f6cbbea");

// Pin categories.
inline constexpr GUID PIN_CATEGORY_CAPTURE = MakeGuid("fb6c4281-0353-11d1-905f-0000c0cc16ba");
inline constexpr GUID PIN_CATEGORY_PREVIEW = MakeGuid("fb6c4282-0353-11d1-905f-0000c0cc16ba");
inline constexpr GUID PIN_CATEGORY_ANALOGVIDEOIN = MakeGuid("fb6c4283-0353-11d1-905f-0000c0cc16ba");
inline constexpr GUID PIN_CATEGORY_VBI = MakeGuid("fb6c4284-0353-11d1-905f-0000c0cc16ba");
inline constexpr GUID PIN_CATEGORY_VIDEOPORT = MakeGuid("fb6c4285-0353-11d1-905f-0000c0cc16ba");
inline constexpr GUID PIN_CATEGORY_CC = MakeGuid("fb6c4289-0353-11d1-905f-0000c0cc16ba");

// Frees the format block and releases pUnk; the structure itself stays.
void FreeMediaType(AM_MEDIA_TYPE& type);
// Frees the format block and the structure (which came from CoTaskMemAlloc).
void DeleteMediaType(AM_MEDIA_TYPE* type);
// Deep copy into *target (whose old contents are not freed). E_OUTOFMEMORY leaves target
// with no format block.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// A new media type from CoTaskMemAlloc with a copy of *source; null when memory runs out.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);
// An audio type from a WAVEFORMATEX and its cbSize extra bytes: the subtype follows the
// format tag; samples are fixed-size, nBlockAlign bytes each.
HRESULT CreateAudioMediaType(const WAVEFORMATEX* format, AM_MEDIA_TYPE* type, BOOL setFormat);
// Same major type, subtype, format type and format bytes.
bool MediaTypesEqual(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);
