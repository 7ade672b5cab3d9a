// A record profile: one reservation.
#pragma once

#include <string>

#include "platform/com/types.h"
#include "profiles/archive.h"

// Times are seconds since 1970-01-01 00:00 UTC, stored as signed 32-bit values.
using CTimeValue = LONG;
using CTimeSpanValue = LONG;

class CRecordProfile : public CObject {
public:
    enum : DWORD { FileModeFixed = 0, FileModeAppendDateTime = 1 };

    static constexpr CRuntimeClass RuntimeClass{"CRecordProfile", 0};
    const CRuntimeClass* GetRuntimeClass() const override { return &RuntimeClass; }
    void Serialize(CArchive& ar) override;
    // The stored fields and Active; Selected and Conflict stay as they are.
    void Copy(const CRecordProfile& other);
    bool operator==(const CRecordProfile&) const = default;

    std::string Device;
    std::string Compressor;
    std::string Mux;
    std::string Comment;
    std::string Dir;
    std::string File;
    DWORD FileMode = FileModeFixed;
    CTimeValue StartTime = 0;
    CTimeValue StopTime = 0;
    CTimeValue LastTime = 0;
    CTimeSpanValue SpinUp = 0;
    DWORD Wday = 0;       // 0 = once; else bit 0 Sunday ... bit 6 Saturday
    LONG Channel = 0;     // tuner channel; -1 = none
    DWORD AudioMode = 0;  // 0 = leave unchanged
    DWORD State = 0;      // 0 = pending, else done

    // Not stored.
    bool Selected = false;
    bool Active = false;
    bool Conflict = false;
};
