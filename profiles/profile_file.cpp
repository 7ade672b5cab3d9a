#include "profiles/profile_file.h"

std::vector<BYTE> StoreOptionFile(COptionProfile& options) {
    CArchive ar;
    ar.WriteDword(kArchiveVersion);
    options.Serialize(ar);
    return ar.TakeBytes();
}

COptionProfile LoadOptionFile(std::span<const BYTE> bytes, bool* current) {
    CArchive ar(bytes);
    COptionProfile options;
    const DWORD fileVersion = ar.ReadDword();
    if (fileVersion >= kOptionBodyVersionedFrom)
        options.Serialize(ar);
    else
        options.LoadOldBody(ar);
    if (current) *current = fileVersion == kArchiveVersion && ar.OnlyCurrentForms() && ar.AtEnd();
    return options;
}
