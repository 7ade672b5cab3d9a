#include "app/window_state.h"

#include <cstring>

#include "platform/com/little_endian.h"

namespace {

class Writer {
public:
    void Put(LONG value) {
        const auto u = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<BYTE>(u >> shift));
    }
    void Put(const WindowPoint& p) { Put(p.x), Put(p.y); }
    void Put(const WindowRect& r) { Put(r.left), Put(r.top), Put(r.right), Put(r.bottom); }
    std::vector<BYTE> Take() { return std::move(bytes_); }

private:
    std::vector<BYTE> bytes_;
};

class Reader {
public:
    explicit Reader(std::span<const BYTE> bytes) : bytes_(bytes) {}
    bool Get(LONG& value) {
        if (bytes_.size() - offset_ < 4) return false;
        value = static_cast<LONG>(LoadLittleEndian<std::uint32_t>(bytes_.data() + offset_));
        offset_ += 4;
        return true;
    }
    bool Get(UINT& value) {
        LONG v = 0;
        if (!Get(v)) return false;
        value = static_cast<UINT>(v);
        return true;
    }
    bool Get(WindowPoint& p) { return Get(p.x) && Get(p.y); }
    bool Get(WindowRect& r) { return Get(r.left) && Get(r.top) && Get(r.right) && Get(r.bottom); }
    bool Skip(std::size_t count) {
        if (bytes_.size() - offset_ < count) return false;
        offset_ += count;
        return true;
    }

private:
    std::span<const BYTE> bytes_;
    std::size_t offset_ = 0;
};

bool ReadPlacement(Reader& in, WindowPlacement& p) {
    return in.Get(p.length) && in.Get(p.flags) && in.Get(p.showCmd) && in.Get(p.minX) && in.Get(p.minY) &&
           in.Get(p.maxX) && in.Get(p.maxY) && in.Get(p.normal);
}

}  // namespace

std::vector<BYTE> StoreWindowState(const WindowState& s) {
    Writer out;
    out.Put(static_cast<LONG>(kWindowStateVersion));
    const WindowPlacement& p = s.Placement;
    out.Put(static_cast<LONG>(p.length));
    out.Put(static_cast<LONG>(p.flags));
    out.Put(static_cast<LONG>(p.showCmd));
    out.Put(p.minX), out.Put(p.minY), out.Put(p.maxX), out.Put(p.maxY);
    out.Put(p.normal);
    out.Put(s.DeviceSheet), out.Put(s.CompressorSheet), out.Put(s.ChannelDialog), out.Put(s.MuxSheet);
    out.Put(s.ReservationEditor);
    out.Put(s.OptionsSheet), out.Put(s.VideoFilterDialog), out.Put(s.AudioFilterDialog), out.Put(s.PowerDialog);
    out.Put(s.DeviceSheetSecond);
    out.Put(s.DeviceSheetPage), out.Put(s.CompressorSheetPage), out.Put(s.MuxSheetPage);
    out.Put(s.DeviceSheetSecondPage), out.Put(s.OptionsSheetPage);
    for (LONG width : s.ReservationColumns) out.Put(width);
    return out.Take();
}

std::optional<WindowState> ParseWindowState(std::span<const BYTE> bytes, DWORD* versionOut) {
    Reader in(bytes);
    LONG versionWord = 0;
    if (!in.Get(versionWord)) return std::nullopt;
    const auto version = static_cast<DWORD>(versionWord);
    if (versionOut) *versionOut = version;

    WindowState s;
    if (!ReadPlacement(in, s.Placement)) return std::nullopt;
    s.HasPlacement = true;
    if (!in.Get(s.DeviceSheet) || !in.Get(s.CompressorSheet) || !in.Get(s.ChannelDialog) || !in.Get(s.MuxSheet))
        return std::nullopt;
    if (version >= 2555) {
        if (!in.Get(s.ReservationEditor)) return std::nullopt;
    } else if (!in.Skip(8)) {
        return std::nullopt;
    }
    if (!in.Get(s.OptionsSheet) || !in.Get(s.VideoFilterDialog) || !in.Get(s.AudioFilterDialog)) return std::nullopt;
    if (version >= 2553 && !in.Get(s.PowerDialog)) return std::nullopt;
    if (version >= 2662 && !in.Get(s.DeviceSheetSecond)) return std::nullopt;
    if (!in.Get(s.DeviceSheetPage) || !in.Get(s.CompressorSheetPage) || !in.Get(s.MuxSheetPage)) return std::nullopt;
    if (version >= 2662 && (!in.Get(s.DeviceSheetSecondPage) || !in.Get(s.OptionsSheetPage))) return std::nullopt;
    if (version >= 2556)
        for (LONG& width : s.ReservationColumns)
            if (!in.Get(width)) return std::nullopt;
    return s;
}
