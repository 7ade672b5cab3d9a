// Class factories and filters that make a graph step fail: a class that cannot be created, a
// filter the graph refuses, and a factory that hands out an object made beforehand (a
// stand-in put in front of a real one).
#pragma once

#include "platform/com/class_factory.h"
#include "platform/com/com_object.h"
#include "platform/media/interfaces/filters.h"

class FailingFactory final : public ComObject<IClassFactory> {
public:
    HRESULT CreateInstance(IUnknown*, REFIID, void** object) override {
        if (object) *object = nullptr;
        return E_OUTOFMEMORY;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

// A filter from outside the media framework: the graph refuses it (AddFilter fails).
class ForeignFilter final : public ComObject<IBaseFilter> {
public:
    HRESULT GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT Stop() override { return S_OK; }
    HRESULT Pause() override { return S_OK; }
    HRESULT Run(REFERENCE_TIME) override { return S_OK; }
    HRESULT GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
    HRESULT SetSyncSource(IReferenceClock*) override { return S_OK; }
    HRESULT GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
    HRESULT EnumPins(IEnumPins**) override { return E_NOTIMPL; }
    HRESULT FindPin(LPCWSTR, IPin**) override { return VFW_E_NOT_FOUND; }
    HRESULT QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
    HRESULT JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return E_FAIL; }
    HRESULT QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }
};

class ForeignFilterFactory final : public ComObject<IClassFactory> {
public:
    HRESULT CreateInstance(IUnknown*, REFIID iid, void** object) override {
        ComPtr<ForeignFilter> filter = MakeComObject<ForeignFilter>();
        return filter->QueryInterface(iid, object);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

class PremadeFactory final : public ComObject<IClassFactory> {
public:
    explicit PremadeFactory(IUnknown* object) : object_(object) {}
    HRESULT CreateInstance(IUnknown*, REFIID iid, void** object) override {
        return object_->QueryInterface(iid, object);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

private:
    ComPtr<IUnknown> object_;
};
