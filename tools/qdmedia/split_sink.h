// The splitting AVI multiplexer (talvinmux.ax) as qdmedia's sink: numbered AVI 1.0 pieces or
// one OpenDML file, with the file count and size limits from the command line.
#pragma once

#include "platform/media/interfaces/filters.h"
#include "tools/qdmedia/commands.h"
#include "tools/qdmedia/session.h"

namespace qdmedia {

// The multiplexer added to the graph and set up; null, with a message, when it cannot be made
// (its module not registered) or refuses a setting.
ComPtr<IBaseFilter> AddSplitMultiplexer(Session& session, const RecordRequest& request);
// Prints the files written and the multiplexer's statistics.
void PrintSplitStatistics(IBaseFilter* multiplexer);

}  // namespace qdmedia
