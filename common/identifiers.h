// Class and interface identifiers shared by the program and its two filter modules.
#pragma once

#include "platform/com/guid.h"

inline constexpr CLSID CLSID_Stampfix = MakeGuid("7EF43911-BA21-4211-992D-7E777F7D15AF");
inline constexpr IID IID_IStampfix = MakeGuid("A40D7B7C-0206-4216-8751-2916E228FB32");
inline constexpr CLSID CLSID_StampfixPropertyPage = MakeGuid("53DFA525-5EED-4E2F-9087-E686CCB9E588");
inline constexpr CLSID CLSID_TalvinClock = MakeGuid("BB187B3A-9496-4E4C-AD84-D4E9EBD62DF7");
inline constexpr IID IID_ITalvinClock = MakeGuid("2BDB1103-F613-47CD-B098-C336B5624E46");
// The interfaces bind these constants with QD_BIND_IID where they are declared.
