// The AVI multiplexer (CLSID_AviDest) over GStreamer's avimux: one input pin per stream, a new
// free input appearing each time one is connected, and one output carrying the AVI file
// (MEDIATYPE_Stream / MEDIASUBTYPE_Avi) to a file writer.
//
// IConfigAviMux and IConfigInterleaving keep and report every setting. What avimux can do with
// them:
// - Files are always written in the OpenDML (AVI 2.0) layout once they pass 1 GiB ("bigfile"
//   is on), and the first part always carries the legacy idx1 index, so a compatibility index
//   asked for is honoured as it stands; avimux cannot leave the legacy index out when it is
//   not asked for.
// - avimux always orders chunks by time. The interleave period and audio preroll bound how
//   long each input may wait for the others (the input queue's time limit), so a live stream
//   never stalls behind a slower one.
// - A master stream is kept for the caller; avimux has no rate matching of one stream to another.
#pragma once

#include "platform/com/com_runtime.h"

namespace media {

HRESULT CreateAviMux(IUnknown* outer, REFIID riid, void** object);

}  // namespace media
