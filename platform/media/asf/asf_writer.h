// The ASF writer (CLSID_WMAsfWriter): writes a Windows Media file (WMV video, WMA audio in an
// ASF container) as the Windows Media profile it is configured with says. Its input pins
// follow the profile's streams, audio first; each connected input is converted to the
// profile's format (sample rate and channels; frame size and rate) and encoded on its way to
// the multiplexer. End of stream on every connected input finishes the file (header with the
// duration, index) and then leaves the writer, so the graph sees the recording complete.
#pragma once

#include "platform/com/com_runtime.h"

namespace media {

HRESULT CreateAsfWriter(IUnknown* outer, REFIID riid, void** object);

}  // namespace media
