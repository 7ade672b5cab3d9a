// A dialog made from a template: the state of its controls (texts, check states), the
// dialog procedure that receives its messages, and the calls through which page code reads
// and writes controls. User input (typing, clicking) arrives through Type and Click, which
// change the control and send WM_COMMAND as a real window would. No toolkit is involved;
// a presenter mirrors the state on screen.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/ui/dialog_template.h"

namespace ui {

inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr WORD BN_CLICKED = 0;
inline constexpr WORD EN_CHANGE = 0x0300;
inline constexpr WORD CBN_SELCHANGE = 1;
inline constexpr UINT BST_UNCHECKED = 0;
inline constexpr UINT BST_CHECKED = 1;

constexpr WPARAM MAKEWPARAM(WORD low, WORD high) { return static_cast<WPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16)); }
constexpr WORD LOWORD(WPARAM value) { return static_cast<WORD>(value & 0xFFFF); }
constexpr WORD HIWORD(WPARAM value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }

class Dialog;
// Returns non-zero when it handled the message.
using DialogProc = std::function<LRESULT(Dialog* dialog, UINT message, WPARAM wParam, LPARAM lParam)>;

class Dialog {
public:
    // Sends WM_INITDIALOG once the controls exist.
    Dialog(const DialogTemplate& dialogTemplate, DialogProc procedure);
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    const DialogTemplate& Template() const { return template_; }
    LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Reading and writing controls (the Win32 calls below forward here).
    bool HasControl(int id) const;
    std::u16string Text(int id) const;
    bool SetText(int id, const std::u16string& text);
    UINT CheckState(int id) const;
    bool SetCheckState(int id, UINT state);

    // What the user does: typing replaces an edit's text (EN_CHANGE), clicking a check box
    // toggles it (BN_CLICKED), clicking a button sends BN_CLICKED.
    bool Type(int id, const std::u16string& text);
    bool Click(int id);
    // Choosing a combo box item makes it the combo's text (CBN_SELCHANGE).
    bool Select(int id, const std::u16string& item);

    // Told the id of every control whose text or check state changed, by the page or by the
    // user, so that a presenter can mirror it on screen. One listener; null removes it.
    using ChangeListener = std::function<void(int id)>;
    void SetChangeListener(ChangeListener listener) { listener_ = std::move(listener); }

    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }

private:
    struct ControlState {
        const DialogControl* control;
        std::u16string text;
        UINT check = BST_UNCHECKED;
    };
    void Notify(int id, WORD code);
    void Changed(int id);

    DialogTemplate template_;
    DialogProc procedure_;
    ChangeListener listener_;
    std::map<int, ControlState> controls_;  // by id; static texts with IDC_STATIC are not addressable
    bool visible_ = false;
};

// The platform's calls on dialog controls. The text calls copy at most maxCount - 1
// characters plus a NUL and return the number copied; 0 for an unknown control.
UINT GetDlgItemText(Dialog* dialog, int id, WCHAR* buffer, int maxCount);
BOOL SetDlgItemText(Dialog* dialog, int id, const WCHAR* text);
BOOL CheckDlgButton(Dialog* dialog, int id, UINT check);
UINT IsDlgButtonChecked(Dialog* dialog, int id);

}  // namespace ui
