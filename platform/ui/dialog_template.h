// Dialog templates as data: the controls of a dialog with their ids, kinds, texts, positions
// and sizes in dialog units, styles and the dialog's font. Property pages of the system's
// own modules describe their dialogs this way; a presenter turns them into real windows.
#pragma once

#include <string>
#include <vector>

#include "platform/com/types.h"

namespace ui {

// Window and control styles, with the platform's values.
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_GROUP = 0x00020000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD DS_SETFONT = 0x00000040;
inline constexpr DWORD DS_CONTROL = 0x00000400;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x00000003;
inline constexpr DWORD BS_GROUPBOX = 0x00000007;
inline constexpr DWORD CBS_DROPDOWNLIST = 0x00000003;
inline constexpr DWORD ES_AUTOHSCROLL = 0x00000080;
inline constexpr DWORD SS_LEFT = 0x00000000;

// The id that static texts share when nothing refers to them.
inline constexpr int IDC_STATIC = -1;

// A combo box's text lists its items, one per line; its state text is the selected item.
enum class ControlKind { CheckBox, Edit, Static, PushButton, ComboBox, GroupBox };

struct DialogControl {
    int id;
    ControlKind kind;
    std::u16string text;
    short x, y, cx, cy;  // dialog units
    DWORD style;
};

struct DialogTemplate {
    int resourceId;
    DWORD style;
    std::u16string caption;  // empty for child dialogs without caption
    short cx, cy;            // dialog units
    std::u16string fontFace;
    int fontPointSize;
    std::vector<DialogControl> controls;  // in tab order

    const DialogControl* Find(int id) const;
};

struct PixelSize {
    LONG cx;
    LONG cy;
};

// The size in pixels at 96 dots per inch: a dialog unit is a quarter of the font's average
// character width across and an eighth of its height down (6 x 12 pixels at 9 points).
PixelSize DialogUnitsToPixels(const DialogTemplate& dialog, short cx, short cy);

}  // namespace ui
