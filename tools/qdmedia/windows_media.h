// Windows Media writing for qdmedia: the profile list and the ASF writer, used only when the
// platform provides them.
#pragma once

#include <string>

#include "tools/qdmedia/session.h"

namespace qdmedia {

// Prints the Windows Media profiles as catalogue list `number` when the platform has them.
void ListWindowsMediaProfiles(int number);

// The ASF writer in the session's graph, writing `file` with the profile named `profile`
// (the first profile for an empty name). Null, with the failing step printed, when the
// platform has no ASF writer or a step fails.
ComPtr<IBaseFilter> AddAsfWriter(Session& session, const std::string& file, const std::string& profile);

}  // namespace qdmedia
