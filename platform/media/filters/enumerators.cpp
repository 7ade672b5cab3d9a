#include "platform/media/filters/enumerators.h"

namespace media {

HRESULT CreatePinEnumerator(const std::vector<IPin*>& pins, IEnumPins** enumerator) {
    std::vector<ComPtr<IPin>> held(pins.begin(), pins.end());
    return CreateReferenceEnumerator(std::move(held), enumerator);
}

HRESULT CreateMediaTypeEnumerator(const std::vector<const AM_MEDIA_TYPE*>& types, IEnumMediaTypes** enumerator) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    auto list = std::make_shared<MediaTypeList>();
    for (const AM_MEDIA_TYPE* type : types)
        if (!type || !list->Add(*type)) return E_OUTOFMEMORY;
    auto created = MakeComObject<MediaTypeEnumerator>(std::move(list));
    if (!created) return E_OUTOFMEMORY;
    *enumerator = created.Detach();
    return S_OK;
}

MediaTypeEnumerator::MediaTypeEnumerator(std::shared_ptr<const MediaTypeList> types, std::size_t position)
    : types_(std::move(types)), position_(position) {
    TrackWith(&PlatformObjectCounter());
}

HRESULT MediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** out, ULONG* fetched) {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && position_ < types_->Size(); ++position_) {
        AM_MEDIA_TYPE* copy = CreateMediaType(&types_->At(position_));
        if (!copy) break;
        out[n++] = copy;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
}

HRESULT MediaTypeEnumerator::Skip(ULONG count) {
    const std::size_t left = types_->Size() - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
}

HRESULT MediaTypeEnumerator::Reset() {
    position_ = 0;
    return S_OK;
}

HRESULT MediaTypeEnumerator::Clone(IEnumMediaTypes** clone) {
    if (!clone) return E_POINTER;
    auto copy = MakeComObject<MediaTypeEnumerator>(types_, position_);
    if (!copy) return E_OUTOFMEMORY;
    *clone = copy.Detach();
    return S_OK;
}

}  // namespace media
