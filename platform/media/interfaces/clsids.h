// Class ids of the platform's media objects and filters.
#pragma once

#include "platform/com/guid.h"

inline constexpr CLSID CLSID_FilterGraph = MakeGuid("e436ebb3-524f-11ce-9f53-0020af0ba770");
inline constexpr CLSID CLSID_CaptureGraphBuilder2 = MakeGuid("bf87b6e1-8c27-11d0-b3f0-00aa003761c5");
inline constexpr CLSID CLSID_SystemClock = MakeGuid("e436ebb1-524f-11ce-9f53-0020af0ba770");
inline constexpr CLSID CLSID_FilterMapper2 = MakeGuid("cda42200-bd88-11d0-bd4e-00a0c911ce86");

inline constexpr CLSID CLSID_SmartTee = MakeGuid("cc58e280-8aa1-11d1-b3f1-00aa003761c5");
inline constexpr CLSID CLSID_DVSplitter = MakeGuid("4eb31670-9fc6-11cf-af6e-00aa00b67a42");
inline constexpr CLSID CLSID_OverlayMixer = MakeGuid("cd8743a1-3736-11d0-9e69-00c04fd7c15b");
inline constexpr CLSID CLSID_VideoRenderer = MakeGuid("70e102b0-5556-11ce-97c0-00aa0055595a");
inline constexpr CLSID CLSID_VideoRendererDefault = MakeGuid("6bc1cffa-8fc1-4261-ac22-cfb4cc38db50");
inline constexpr CLSID CLSID_DSoundRender = MakeGuid("79376820-07d0-11cf-a24d-0020afd79767");
inline constexpr CLSID CLSID_AudioRender = MakeGuid("e30629d1-27e5-11ce-875d-00608cb78066");
inline constexpr CLSID CLSID_AviDest = MakeGuid("e2510970-f137-11ce-8b67-00aa00a3f1a6");
inline constexpr CLSID CLSID_FileWriter = MakeGuid("8596e5f0-0da5-11d0-bd21-00a0c911ce86");
