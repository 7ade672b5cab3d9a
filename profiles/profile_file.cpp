#include "profiles/profile_file.h"

std::vector<BYTE> StoreOptionFile(COptionProfile& options) {
    CArchive ar;
    ar.WriteDword(kArchiveVersion);
    options.Serialize(ar);
    return ar.TakeBytes();
}

COptionProfile LoadOptionFile(std::span<const BYTE> bytes) {
    CArchive ar(bytes);
    COptionProfile options;
    if (ar.ReadDword() >= kOptionBodyVersionedFrom)
        options.Serialize(ar);
    else
        options.LoadOldBody(ar);
    return options;
}
