#include "profiles/channel_profile.h"

namespace {

// Below this version a record holds a fixed table of 200 slots instead of an entry list.
constexpr DWORD kEntryListVersion = 2559;
constexpr DWORD kFixedTableSlots = 200;
constexpr std::uint64_t kMinEntryBytes = 4 + 4 + 1 + 4;

void LoadFixedTable(CArchive& ar, std::vector<CChannelEntry>& entries) {
    for (DWORD slot = 0; slot < kFixedTableSlots; ++slot) {
        CChannelEntry entry;
        entry.Selectable = ar.ReadDword();
        entry.StationName = ar.ReadString();
        if (entry.StationName.empty() && entry.Selectable == 0) continue;
        entry.ReceiveNumber = entry.DisplayNumber = slot;
        entries.push_back(std::move(entry));
    }
}

void LoadEntryList(CArchive& ar, std::vector<CChannelEntry>& entries) {
    const DWORD count = ar.ReadDword();
    ar.RequireItems(count, kMinEntryBytes, "channel entries");
    entries.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        CChannelEntry entry;
        entry.ReceiveNumber = ar.ReadDword();
        entry.DisplayNumber = ar.ReadDword();
        entry.StationName = ar.ReadString();
        entry.Selectable = ar.ReadDword();
        entries.push_back(std::move(entry));
    }
}

void StoreEntryList(CArchive& ar, const std::vector<CChannelEntry>& entries) {
    ar.WriteDword(static_cast<DWORD>(entries.size()));
    for (const CChannelEntry& entry : entries) {
        ar.WriteDword(entry.ReceiveNumber);
        ar.WriteDword(entry.DisplayNumber);
        ar.WriteString(entry.StationName);
        ar.WriteDword(entry.Selectable);
    }
}

}  // namespace

void CChannelProfile::Serialize(CArchive& ar) {
    const DWORD version = ar.TransferVersion();
    ar.Transfer(Name);
    if (ar.IsStoring()) {
        StoreEntryList(ar, Entries);
    } else {
        Entries.clear();
        if (version < kEntryListVersion)
            LoadFixedTable(ar, Entries);
        else
            LoadEntryList(ar, Entries);
    }
}
