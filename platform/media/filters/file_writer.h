// The file writer (CLSID_FileWriter) over GStreamer's filesink: one input pin that writes the
// bytes it receives, seeks included, to the file named with IFileSinkFilter2::SetFileName.
//
// The file is created when the graph starts; a file that cannot be created fails the start
// with an error event. Both modes of SetMode replace an existing file, so the file holds
// exactly this recording: bytes of an older, longer recording left behind the new one could be
// read as part of it (a later RIFF part of an OpenDML file). The mode is kept and reported.
#pragma once

#include "platform/com/com_runtime.h"

namespace media {

HRESULT CreateFileWriter(IUnknown* outer, REFIID riid, void** object);

}  // namespace media
