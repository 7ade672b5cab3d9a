// The capture graph builder (CLSID_CaptureGraphBuilder2): finds pins by direction, category
// and major type, finds interfaces up- or downstream, renders streams through an optional
// intermediate filter to a sink or the default renderer, and controls streams (start and
// stop times) with pad probes. SetOutputFileName puts an AVI multiplexer and a file writer into
// the graph, connected; preallocated capture files (AllocCapFile, CopyCaptureFile) are not
// offered.
#pragma once

#include "platform/com/com_runtime.h"

namespace media {

HRESULT CreateCaptureGraphBuilder(IUnknown* outer, REFIID riid, void** object);

}  // namespace media
