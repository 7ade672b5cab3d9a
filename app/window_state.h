// The main window's layout file "window.dat": the window placement, where each settings sheet
// and dialog was last shown, their last pages and the reservation list's column widths.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/com/types.h"
#include "platform/system/window.h"

inline constexpr const char* kWindowStateFileName = "window.dat";
inline constexpr DWORD kWindowStateVersion = 2662;
inline constexpr std::size_t kWindowStateBytes = 196;

// Show state of the placement that the platform's SW_MAXIMIZE stands for.
inline constexpr UINT SW_SHOWMAXIMIZED = 3;

struct WindowPoint {
    LONG x = 300;
    LONG y = 300;
    bool operator==(const WindowPoint&) const = default;
};

struct WindowRect {
    LONG left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const WindowRect&) const = default;
};

// The platform's WINDOWPLACEMENT, 44 bytes.
struct WindowPlacement {
    UINT length = 44;
    UINT flags = 0;
    UINT showCmd = SW_SHOWNORMAL;
    LONG minX = -1, minY = -1;
    LONG maxX = -1, maxY = -1;
    WindowRect normal;
    bool operator==(const WindowPlacement&) const = default;
};

struct WindowState {
    WindowPlacement Placement;
    bool HasPlacement = false;  // read from a file (the placement is then applied)
    WindowPoint DeviceSheet;
    WindowPoint CompressorSheet;
    WindowPoint ChannelDialog;
    WindowPoint MuxSheet;
    WindowRect ReservationEditor{300, 300, -1, -1};  // -1, -1: no size saved
    WindowPoint OptionsSheet;
    WindowPoint VideoFilterDialog;
    WindowPoint AudioFilterDialog;
    WindowPoint PowerDialog;
    WindowPoint DeviceSheetSecond;
    LONG DeviceSheetPage = 0;
    LONG CompressorSheetPage = 0;
    LONG MuxSheetPage = 0;
    LONG DeviceSheetSecondPage = 0;
    LONG OptionsSheetPage = 0;
    std::array<LONG, 10> ReservationColumns{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};  // first -1: none saved
    bool operator==(const WindowState&) const = default;
};

// The 196 bytes of the current version.
std::vector<BYTE> StoreWindowState(const WindowState& state);

// Reads any version: fields that the file's version does not have keep their initial values.
// Nothing when the bytes end before the version's last field (a damaged file); `state` is then
// left untouched.
std::optional<WindowState> ParseWindowState(std::span<const BYTE> bytes, DWORD* version = nullptr);
