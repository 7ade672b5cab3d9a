#include "platform/com/class_factory.h"

#include <utility>

ClassFactory::ClassFactory(ClassCreator creator, Aggregation aggregation, ObjectCounter* serverLocks)
    : creator_(std::move(creator)), aggregation_(aggregation), serverLocks_(serverLocks) {
    TrackWith(&PlatformObjectCounter());
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && (aggregation_ == Aggregation::Refused || riid != IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    if (!creator_) return E_UNEXPECTED;
    return creator_(outer, riid, object);
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    // Locks belong to the module, not to this factory object: a client may lock through one
    // factory and unlock through another that DllGetClassObject handed out later.
    if (!serverLocks_) return S_OK;
    if (lock) serverLocks_->Increment();
    else serverLocks_->Decrement();
    return S_OK;
}
