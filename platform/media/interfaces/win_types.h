// Handle, window and automation types that the media framework's interfaces use in their
// signatures, with the platform's sizes. Window handles are opaque: the window layer defines
// what they point at.
#pragma once

#include <cstdint>

#include "platform/com/types.h"
#include "platform/media/format_blocks.h"

using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using DWORDLONG = std::uint64_t;
using LPVOID = void*;
using HANDLE = void*;

struct HWND__;
using HWND = HWND__*;

// Only ever passed by pointer here.
struct MSG;

using LCID = DWORD;
using DISPID = LONG;

struct POINT {
    LONG x;
    LONG y;
};
static_assert(sizeof(POINT) == 8);

struct SIZE {
    LONG cx;
    LONG cy;
};
static_assert(sizeof(SIZE) == 8);

using LPCRECT = const RECT*;

inline constexpr DWORD INFINITE = 0xFFFFFFFF;

// Automation types of the graph's control interfaces.
using OAFilterState = LONG;
using OAEVENT = std::intptr_t;
using OAHWND = std::intptr_t;
using REFTIME = double;  // seconds

inline constexpr LONG OATRUE = -1;
inline constexpr LONG OAFALSE = 0;

// Window styles given to IVideoWindow::put_WindowStyle.
inline constexpr LONG WS_CHILD = 0x40000000;
inline constexpr LONG WS_CLIPSIBLINGS = 0x04000000;
inline constexpr LONG WS_CLIPCHILDREN = 0x02000000;
