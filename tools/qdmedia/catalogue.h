// The catalogue as qdmedia shows and searches it.
#pragma once

#include <string>

#include "platform/com/moniker.h"

namespace qdmedia {

// Prints the eight lists in the capture session's order: friendly and display names.
int ListCatalogue();

// The video input device whose display name or friendly name is `name` (case-insensitive),
// or the first video input device for an empty name. Null, with a message, when none.
ComPtr<IMoniker> FindVideoDevice(const std::string& name);

std::string DisplayNameOf(IMoniker* moniker);
std::string FriendlyNameOf(IMoniker* moniker);

}  // namespace qdmedia
