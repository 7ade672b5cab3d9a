// Keeping an object's private configuration (its IPersistStream state) as bytes in a profile.
#pragma once

#include <vector>

#include "platform/com/unknown.h"

// Empties `data`, then saves the object into a memory stream (clearing its dirty flag) and
// copies the stream into `data`. An object whose saved state is empty leaves `data` empty.
// On a failed read `data` stays empty. Returns the last platform result.
HRESULT SaveObjectState(IUnknown* object, std::vector<BYTE>* data);

// Loads bytes saved by SaveObjectState into the object. Null object: E_POINTER; no bytes:
// success with no effect.
HRESULT LoadObjectState(IUnknown* object, const BYTE* data, DWORD size);
