// The growable in-memory stream behind CreateStreamOnHGlobal.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/com/stream.h"

namespace {

// A memory stream holds object state and small documents; refusing absurd sizes keeps a
// stray Seek/SetSize from trying to allocate terabytes.
constexpr ULONGLONG kMaxStreamSize = 0x7FFFFFFF;

class MemoryStream final : public ComObject<IStream> {
public:
    MemoryStream() { TrackWith(&PlatformObjectCounter()); }

    HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
        if (read) *read = 0;
        if (!buffer && size) return STG_E_INVALIDPOINTER;
        std::lock_guard lock(mutex_);
        ULONG count = 0;
        if (position_ < bytes_.size()) count = static_cast<ULONG>(std::min<ULONGLONG>(size, bytes_.size() - position_));
        if (count) std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        if (read) *read = count;
        return S_OK;
    }

    HRESULT Write(const void* buffer, ULONG size, ULONG* written) override {
        if (written) *written = 0;
        if (!buffer && size) return STG_E_INVALIDPOINTER;
        std::lock_guard lock(mutex_);
        if (size == 0) return S_OK;
        const ULONGLONG end = position_ + size;
        if (end < position_ || (end > bytes_.size() && !Resize(end))) return STG_E_MEDIUMFULL;
        std::memcpy(bytes_.data() + position_, buffer, size);
        position_ = end;
        if (written) *written = size;
        return S_OK;
    }

    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        std::lock_guard lock(mutex_);
        LONGLONG base;
        switch (origin) {
            case STREAM_SEEK_SET: base = 0; break;
            case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
            case STREAM_SEEK_END: base = static_cast<LONGLONG>(bytes_.size()); break;
            default: return STG_E_INVALIDFUNCTION;
        }
        LONGLONG target;
        if (__builtin_add_overflow(base, move.QuadPart, &target) || target < 0) return STG_E_INVALIDFUNCTION;
        // Beyond the end is allowed; a later write fills the gap with zeros.
        position_ = static_cast<ULONGLONG>(target);
        if (newPosition) newPosition->QuadPart = position_;
        return S_OK;
    }

    HRESULT SetSize(ULARGE_INTEGER newSize) override {
        std::lock_guard lock(mutex_);
        return Resize(newSize.QuadPart) ? S_OK : STG_E_MEDIUMFULL;
    }

    HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT Commit(DWORD) override { return S_OK; }  // memory has nothing to commit to
    HRESULT Revert() override { return S_OK; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }

    HRESULT Stat(STATSTG* stat, DWORD /*statFlag: a memory stream has no name either way*/) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        std::lock_guard lock(mutex_);
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = bytes_.size();
        stat->grfMode = STGM_READWRITE;
        return S_OK;
    }

    HRESULT Clone(IStream** clone) override {
        if (clone) *clone = nullptr;
        return E_NOTIMPL;
    }

private:
    bool Resize(ULONGLONG size) {
        if (size > kMaxStreamSize) return false;
        try {
            bytes_.resize(static_cast<std::size_t>(size), 0);
        } catch (const std::bad_alloc&) {
            return false;
        } catch (const std::length_error&) {
            return false;
        }
        return true;
    }

    std::mutex mutex_;
    std::vector<BYTE> bytes_;
    ULONGLONG position_ = 0;
};

}  // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL global, BOOL /*deleteOnRelease*/, LPSTREAM* stream) {
    if (!stream) return E_INVALIDARG;
    *stream = nullptr;
    if (global) return E_INVALIDARG;
    return CreateComObject<MemoryStream>(IID_IStream, reinterpret_cast<void**>(stream));
}
