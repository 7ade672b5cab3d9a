// The system beep. The program installs its toolkit's beep; without one, a terminal bell is
// written to stderr when stderr is a terminal.
#pragma once

#include <functional>

#include "platform/com/types.h"

BOOL MessageBeep(UINT type);
void SetMessageBeepHandler(std::function<void(UINT)> handler);
