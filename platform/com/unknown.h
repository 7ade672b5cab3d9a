// IUnknown and the reference-counted pointer that holds interfaces.
#pragma once

#include <type_traits>
#include <utility>

#include "platform/com/guid.h"
#include "platform/com/hresult.h"

inline constexpr IID IID_IUnknown = MakeGuid("00000000-0000-0000-c000-000000000046");

// Interfaces are abstract classes of pure virtual methods in the platform's slot order,
// without virtual destructors: objects die through Release.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

// Every interface type names its IID through this trait, so ComPtr::QueryFrom and
// IID_PPV_ARGS need no IID argument.
template <typename I>
struct InterfaceId;

#define QD_DECLARE_IID(Interface, iid)       \
    inline constexpr IID IID_##Interface = iid; \
    QD_BIND_IID(Interface, IID_##Interface)

// For an interface whose IID constant is defined elsewhere (shared identifier headers).
#define QD_BIND_IID(Interface, iidConstant)                \
    template <>                                            \
    struct InterfaceId<Interface> {                        \
        static constexpr const IID& value = iidConstant;   \
    }

template <>
struct InterfaceId<IUnknown> {
    static constexpr const IID& value = IID_IUnknown;
};

template <typename I>
constexpr const IID& IidOf() {
    return InterfaceId<I>::value;
}

// Owns one reference. Never deletes; release happens through the interface.
template <typename I>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adopts a pointer and adds a reference of its own.
    explicit ComPtr(I* p) : ptr_(p) {
        if (ptr_) ptr_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.ptr_) {}
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) {
        if (this != &other) ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }

    // Takes over a reference the caller already owns.
    static ComPtr Attach(I* p) {
        ComPtr result;
        result.ptr_ = p;
        return result;
    }
    I* Detach() { return std::exchange(ptr_, nullptr); }

    void Reset() {
        if (I* p = std::exchange(ptr_, nullptr)) p->Release();
    }
    void Swap(ComPtr& other) noexcept { std::swap(ptr_, other.ptr_); }

    I* Get() const { return ptr_; }
    I* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    // For out-parameters: releases what is held and gives the slot.
    I** ReleaseAndGetAddressOf() {
        Reset();
        return &ptr_;
    }
    void** ReleaseAndGetVoidAddress() { return reinterpret_cast<void**>(ReleaseAndGetAddressOf()); }

    template <typename Other>
    HRESULT As(ComPtr<Other>* out) const {
        if (!out) return E_POINTER;
        if (!ptr_) {
            out->Reset();
            return E_POINTER;
        }
        return ptr_->QueryInterface(IidOf<Other>(), out->ReleaseAndGetVoidAddress());
    }

private:
    I* ptr_ = nullptr;
};

template <typename I, typename J>
bool operator==(const ComPtr<I>& a, const ComPtr<J>& b) {
    return static_cast<const void*>(a.Get()) == static_cast<const void*>(b.Get());
}

// Pairs an IID with an out-slot for calls that take (REFIID, void**).
#define IID_PPV_ARGS(pp) IidOf<std::remove_pointer_t<std::remove_reference_t<decltype(*(pp))>>>(), reinterpret_cast<void**>(pp)
