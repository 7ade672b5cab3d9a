#include "platform/media/capture_filters/capture_enumerators.h"

#include <memory>

#include "platform/com/com_object.h"

namespace media {
namespace {

class PinEnumerator final : public ComObject<IEnumPins> {
public:
    PinEnumerator(std::vector<ComPtr<IPin>> pins, std::size_t position) : pins_(std::move(pins)), position_(position) {
        TrackWith(&PlatformObjectCounter());
    }

    HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override {
        if (!pins || (count > 1 && !fetched)) return E_POINTER;
        ULONG done = 0;
        while (done < count && position_ < pins_.size()) {
            pins[done] = pins_[position_++].Get();
            pins[done++]->AddRef();
        }
        if (fetched) *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const std::size_t left = pins_.size() - position_;
        position_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumPins** clone) override {
        return CreateComObject<PinEnumerator>(IID_IEnumPins, reinterpret_cast<void**>(clone), pins_, position_);
    }

private:
    std::vector<ComPtr<IPin>> pins_;
    std::size_t position_;
};

struct TypeDeleter {
    void operator()(AM_MEDIA_TYPE* t) const { DeleteMediaType(t); }
};
using OwnedType = std::shared_ptr<AM_MEDIA_TYPE>;

class TypeEnumerator final : public ComObject<IEnumMediaTypes> {
public:
    TypeEnumerator(std::vector<OwnedType> types, std::size_t position) : types_(std::move(types)), position_(position) {
        TrackWith(&PlatformObjectCounter());
    }

    HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
        if (!types || (count > 1 && !fetched)) return E_POINTER;
        ULONG done = 0;
        while (done < count && position_ < types_.size()) {
            AM_MEDIA_TYPE* copy = CreateMediaType(types_[position_].get());
            if (!copy) break;
            ++position_;
            types[done++] = copy;
        }
        if (fetched) *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const std::size_t left = types_.size() - position_;
        position_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumMediaTypes** clone) override {
        return CreateComObject<TypeEnumerator>(IID_IEnumMediaTypes, reinterpret_cast<void**>(clone), types_, position_);
    }

private:
    std::vector<OwnedType> types_;
    std::size_t position_;
};

}  // namespace

HRESULT CreateCapturePinEnumerator(const std::vector<IPin*>& pins, IEnumPins** enumerator) {
    if (!enumerator) return E_POINTER;
    std::vector<ComPtr<IPin>> held;
    held.reserve(pins.size());
    for (IPin* p : pins) held.emplace_back(p);
    return CreateComObject<PinEnumerator>(IID_IEnumPins, reinterpret_cast<void**>(enumerator), std::move(held),
                                          std::size_t{0});
}

HRESULT CreateCaptureTypeEnumerator(const std::vector<const AM_MEDIA_TYPE*>& types, IEnumMediaTypes** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    std::vector<OwnedType> copies;
    for (const AM_MEDIA_TYPE* t : types) {
        AM_MEDIA_TYPE* copy = CreateMediaType(t);
        if (!copy) return E_OUTOFMEMORY;
        copies.emplace_back(copy, TypeDeleter{});
    }
    return CreateComObject<TypeEnumerator>(IID_IEnumMediaTypes, reinterpret_cast<void**>(enumerator),
                                           std::move(copies), std::size_t{0});
}

}  // namespace media
