#include "platform/media/base/sync_handles.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

class SyncObject {
public:
    enum class Kind { ManualEvent, AutoEvent, Semaphore };
    SyncObject(Kind kind, LONG count, LONG maximum) : kind_(kind), count_(count), maximum_(maximum) {}

    void Set() {
        {
            std::lock_guard lock(mutex_);
            count_ = 1;
        }
        if (kind_ == Kind::ManualEvent) changed_.notify_all();
        else changed_.notify_one();
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        count_ = 0;
    }
    bool Release(LONG count, LONG* previous) {
        {
            std::lock_guard lock(mutex_);
            if (count <= 0 || count > maximum_ - count_) return false;
            if (previous) *previous = count_;
            count_ += count;
        }
        changed_.notify_all();
        return true;
    }
    bool Wait(DWORD milliseconds) {
        std::unique_lock lock(mutex_);
        auto ready = [this] { return count_ > 0; };
        if (milliseconds == INFINITE) changed_.wait(lock, ready);
        else if (!changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), ready)) return false;
        if (kind_ != Kind::ManualEvent) --count_;
        return true;
    }

private:
    Kind kind_;
    std::mutex mutex_;
    std::condition_variable changed_;
    LONG count_;
    LONG maximum_;
};

struct HandleTable {
    std::mutex mutex;
    std::uintptr_t next = 1;
    std::unordered_map<std::uintptr_t, std::shared_ptr<SyncObject>> objects;
};

HandleTable& Table() {
    static auto* table = new HandleTable;  // never destroyed: clocks may signal during exit
    return *table;
}

std::uintptr_t Insert(std::shared_ptr<SyncObject> object) {
    std::lock_guard lock(Table().mutex);
    const std::uintptr_t handle = Table().next++;
    Table().objects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<SyncObject> Find(std::uintptr_t handle) {
    std::lock_guard lock(Table().mutex);
    auto it = Table().objects.find(handle);
    return it == Table().objects.end() ? nullptr : it->second;
}

}  // namespace

HEVENT CreateEventHandle(bool manualReset, bool initiallySet) {
    return Insert(std::make_shared<SyncObject>(manualReset ? SyncObject::Kind::ManualEvent : SyncObject::Kind::AutoEvent,
                                               initiallySet ? 1 : 0, 1));
}

bool SetEventHandle(HEVENT event) {
    auto object = Find(event);
    if (object) object->Set();
    return object != nullptr;
}

bool ResetEventHandle(HEVENT event) {
    auto object = Find(event);
    if (object) object->Reset();
    return object != nullptr;
}

HSEMAPHORE CreateSemaphoreHandle(LONG initialCount, LONG maximumCount) {
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) return 0;
    return Insert(std::make_shared<SyncObject>(SyncObject::Kind::Semaphore, initialCount, maximumCount));
}

bool ReleaseSemaphoreHandle(HSEMAPHORE semaphore, LONG count, LONG* previousCount) {
    auto object = Find(semaphore);
    return object && object->Release(count, previousCount);
}

bool WaitForHandle(std::uintptr_t handle, DWORD milliseconds) {
    auto object = Find(handle);
    return object && object->Wait(milliseconds);
}

bool CloseSyncHandle(std::uintptr_t handle) {
    std::lock_guard lock(Table().mutex);
    return Table().objects.erase(handle) == 1;
}
