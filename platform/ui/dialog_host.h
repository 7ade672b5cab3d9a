// Where a page's dialog meets the window it is shown in. A presenter registers a host for the
// window handle it passes as the parent of a page; the page announces the dialog it creates
// for that parent and withdraws it before destroying it.
#pragma once

#include "platform/media/interfaces/win_types.h"
#include "platform/ui/dialog.h"

namespace ui {

class DialogHost {
public:
    virtual ~DialogHost() = default;
    virtual void DialogCreated(Dialog* dialog) = 0;
    virtual void DialogDestroyed(Dialog* dialog) = 0;
};

// A null host removes the registration. The host must outlive its registration.
void SetDialogHost(HWND parent, DialogHost* host);

// Both do nothing for a parent without a host (a page used without any presenter).
void AttachDialog(HWND parent, Dialog* dialog);
void DetachDialog(HWND parent, Dialog* dialog);

}  // namespace ui
