// The DV splitter's control and the adjustable clock's control.
#pragma once

#include "platform/com/unknown.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/win_types.h"

struct IDVSplitter : IUnknown {
    // Non-zero: pass only every second video frame.
    virtual HRESULT DiscardAlternateVideoFrames(int discard) = 0;
};
QD_DECLARE_IID(IDVSplitter, MakeGuid("92a3a302-da7c-4a1f-ba7e-1802bb5d2d02"));

struct IAMClockAdjust : IUnknown {
    virtual HRESULT SetClockDelta(REFERENCE_TIME delta) = 0;
};
QD_DECLARE_IID(IAMClockAdjust, MakeGuid("4d5466b0-a49c-11d1-abe8-00a0c905f375"));
