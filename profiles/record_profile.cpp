#include "profiles/record_profile.h"

void CRecordProfile::Serialize(CArchive& ar) {
    ar.TransferVersion();  // every version has the same layout
    ar.Transfer(Device);
    ar.Transfer(Compressor);
    ar.Transfer(Mux);
    ar.Transfer(Comment);
    ar.Transfer(Dir);
    ar.Transfer(File);
    ar.Transfer(FileMode);
    ar.Transfer(StartTime);
    ar.Transfer(StopTime);
    ar.Transfer(LastTime);
    ar.Transfer(SpinUp);
    ar.Transfer(Wday);
    ar.Transfer(Channel);
    ar.Transfer(AudioMode);
    ar.Transfer(State);
}

void CRecordProfile::Copy(const CRecordProfile& other) {
    const bool selected = Selected;
    const bool conflict = Conflict;
    *this = other;
    Selected = selected;
    Conflict = conflict;
}
