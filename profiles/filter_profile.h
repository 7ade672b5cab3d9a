// A filter profile: a named chain of effect filters, each link a CFilterNode.
#pragma once

#include <string>
#include <vector>

#include "platform/com/types.h"
#include "profiles/archive.h"

class CFilterNode : public CObject {
public:
    static constexpr CRuntimeClass RuntimeClass{"CFilterNode", 0};
    const CRuntimeClass* GetRuntimeClass() const override { return &RuntimeClass; }
    void Serialize(CArchive& ar) override;
    // Every field; the state bytes are duplicated.
    void Copy(const CFilterNode& other) { *this = other; }
    bool operator==(const CFilterNode&) const = default;

    std::string FilterName;     // friendly name
    std::string FilterMoniker;  // display name of the moniker; empty = find by friendly name
    std::vector<BYTE> FilterState;  // the filter's persistent state; empty = none
};

class CFilterProfile : public CObject {
public:
    static constexpr CRuntimeClass RuntimeClass{"CFilterProfile", 0};
    const CRuntimeClass* GetRuntimeClass() const override { return &RuntimeClass; }
    // The nodes are object records of their own, numbered with the rest of the file.
    void Serialize(CArchive& ar) override;
    // The name, then copies of the source's nodes in place of this profile's nodes.
    void Copy(const CFilterProfile& other) { *this = other; }
    bool operator==(const CFilterProfile&) const = default;

    std::string Name;
    std::vector<CFilterNode> Nodes;  // first filter first
};
