// The catalogue as qdmedia shows and searches it.
#pragma once

#include <string>

#include "platform/com/moniker.h"

namespace qdmedia {

// Prints the eight device lists in the capture session's order (friendly and display names),
// then the Windows Media profiles when the platform has them.
int ListCatalogue();

// The video input device whose display name or friendly name is `name` (case-insensitive),
// or the first video input device for an empty name. Null, with a message, when none.
ComPtr<IMoniker> FindVideoDevice(const std::string& name);

// The entry of a catalogue category whose display name or friendly name is `name`
// (case-insensitive), or the first entry for an empty name. Null, with a message naming
// `what` and `name`, when none matches.
ComPtr<IMoniker> FindEntry(REFGUID category, const std::string& name, const char* what);

std::string DisplayNameOf(IMoniker* moniker);
std::string FriendlyNameOf(IMoniker* moniker);

}  // namespace qdmedia
