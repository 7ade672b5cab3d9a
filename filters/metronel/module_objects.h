// Live objects and server locks of the metronel module (for DllCanUnloadNow).
#pragma once

#include "platform/com/com_object.h"

ObjectCounter& MetronelObjects();
