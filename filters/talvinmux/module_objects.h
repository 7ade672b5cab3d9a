// Live objects and server locks of the talvinmux module (for DllCanUnloadNow).
#pragma once

#include "platform/com/com_object.h"

ObjectCounter& TalvinMuxObjects();
