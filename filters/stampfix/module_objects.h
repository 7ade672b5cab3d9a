// Live objects and server locks of the stampfix module (for DllCanUnloadNow).
#pragma once

#include "platform/com/com_object.h"

ObjectCounter& StampfixObjects();
