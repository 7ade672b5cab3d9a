// The class and interface of the test module (an in-process module built only for tests).
#pragma once

#include "platform/com/unknown.h"

struct ITestAdder : IUnknown {
    virtual HRESULT Add(LONG a, LONG b, LONG* sum) = 0;
};
QD_DECLARE_IID(ITestAdder, MakeGuid("f84a16de-21a2-45ac-a2b2-a0fafd4f0c78"));

inline constexpr CLSID CLSID_TestAdder = MakeGuid("c88a8aed-5629-41e3-857c-48eda75b11da");
inline constexpr char kTestAdderName[] = "Quilldeck Test Adder";

// Extra export of the test module: how many of its objects are alive.
using TestModuleLiveObjectsFunction = long (*)();
inline constexpr char kTestModuleLiveObjectsExport[] = "TestModuleLiveObjects";
