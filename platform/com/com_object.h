// A small base for implementing COM objects in C++.
//
//   class CThing : public ComObject<IThing, IPersist> {
//   public:
//       CThing() { TrackWith(&g_ModuleObjects); }   // optional: counts live objects
//       HRESULT DoThing() override;                 // the interfaces' own methods
//   };
//   ComPtr<CThing> thing = MakeComObject<CThing>();
//   HRESULT hr = CreateComObject<CThing>(riid, out);  // in a class factory
//
// Reference count: a new object starts with a count of 1, which belongs to whoever called
// `new` (MakeComObject hands it to a ComPtr, CreateComObject trades it for the requested
// interface). Starting at 1 means an AddRef/Release pair made while the object is being
// built (a constructor handing `this` to a helper) can never destroy it half-way.
// The last Release deletes the object through the virtual destructor, so classes may derive
// from one another.
//
// QueryInterface answers IUnknown, every listed interface and the parents declared with
// QD_DECLARE_INTERFACE_PARENT (IStream answers ISequentialStream as well). IUnknown is always
// the first listed interface's pointer, so identity holds. Anything else goes to the virtual
// QueryOtherInterface, where an object can hand out an inner or tear-off object.
#pragma once

#include <atomic>
#include <new>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/com/unknown.h"

// Counts live objects, e.g. of one module so that its DllCanUnloadNow can answer. Server
// locks (IClassFactory::LockServer) may be counted in the same counter.
class ObjectCounter {
public:
    void Increment() { count_.fetch_add(1, std::memory_order_relaxed); }
    void Decrement() { count_.fetch_sub(1, std::memory_order_acq_rel); }
    long Count() const { return count_.load(std::memory_order_acquire); }

private:
    std::atomic<long> count_{0};
};

// Every object that the platform itself creates (streams, bags, monikers, bind contexts,
// class factories) counts here, so tests can tell when they are gone.
ObjectCounter& PlatformObjectCounter();

// Names the interface that an interface derives from, so QueryInterface answers it too.
// Like QD_DECLARE_IID, use it at global scope, next to the interface.
template <typename I>
struct InterfaceParent {
    using type = IUnknown;
};

#define QD_DECLARE_INTERFACE_PARENT(Interface, Parent) \
    template <>                                        \
    struct InterfaceParent<Interface> {                \
        using type = Parent;                           \
    }

namespace com_detail {
// The interface pointer for riid when it is I or one of I's parents, else null.
template <typename I>
void* MatchInterface(I* itf, REFIID riid) {
    if (riid == IidOf<I>()) return itf;
    using Parent = typename InterfaceParent<I>::type;
    if constexpr (std::is_same_v<Parent, IUnknown>) {
        return nullptr;
    } else {
        return MatchInterface<Parent>(itf, riid);
    }
}

template <typename Self, typename... Interfaces>
void* FindListed(Self* self, REFIID riid) {
    void* found = nullptr;
    ((found = found ? found : MatchInterface<Interfaces>(static_cast<Interfaces*>(self), riid)), ...);
    return found;
}
}  // namespace com_detail

template <typename... Interfaces>
class ComObject : public Interfaces... {
    static_assert(sizeof...(Interfaces) > 0, "a COM object implements at least one interface");
    using FirstInterface = std::tuple_element_t<0, std::tuple<Interfaces...>>;

public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        void* found = riid == IID_IUnknown ? GetUnknown() : com_detail::FindListed<ComObject, Interfaces...>(this, riid);
        if (!found) {
            *object = nullptr;
            return QueryOtherInterface(riid, object);
        }
        *object = found;
        AddRef();
        return S_OK;
    }

    ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

    ULONG Release() override {
        const ULONG remaining = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (remaining == 0) delete this;
        return remaining;
    }

    // The identity of the object (what QueryInterface(IID_IUnknown) gives), without a reference.
    IUnknown* GetUnknown() { return static_cast<FirstInterface*>(this); }

protected:
    ComObject() = default;
    virtual ~ComObject() {
        if (counter_) counter_->Decrement();
    }

    // Counts this object in `counter` until it is destroyed. Call once, from a constructor.
    void TrackWith(ObjectCounter* counter) {
        if (counter_ || !counter) return;
        counter_ = counter;
        counter_->Increment();
    }

    // Interfaces beyond the listed ones. On success, store an AddRef'ed pointer in *object.
    virtual HRESULT QueryOtherInterface(REFIID /*riid*/, void** /*object*/) { return E_NOINTERFACE; }

private:
    std::atomic<ULONG> refs_{1};
    ObjectCounter* counter_ = nullptr;
};

// Adds interfaces to a class already built on ComObject, sharing its count and identity:
//   class CMyFilter : public ComExtend<CBaseFilterClass, IMyControl> { ... };
template <typename Base, typename... Extra>
class ComExtend : public Base, public Extra... {
public:
    using Base::Base;

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (void* found = com_detail::FindListed<ComExtend, Extra...>(this, riid)) {
            *object = found;
            AddRef();
            return S_OK;
        }
        return Base::QueryInterface(riid, object);
    }
    ULONG AddRef() override { return Base::AddRef(); }
    ULONG Release() override { return Base::Release(); }
};

// A new object, its first reference owned by the returned pointer; null when memory runs out.
template <typename T, typename... Args>
ComPtr<T> MakeComObject(Args&&... args) {
    try {
        return ComPtr<T>::Attach(new T(std::forward<Args>(args)...));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// A new object handed out as the interface riid (the usual body of a class factory).
template <typename T, typename... Args>
HRESULT CreateComObject(REFIID riid, void** object, Args&&... args) {
    if (!object) return E_POINTER;
    *object = nullptr;
    ComPtr<T> created = MakeComObject<T>(std::forward<Args>(args)...);
    if (!created) return E_OUTOFMEMORY;
    return created->QueryInterface(riid, object);
}
