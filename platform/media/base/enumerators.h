// Enumerators over a snapshot: the pins of a filter and the media types of a pin.
#pragma once

#include <vector>

#include "platform/media/interfaces/filters.h"

// Pins are counted while enumerated (which keeps their filter alive).
HRESULT CreatePinEnumerator(const std::vector<IPin*>& pins, IEnumPins** enumerator);
// The types are copied.
HRESULT CreateMediaTypeEnumerator(const std::vector<AM_MEDIA_TYPE>& types, IEnumMediaTypes** enumerator);
