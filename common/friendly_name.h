#pragma once

#include <string>

#include "platform/com/moniker.h"

// Reads the moniker's "FriendlyName" property (code-page-932 text). `name` is emptied first.
// Returns the result of the bind to the property bag, or of the read.
HRESULT GetFriendlyName(IMoniker* moniker, std::string* name);
