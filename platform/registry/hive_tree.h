// The keys and values of one hive in memory, and their conversion from and to a .reg document.
// Names keep the case they were first given and compare case-insensitively: ASCII letters only,
// and never the second byte of a double-byte character (0x83 0x41 "ア" and 0x83 0x61 "ャ" are
// different names).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/reg_file.h"

namespace registry {

// The name as it compares: ASCII letters upper-cased outside double-byte characters.
std::string FoldName(std::string_view name);

struct HiveValue {
    std::string name;  // empty for the default value
    std::uint32_t type = 0;
    std::string data;
};

class HiveKey {
public:
    using Children = std::map<std::string, std::unique_ptr<HiveKey>>;  // by folded name, so enumeration is sorted

    explicit HiveKey(std::string name) : name_(std::move(name)) {}

    const std::string& Name() const { return name_; }

    HiveKey* Child(std::string_view name);
    const HiveKey* Child(std::string_view name) const;
    HiveKey& ChildOrCreate(std::string_view name, bool* created);
    // Detaches and returns the child (null when there is none).
    std::unique_ptr<HiveKey> TakeChild(std::string_view name);
    // Gives the child `from`, with its values and subkeys, the name `to`. False when there is
    // no child `from`, or another child already has the name `to`.
    bool RenameChild(std::string_view from, std::string_view to);
    const Children& SubKeys() const { return children_; }

    const HiveValue* Value(std::string_view name) const;
    // False when the value already held exactly this type and data.
    bool SetValue(std::string_view name, std::uint32_t type, std::string data);
    bool RemoveValue(std::string_view name);
    // In the order they were first set.
    const std::vector<HiveValue>& Values() const { return values_; }

    // Removes every value and subkey; false when there was nothing to remove.
    bool Clear();

private:
    std::vector<HiveValue>::iterator FindValue(std::string_view name);

    std::string name_;
    std::vector<HiveValue> values_;
    Children children_;
};

// The key at that path of names below root, or null.
HiveKey* FindKey(HiveKey& root, const std::vector<std::string>& path);
const HiveKey* FindKey(const HiveKey& root, const std::vector<std::string>& path);

struct HiveLoadError {
    int line = 0;
    std::string message;
};

// Adds the document's keys and values to root; every path must start with root's name.
std::optional<HiveLoadError> FillHive(const RegFileDocument& document, HiveKey* root);
// Every key of the hive, parents before children, subkeys in name order.
RegFileDocument HiveToDocument(const HiveKey& root);

}  // namespace registry
