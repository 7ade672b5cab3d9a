// IStampfix: the control interface of the timestamp repair filter.
#pragma once

#include "common/identifiers.h"
#include "platform/com/unknown.h"

struct IStampfix : IUnknown {
    // Stores the frame interval (100 ns units) and whether it stays fixed at the start of
    // streaming; any value is taken, and it marks the filter's settings dirty.
    virtual HRESULT put_TimePerFrame(REFERENCE_TIME rtTimePerFrame, BOOL bFixed) = 0;
    virtual HRESULT get_TimePerFrame(REFERENCE_TIME* prtTimePerFrame, BOOL* pbFixed) = 0;
};
QD_BIND_IID(IStampfix, IID_IStampfix);
