#include "platform/ui/dialog_host.h"

#include <map>
#include <mutex>

namespace ui {

namespace {

std::mutex& HostLock() {
    static std::mutex lock;
    return lock;
}

std::map<HWND, DialogHost*>& Hosts() {
    static std::map<HWND, DialogHost*> hosts;
    return hosts;
}

DialogHost* HostOf(HWND parent) {
    std::lock_guard guard(HostLock());
    auto it = Hosts().find(parent);
    return it == Hosts().end() ? nullptr : it->second;
}

}  // namespace

void SetDialogHost(HWND parent, DialogHost* host) {
    std::lock_guard guard(HostLock());
    if (host)
        Hosts()[parent] = host;
    else
        Hosts().erase(parent);
}

void AttachDialog(HWND parent, Dialog* dialog) {
    if (DialogHost* host = HostOf(parent); host && dialog) host->DialogCreated(dialog);
}

void DetachDialog(HWND parent, Dialog* dialog) {
    if (DialogHost* host = HostOf(parent); host && dialog) host->DialogDestroyed(dialog);
}

}  // namespace ui
