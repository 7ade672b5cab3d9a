// The enumerators that filters and graphs hand out: pins, filters (snapshots of reference
// lists) and media types (a snapshot of owned types, copied out with CoTaskMemAlloc).
#pragma once

#include <memory>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/media/filters/media_type_list.h"
#include "platform/media/interfaces/filters.h"

namespace media {

// IEnumPins / IEnumFilters over a fixed list of references.
template <typename Enum, typename Item>
class ReferenceEnumerator final : public ComObject<Enum> {
public:
    using Items = std::vector<ComPtr<Item>>;
    explicit ReferenceEnumerator(std::shared_ptr<const Items> items, std::size_t position = 0)
        : items_(std::move(items)), position_(position) {
        this->TrackWith(&PlatformObjectCounter());
    }

    HRESULT Next(ULONG count, Item** out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        for (; n < count && position_ < items_->size(); ++n, ++position_) {
            out[n] = (*items_)[position_].Get();
            out[n]->AddRef();
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const std::size_t left = items_->size() - position_;
        position_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT Clone(Enum** clone) override {
        if (!clone) return E_POINTER;
        auto copy = MakeComObject<ReferenceEnumerator>(items_, position_);
        if (!copy) return E_OUTOFMEMORY;
        *clone = copy.Detach();
        return S_OK;
    }

private:
    std::shared_ptr<const Items> items_;
    std::size_t position_;
};

using PinEnumerator = ReferenceEnumerator<IEnumPins, IPin>;
using FilterEnumerator = ReferenceEnumerator<IEnumFilters, IBaseFilter>;

// A new enumerator over `items`, each held (one reference) for the enumerator's life.
template <typename Enum, typename Item>
HRESULT CreateReferenceEnumerator(std::vector<ComPtr<Item>> items, Enum** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    auto created = MakeComObject<ReferenceEnumerator<Enum, Item>>(
        std::make_shared<const std::vector<ComPtr<Item>>>(std::move(items)));
    if (!created) return E_OUTOFMEMORY;
    *enumerator = created.Detach();
    return S_OK;
}

HRESULT CreatePinEnumerator(const std::vector<IPin*>& pins, IEnumPins** enumerator);
// The types are copied.
HRESULT CreateMediaTypeEnumerator(const std::vector<const AM_MEDIA_TYPE*>& types, IEnumMediaTypes** enumerator);

class MediaTypeEnumerator final : public ComObject<IEnumMediaTypes> {
public:
    explicit MediaTypeEnumerator(std::shared_ptr<const MediaTypeList> types, std::size_t position = 0);
    HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumMediaTypes** clone) override;

private:
    std::shared_ptr<const MediaTypeList> types_;
    std::size_t position_;
};

}  // namespace media
