#include "platform/media/base/enumerators.h"

#include <algorithm>

#include "platform/com/task_memory.h"

namespace {

template <typename Item>
ULONG RemainingCount(ULONG count, std::size_t position, std::size_t size) {
    return static_cast<ULONG>(std::min<std::size_t>(count, size - std::min(position, size)));
}

class CEnumPins final : public ComObject<IEnumPins> {
public:
    explicit CEnumPins(std::vector<ComPtr<IPin>> pins, std::size_t position = 0)
        : pins_(std::move(pins)), position_(position) {}

    HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override {
        if (!pins || (count > 1 && !fetched)) return E_POINTER;
        const ULONG n = RemainingCount<IPin>(count, position_, pins_.size());
        for (ULONG i = 0; i < n; ++i) {
            pins[i] = pins_[position_ + i].Get();
            pins[i]->AddRef();
        }
        position_ += n;
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const ULONG n = RemainingCount<IPin>(count, position_, pins_.size());
        position_ += n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumPins** clone) override {
        if (!clone) return E_POINTER;
        return CreateComObject<CEnumPins>(IID_IEnumPins, reinterpret_cast<void**>(clone), pins_, position_);
    }

private:
    std::vector<ComPtr<IPin>> pins_;
    std::size_t position_;
};

class CEnumMediaTypes final : public ComObject<IEnumMediaTypes> {
public:
    CEnumMediaTypes(const std::vector<AM_MEDIA_TYPE>& types, std::size_t position) : position_(position) {
        for (const auto& type : types) {
            AM_MEDIA_TYPE copy{};
            if (SUCCEEDED(CopyMediaType(&copy, &type))) types_.push_back(copy);
        }
    }
    ~CEnumMediaTypes() override {
        for (auto& type : types_) FreeMediaType(type);
    }

    HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
        if (!types || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        for (; n < count && position_ < types_.size(); ++n, ++position_) {
            types[n] = CreateMediaType(&types_[position_]);
            if (!types[n]) break;
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const ULONG n = RemainingCount<AM_MEDIA_TYPE>(count, position_, types_.size());
        position_ += n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumMediaTypes** clone) override {
        if (!clone) return E_POINTER;
        return CreateComObject<CEnumMediaTypes>(IID_IEnumMediaTypes, reinterpret_cast<void**>(clone), types_,
                                                position_);
    }

private:
    std::vector<AM_MEDIA_TYPE> types_;
    std::size_t position_;
};

}  // namespace

HRESULT CreatePinEnumerator(const std::vector<IPin*>& pins, IEnumPins** enumerator) {
    if (!enumerator) return E_POINTER;
    std::vector<ComPtr<IPin>> held;
    for (IPin* pin : pins) held.emplace_back(pin);
    return CreateComObject<CEnumPins>(IID_IEnumPins, reinterpret_cast<void**>(enumerator), std::move(held));
}

HRESULT CreateMediaTypeEnumerator(const std::vector<AM_MEDIA_TYPE>& types, IEnumMediaTypes** enumerator) {
    if (!enumerator) return E_POINTER;
    return CreateComObject<CEnumMediaTypes>(IID_IEnumMediaTypes, reinterpret_cast<void**>(enumerator), types,
                                            std::size_t{0});
}
