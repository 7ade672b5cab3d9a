// The filter mapper (CLSID_FilterMapper2, a built-in class): filter entries in a category
// under HKEY_CLASSES_ROOT\CLSID\{category}\Instance\{instance} with the values
// "FriendlyName" (text), "CLSID" (braced text) and "FilterData" (binary, below).
//
// FilterData, all numbers little-endian DWORDs, GUIDs in their 16-byte memory layout:
//   version (2), merit, pin count,
//   per pin: flags (REG_PINFLAG_B_*), instances, media type count, medium count,
//            pin category GUID (all zero for none),
//            per media type: major type GUID, subtype GUID (all zero for none),
//            per medium: medium GUID, dw1, dw2.
#pragma once

#include <vector>

#include "platform/media/interfaces/filter_registration.h"

namespace media {

// The FilterData bytes for a registration of version 1 or 2.
std::vector<BYTE> EncodeFilterData(const REGFILTER2& registration);

}  // namespace media
