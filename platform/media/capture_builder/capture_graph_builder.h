// The capture graph builder (CLSID_CaptureGraphBuilder2): finds pins by direction, category
// and major type, finds interfaces up- or downstream, renders streams through an optional
// intermediate filter to a sink or the default renderer, and controls streams (start and
// stop times) with pad probes. Writing files (SetOutputFileName, AllocCapFile,
// CopyCaptureFile) belongs to the file writer that comes with the AVI multiplexer.
#pragma once

#include "platform/com/com_runtime.h"

namespace media {

HRESULT CreateCaptureGraphBuilder(IUnknown* outer, REFIID riid, void** object);

}  // namespace media
