// Showing an object's property pages in the platform's property frame.
#pragma once

#include "platform/com/unknown.h"
#include "platform/media/interfaces/win_types.h"

// With queryOnly TRUE only tells whether the object has property pages (S_OK) and shows
// nothing; otherwise opens the frame for the object, owned by `owner`, and returns once it
// is closed. Returns the last platform result; E_POINTER for a null object.
HRESULT ShowPropertyPages(HWND owner, IUnknown* object, BOOL queryOnly);
