// The toolbar's button layout kept in the registry: the current user's key
// "Software\Talvin\Quilldeck2\", binary value "ToolBar", one little-endian 32-bit entry per
// place (a command id, or 0 for a separator).
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "platform/com/types.h"

inline constexpr int kToolBarSeparator = 0;
inline constexpr const char* kToolBarKey = "Software\\Talvin\\Quilldeck2\\";
inline constexpr const char* kToolBarValue = "ToolBar";

std::vector<BYTE> EncodeToolBarLayout(std::span<const int> layout);
// The places of a stored layout, keeping only ids in `known` (each once) and separators; nothing
// when the bytes are not a layout at all (a length that is not a multiple of four).
std::optional<std::vector<int>> DecodeToolBarLayout(std::span<const BYTE> bytes, std::span<const int> known);

// Reads and writes the registry value; a missing or malformed value reads as nothing.
std::optional<std::vector<int>> ReadToolBarLayout(std::span<const int> known);
bool WriteToolBarLayout(std::span<const int> layout);
