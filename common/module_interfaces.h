// What crosses between the program and its filter modules: the modules' class identifiers and
// their control interfaces. Header-only, so the engine and the modules include it alike and
// the engine never reaches into a module's folder.
#pragma once

#include "platform/com/guid.h"
#include "platform/com/unknown.h"

inline constexpr CLSID CLSID_Stampfix = MakeGuid("7EF43911-BA21-4211-992D-7E777F7D15AF");
inline constexpr IID IID_IStampfix = MakeGuid("A40D7B7C-0206-4216-8751-2916E228FB32");
inline constexpr CLSID CLSID_StampfixPropertyPage = MakeGuid("53DFA525-5EED-4E2F-9087-E686CCB9E588");
inline constexpr CLSID CLSID_TalvinClock = MakeGuid("BB187B3A-9496-4E4C-AD84-D4E9EBD62DF7");
inline constexpr IID IID_ITalvinClock = MakeGuid("2BDB1103-F613-47CD-B098-C336B5624E46");

// IStampfix: the control interface of the timestamp repair filter.
struct IStampfix : IUnknown {
    // Stores the frame interval (100 ns units) and whether it stays fixed at the start of
    // streaming; any value is taken, and it marks the filter's settings dirty.
    virtual HRESULT put_TimePerFrame(REFERENCE_TIME rtTimePerFrame, BOOL bFixed) = 0;
    virtual HRESULT get_TimePerFrame(REFERENCE_TIME* prtTimePerFrame, BOOL* pbFixed) = 0;
};
QD_BIND_IID(IStampfix, IID_IStampfix);

// ITalvinClock: the speed factor of the adjustable reference clock.
struct ITalvinClock : IUnknown {
    // Stores the factor and whether it applies; any value is taken.
    virtual HRESULT put_Speed(double dSpeed, BOOL bEnable) = 0;
    virtual HRESULT get_Speed(double* pdSpeed, BOOL* pbEnable) = 0;
};
QD_BIND_IID(ITalvinClock, IID_ITalvinClock);
