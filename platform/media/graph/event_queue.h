// The graph's event queue behind IMediaEventEx: events from the bus and from filters
// (IMediaEventSink::Notify) are queued, signalled on an event handle (an eventfd that is
// readable while events wait) and announced by a message posted to the notify window.
// Thread-safe; Notify may be called from any streaming thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>

#include "platform/media/interfaces/control.h"

namespace media {

class EventQueue {
public:
    EventQueue();
    ~EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // Queues the event unless the graph handles it itself (default handling not cancelled).
    void Notify(LONG code, LONG_PTR param1, LONG_PTR param2);

    HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout);
    // Waits for EC_COMPLETE, EC_ERRORABORT, EC_USERABORT or a lost device (EC_DEVICE_LOST with
    // 0 as its second parameter) since the last ResetCompletion; the code is the first of them.
    // VFW_E_WRONG_STATE when the graph is not running and nothing completed.
    HRESULT WaitForCompletion(LONG msTimeout, LONG* code, bool running);
    void ResetCompletion();

    HRESULT SetNotifyWindow(OAHWND window, LONG msg, LONG_PTR instance);
    HRESULT SetNotifyFlags(LONG flags);
    LONG NotifyFlags() const;
    HRESULT CancelDefaultHandling(LONG code);
    HRESULT RestoreDefaultHandling(LONG code);
    OAEVENT EventHandle() const { return static_cast<OAEVENT>(eventFd_); }

private:
    struct Event {
        LONG code;
        LONG_PTR param1;
        LONG_PTR param2;
    };
    bool HandledByDefault(LONG code) const;
    void SignalHandle(bool set);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Event> events_;
    std::set<LONG> cancelled_;
    LONG completion_ = 0;
    OAHWND window_ = 0;
    LONG msg_ = 0;
    LONG_PTR instance_ = 0;
    LONG flags_ = 0;
    int eventFd_ = -1;
    bool handleSet_ = false;
};

}  // namespace media
