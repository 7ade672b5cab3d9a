#include "platform/media/graph/event_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>

#include "platform/system/window.h"

namespace media {

namespace {
// Events the graph deals with itself unless the application cancels that.
constexpr LONG kDefaultHandled[] = {EC_REPAINT, EC_ACTIVATE, EC_DISPLAY_CHANGED, EC_CLOCK_CHANGED,
                                    EC_NEED_RESTART, EC_STARVATION, EC_WINDOW_DESTROYED, EC_NOTIFY_WINDOW};

// A lost device (EC_DEVICE_LOST with 0: lost, 1 would be its return) delivers nothing more,
// so the run can never complete otherwise: it ends a wait for completion too.
bool IsCompletion(LONG code, LONG_PTR param2) {
    return code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT || (code == EC_DEVICE_LOST && param2 == 0);
}

template <typename Pred>
bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, LONG msTimeout, Pred pred) {
    if (msTimeout < 0 || static_cast<DWORD>(msTimeout) == INFINITE) {
        cv.wait(lock, pred);
        return true;
    }
    return cv.wait_for(lock, std::chrono::milliseconds(msTimeout), pred);
}
}  // namespace

EventQueue::EventQueue() : eventFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

EventQueue::~EventQueue() {
    if (eventFd_ >= 0) close(eventFd_);
}

bool EventQueue::HandledByDefault(LONG code) const {
    for (LONG handled : kDefaultHandled)
        if (handled == code) return !cancelled_.count(code);
    return false;
}

void EventQueue::SignalHandle(bool set) {
    if (eventFd_ < 0 || set == handleSet_) return;
    std::uint64_t value = 1;
    if (set) {
        [[maybe_unused]] ssize_t n = write(eventFd_, &value, sizeof value);
    } else {
        [[maybe_unused]] ssize_t n = read(eventFd_, &value, sizeof value);
    }
    handleSet_ = set;
}

void EventQueue::Notify(LONG code, LONG_PTR param1, LONG_PTR param2) {
    OAHWND window = 0;
    LONG msg = 0;
    LONG_PTR instance = 0;
    {
        std::lock_guard lock(mutex_);
        if (IsCompletion(code, param2) && completion_ == 0) completion_ = code;
        if (HandledByDefault(code) || (flags_ & AM_MEDIAEVENT_NONOTIFY)) {
            changed_.notify_all();
            return;
        }
        events_.push_back({code, param1, param2});
        SignalHandle(true);
        window = window_;
        msg = msg_;
        instance = instance_;
    }
    changed_.notify_all();
    if (window) PostMessage(reinterpret_cast<HWND>(window), static_cast<UINT>(msg), 0, instance);
}

HRESULT EventQueue::GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) {
    if (!code || !param1 || !param2) return E_POINTER;
    *code = 0;
    *param1 = *param2 = 0;
    std::unique_lock lock(mutex_);
    if (!WaitFor(changed_, lock, msTimeout, [&] { return !events_.empty(); })) return E_ABORT;
    const Event e = events_.front();
    events_.pop_front();
    if (events_.empty()) SignalHandle(false);
    *code = e.code;
    *param1 = e.param1;
    *param2 = e.param2;
    return S_OK;
}

HRESULT EventQueue::WaitForCompletion(LONG msTimeout, LONG* code, bool running) {
    if (!code) return E_POINTER;
    *code = 0;
    std::unique_lock lock(mutex_);
    if (completion_ == 0 && !running) return VFW_E_WRONG_STATE;
    if (!WaitFor(changed_, lock, msTimeout, [&] { return completion_ != 0; })) return E_ABORT;
    *code = completion_;
    return S_OK;
}

void EventQueue::ResetCompletion() {
    std::lock_guard lock(mutex_);
    completion_ = 0;
}

HRESULT EventQueue::SetNotifyWindow(OAHWND window, LONG msg, LONG_PTR instance) {
    if (window && !IsWindow(reinterpret_cast<HWND>(window))) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    window_ = window;
    msg_ = msg;
    instance_ = instance;
    return S_OK;
}

HRESULT EventQueue::SetNotifyFlags(LONG flags) {
    if (flags & ~AM_MEDIAEVENT_NONOTIFY) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    flags_ = flags;
    if (flags_ & AM_MEDIAEVENT_NONOTIFY) {
        events_.clear();
        SignalHandle(false);
    }
    return S_OK;
}

LONG EventQueue::NotifyFlags() const {
    std::lock_guard lock(mutex_);
    return flags_;
}

HRESULT EventQueue::CancelDefaultHandling(LONG code) {
    std::lock_guard lock(mutex_);
    cancelled_.insert(code);
    return S_OK;
}

HRESULT EventQueue::RestoreDefaultHandling(LONG code) {
    std::lock_guard lock(mutex_);
    cancelled_.erase(code);
    return S_OK;
}

}  // namespace media
