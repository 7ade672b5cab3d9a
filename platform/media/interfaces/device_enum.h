// The system device enumerator and the categories it lists.
#pragma once

#include "platform/com/moniker.h"
#include "platform/com/unknown.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/win_types.h"

inline constexpr CLSID CLSID_SystemDeviceEnum = MakeGuid("62be5d10-60eb-11d0-bd3b-00a0c911ce86");

// Categories of CreateClassEnumerator.
inline constexpr CLSID CLSID_VideoInputDeviceCategory = MakeGuid("860bb310-5d01-11d0-bd3b-00a0c911ce86");
inline constexpr CLSID CLSID_AudioInputDeviceCategory = MakeGuid("33d9a762-90c8-11d0-bd43-00a0c911ce86");
inline constexpr CLSID CLSID_VideoCompressorCategory = MakeGuid("33d9a760-90c8-11d0-bd43-00a0c911ce86");
inline constexpr CLSID CLSID_AudioCompressorCategory = MakeGuid("33d9a761-90c8-11d0-bd43-00a0c911ce86");
inline constexpr CLSID CLSID_LegacyAmFilterCategory = MakeGuid("083863f1-70de-11d0-bd40-00a0c911ce86");
inline constexpr GUID DMOCATEGORY_VIDEO_EFFECT = MakeGuid("d990ee14-776c-4723-be46-3da2f56f10b9");
inline constexpr GUID DMOCATEGORY_AUDIO_EFFECT = MakeGuid("f3602b3f-0592-48df-a4cd-674721e7ebeb");
inline constexpr GUID DMOCATEGORY_AUDIO_CAPTURE_EFFECT = MakeGuid("f665aaba-3e09-4920-aa5f-219811148f09");

// CreateClassEnumerator flags.
inline constexpr DWORD CDEF_CLASS_DEFAULT = 0x0001;
inline constexpr DWORD CDEF_BYPASS_CLASS_MANAGER = 0x0002;

struct ICreateDevEnum : IUnknown {
    // S_FALSE with a null *monikers when the category is empty or unknown.
    virtual HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** monikers, DWORD flags) = 0;
};
QD_DECLARE_IID(ICreateDevEnum, MakeGuid("29840822-5b84-11d0-bd3b-00a0c911ce86"));
