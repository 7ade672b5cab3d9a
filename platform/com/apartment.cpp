// CoInitialize/CoInitializeEx/CoUninitialize: a per-thread count and threading model.
#include <atomic>

#include "platform/com/apartment.h"
#include "platform/com/com_runtime.h"

namespace {

// Threads currently initialised in the multithreaded model.
std::atomic<long> g_multithreadedThreads{0};

struct ThreadApartment {
    ULONG initCount = 0;
    bool multithreaded = false;

    // A thread that ends without CoUninitialize leaves the multithreaded apartment anyway.
    ~ThreadApartment() {
        if (initCount > 0 && multithreaded) g_multithreadedThreads.fetch_sub(1);
    }
};

thread_local ThreadApartment t_apartment;

constexpr DWORD kKnownFlags =
    COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE | COINIT_SPEED_OVER_MEMORY;

}  // namespace

HRESULT CoInitializeEx(void* reserved, DWORD coInit) {
    if (reserved || (coInit & ~kKnownFlags)) return E_INVALIDARG;
    const bool multithreaded = (coInit & COINIT_APARTMENTTHREADED) == 0;
    ThreadApartment& apartment = t_apartment;
    if (apartment.initCount > 0 && apartment.multithreaded != multithreaded) return RPC_E_CHANGED_MODE;
    if (apartment.initCount++ > 0) return S_FALSE;
    apartment.multithreaded = multithreaded;
    if (multithreaded) g_multithreadedThreads.fetch_add(1);
    return S_OK;
}

HRESULT CoInitialize(void* reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
    ThreadApartment& apartment = t_apartment;
    if (apartment.initCount == 0) return;
    if (--apartment.initCount == 0 && apartment.multithreaded) g_multithreadedThreads.fetch_sub(1);
}

bool IsComUsableOnThisThread() { return t_apartment.initCount > 0 || g_multithreadedThreads.load() > 0; }
