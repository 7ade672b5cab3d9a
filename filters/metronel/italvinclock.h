// ITalvinClock: the speed factor of the adjustable reference clock.
#pragma once

#include "common/identifiers.h"
#include "platform/com/unknown.h"

struct ITalvinClock : IUnknown {
    // Stores the factor and whether it applies; any value is taken.
    virtual HRESULT put_Speed(double dSpeed, BOOL bEnable) = 0;
    virtual HRESULT get_Speed(double* pdSpeed, BOOL* pbEnable) = 0;
};
QD_BIND_IID(ITalvinClock, IID_ITalvinClock);
