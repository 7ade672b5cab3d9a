#include "platform/ui/dialog.h"

#include <algorithm>

namespace ui {

namespace {

// A check box keeps its label in the template; a combo box starts with no item selected.
std::u16string InitialText(const DialogControl& control) {
    if (control.kind == ControlKind::CheckBox || control.kind == ControlKind::ComboBox) return {};
    return control.text;
}

bool ComboHasItem(const DialogControl& control, const std::u16string& item) {
    std::size_t start = 0;
    while (start <= control.text.size()) {
        const std::size_t end = std::min(control.text.find(u'\n', start), control.text.size());
        if (control.text.compare(start, end - start, item) == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

Dialog::Dialog(const DialogTemplate& dialogTemplate, DialogProc procedure)
    : template_(dialogTemplate), procedure_(std::move(procedure)) {
    for (const auto& control : template_.controls) {
        if (control.id == IDC_STATIC) continue;
        controls_[control.id] = ControlState{&control, InitialText(control)};
    }
    SendMessage(WM_INITDIALOG, 0, 0);
}

LRESULT Dialog::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure_ ? procedure_(this, message, wParam, lParam) : 0;
}

bool Dialog::HasControl(int id) const { return controls_.count(id) != 0; }

std::u16string Dialog::Text(int id) const {
    auto it = controls_.find(id);
    if (it == controls_.end()) return {};
    return it->second.control->kind == ControlKind::CheckBox ? it->second.control->text : it->second.text;
}

bool Dialog::SetText(int id, const std::u16string& text) {
    auto it = controls_.find(id);
    if (it == controls_.end()) return false;
    it->second.text = text;
    Changed(id);
    // An edit box reports every change of its text, also one made by the program.
    if (it->second.control->kind == ControlKind::Edit) Notify(id, EN_CHANGE);
    return true;
}

UINT Dialog::CheckState(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? BST_UNCHECKED : it->second.check;
}

bool Dialog::SetCheckState(int id, UINT state) {
    auto it = controls_.find(id);
    if (it == controls_.end() || it->second.control->kind != ControlKind::CheckBox) return false;
    it->second.check = state;
    Changed(id);
    return true;
}

bool Dialog::Type(int id, const std::u16string& text) {
    auto it = controls_.find(id);
    if (it == controls_.end() || it->second.control->kind != ControlKind::Edit) return false;
    return SetText(id, text);
}

bool Dialog::Click(int id) {
    auto it = controls_.find(id);
    if (it == controls_.end()) return false;
    const ControlKind kind = it->second.control->kind;
    if (kind != ControlKind::CheckBox && kind != ControlKind::PushButton) return false;
    if (kind == ControlKind::CheckBox && (it->second.control->style & 0xF) == BS_AUTOCHECKBOX)
    {
        it->second.check = it->second.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        Changed(id);
    }
    Notify(id, BN_CLICKED);
    return true;
}

bool Dialog::Select(int id, const std::u16string& item) {
    auto it = controls_.find(id);
    if (it == controls_.end() || it->second.control->kind != ControlKind::ComboBox) return false;
    if (!ComboHasItem(*it->second.control, item)) return false;
    it->second.text = item;
    Changed(id);
    Notify(id, CBN_SELCHANGE);
    return true;
}

void Dialog::Changed(int id) {
    if (listener_) listener_(id);
}

void Dialog::Notify(int id, WORD code) { SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), code), 0); }

UINT GetDlgItemText(Dialog* dialog, int id, WCHAR* buffer, int maxCount) {
    if (!dialog || !buffer || maxCount <= 0) return 0;
    buffer[0] = 0;
    if (!dialog->HasControl(id)) return 0;
    const std::u16string text = dialog->Text(id);
    const std::size_t count = std::min<std::size_t>(text.size(), static_cast<std::size_t>(maxCount - 1));
    std::copy_n(text.begin(), count, buffer);
    buffer[count] = 0;
    return static_cast<UINT>(count);
}

BOOL SetDlgItemText(Dialog* dialog, int id, const WCHAR* text) {
    return dialog && dialog->SetText(id, text ? std::u16string(text) : std::u16string()) ? TRUE : FALSE;
}

BOOL CheckDlgButton(Dialog* dialog, int id, UINT check) {
    return dialog && dialog->SetCheckState(id, check) ? TRUE : FALSE;
}

UINT IsDlgButtonChecked(Dialog* dialog, int id) { return dialog ? dialog->CheckState(id) : BST_UNCHECKED; }

}  // namespace ui
