// Walking a graph through the IPin and IBaseFilter calls alone, so it works for any filter.
#pragma once

#include <vector>

#include "platform/media/interfaces/filters.h"

namespace media {

// The filter's pins in its order (empty for a null filter).
std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter);
// The filter that owns the pin; null for a null pin.
ComPtr<IBaseFilter> FilterOfPin(IPin* pin);
// The pin connected to this one; null when none.
ComPtr<IPin> PeerOf(IPin* pin);
PIN_DIRECTION DirectionOf(IPin* pin);
bool IsConnected(IPin* pin);

}  // namespace media
