// IEnumPins over a snapshot of a filter's pins and IEnumMediaTypes over a list of types.
#pragma once

#include <vector>

#include "platform/media/interfaces/filters.h"

namespace media {

// Each pin is held (one reference) for the enumerator's life.
HRESULT CreateCapturePinEnumerator(const std::vector<IPin*>& pins, IEnumPins** enumerator);
// Takes copies of the types.
HRESULT CreateCaptureTypeEnumerator(const std::vector<const AM_MEDIA_TYPE*>& types, IEnumMediaTypes** enumerator);

}  // namespace media
