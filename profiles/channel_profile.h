// A channel profile: a named list of TV channels in display order.
#pragma once

#include <string>
#include <vector>

#include "platform/com/types.h"
#include "profiles/archive.h"

struct CChannelEntry {
    DWORD ReceiveNumber = 0;  // the tuner's channel number
    DWORD DisplayNumber = 0;  // the number shown to the user
    std::string StationName;
    DWORD Selectable = 0;  // 1 = offered for tuning and in the reservation editor
    DWORD Marked = 0;      // highlighted in the channel dialog; not stored
    bool operator==(const CChannelEntry&) const = default;
};

class CChannelProfile : public CObject {
public:
    static constexpr CRuntimeClass RuntimeClass{"CChannelProfile", 0};
    const CRuntimeClass* GetRuntimeClass() const override { return &RuntimeClass; }
    void Serialize(CArchive& ar) override;
    // The name and the entries, each with its string and mark.
    void Copy(const CChannelProfile& other) { *this = other; }
    bool operator==(const CChannelProfile&) const = default;

    std::string Name;
    std::vector<CChannelEntry> Entries;
};
