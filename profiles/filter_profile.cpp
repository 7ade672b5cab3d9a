#include "profiles/filter_profile.h"

namespace {

// Tag, version word, two empty strings and the state length.
constexpr std::uint64_t kMinNodeRecordBytes = 2 + 4 + 1 + 1 + 4;

}  // namespace

void CFilterNode::Serialize(CArchive& ar) {
    ar.TransferVersion();  // every version has the same layout
    ar.Transfer(FilterName);
    ar.Transfer(FilterMoniker);
    DWORD stateLength = static_cast<DWORD>(FilterState.size());
    ar.Transfer(stateLength);
    ar.TransferBlob(FilterState, stateLength);
}

void CFilterProfile::Serialize(CArchive& ar) {
    ar.TransferVersion();  // every version has the same layout
    ar.Transfer(Name);
    if (ar.IsStoring()) {
        ar.WriteDword(static_cast<DWORD>(Nodes.size()));
        for (CFilterNode& node : Nodes) WriteObject(ar, node);
        return;
    }
    const DWORD count = ar.ReadDword();
    ar.RequireItems(count, kMinNodeRecordBytes, "filter nodes");
    Nodes.clear();
    Nodes.reserve(count);
    for (DWORD i = 0; i < count; ++i) Nodes.push_back(std::move(*ReadObject<CFilterNode>(ar)));
}
