// IClassFactory and a ready-made factory around a creation function.
#pragma once

#include <functional>

#include "platform/com/com_object.h"

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;
};
QD_DECLARE_IID(IClassFactory, MakeGuid("00000001-0000-0000-c000-000000000046"));

// Creates one object and hands it out as riid. `outer` is the controlling object when the
// class is created inside an aggregate (only for factories that accept aggregation).
using ClassCreator = std::function<HRESULT(IUnknown* outer, REFIID riid, void** object)>;

enum class Aggregation { Refused, Supported };

// The creator for a class built on ComObject with a default constructor.
template <typename T>
ClassCreator CreatorFor() {
    return [](IUnknown* /*outer*/, REFIID riid, void** object) { return CreateComObject<T>(riid, object); };
}

// A factory that calls its creator. With Aggregation::Refused a non-null outer object gives
// CLASS_E_NOAGGREGATION; with Supported, an outer object may only ask for IUnknown (the
// platform's rule for aggregates). LockServer counts in `serverLocks` when one is given,
// so a module's DllCanUnloadNow can honour it. Locks are module-wide, as on the platform:
// they outlive the factory object they were taken through.
class ClassFactory final : public ComObject<IClassFactory> {
public:
    explicit ClassFactory(ClassCreator creator, Aggregation aggregation = Aggregation::Refused,
                          ObjectCounter* serverLocks = nullptr);

    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT LockServer(BOOL lock) override;

private:
    ClassCreator creator_;
    Aggregation aggregation_;
    ObjectCounter* serverLocks_;
};
