#include "platform/registry/hive_tree.h"

#include <algorithm>

namespace registry {

std::string FoldName(std::string_view name) {
    std::string folded(name);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(folded[i]);
        if (IsCp932LeadByte(c)) {
            ++i;  // leave the second byte alone
        } else if (c >= 'a' && c <= 'z') {
            folded[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
    return folded;
}

HiveKey* HiveKey::Child(std::string_view name) {
    auto it = children_.find(FoldName(name));
    return it == children_.end() ? nullptr : it->second.get();
}

const HiveKey* HiveKey::Child(std::string_view name) const {
    auto it = children_.find(FoldName(name));
    return it == children_.end() ? nullptr : it->second.get();
}

HiveKey& HiveKey::ChildOrCreate(std::string_view name, bool* created) {
    auto [it, inserted] = children_.try_emplace(FoldName(name));
    if (inserted) it->second = std::make_unique<HiveKey>(std::string(name));
    if (created) *created = inserted;
    return *it->second;
}

std::unique_ptr<HiveKey> HiveKey::TakeChild(std::string_view name) {
    auto it = children_.find(FoldName(name));
    if (it == children_.end()) return nullptr;
    std::unique_ptr<HiveKey> child = std::move(it->second);
    children_.erase(it);
    return child;
}

bool HiveKey::RenameChild(std::string_view from, std::string_view to) {
    const std::string folded = FoldName(to);
    auto it = children_.find(FoldName(from));
    if (it == children_.end()) return false;
    if (it->first != folded && children_.count(folded)) return false;
    std::unique_ptr<HiveKey> child = std::move(it->second);
    children_.erase(it);
    child->name_ = std::string(to);
    children_.emplace(folded, std::move(child));
    return true;
}

namespace {

// FoldName(a) == FoldName(b), without building the folded strings.
bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    auto fold = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (fold(x) != fold(y)) return false;
        if (IsCp932LeadByte(x) && i + 1 < a.size()) {  // the second bytes compare exactly
            ++i;
            if (a[i] != b[i]) return false;
        }
    }
    return true;
}

}  // namespace

std::vector<HiveValue>::iterator HiveKey::FindValue(std::string_view name) {
    return std::find_if(values_.begin(), values_.end(), [&](const HiveValue& v) { return NamesEqual(v.name, name); });
}

const HiveValue* HiveKey::Value(std::string_view name) const {
    auto it = const_cast<HiveKey*>(this)->FindValue(name);
    return it == values_.end() ? nullptr : &*it;
}

bool HiveKey::SetValue(std::string_view name, std::uint32_t type, std::string data) {
    auto it = FindValue(name);
    if (it == values_.end()) {
        values_.push_back(HiveValue{std::string(name), type, std::move(data)});
        return true;
    }
    if (it->type == type && it->data == data) return false;
    it->type = type;
    it->data = std::move(data);
    return true;
}

bool HiveKey::RemoveValue(std::string_view name) {
    auto it = FindValue(name);
    if (it == values_.end()) return false;
    values_.erase(it);
    return true;
}

bool HiveKey::Clear() {
    const bool hadContent = !values_.empty() || !children_.empty();
    values_.clear();
    children_.clear();
    return hadContent;
}

HiveKey* FindKey(HiveKey& root, const std::vector<std::string>& path) {
    HiveKey* key = &root;
    for (const std::string& name : path) {
        key = key->Child(name);
        if (!key) return nullptr;
    }
    return key;
}

const HiveKey* FindKey(const HiveKey& root, const std::vector<std::string>& path) {
    return FindKey(const_cast<HiveKey&>(root), path);
}

std::optional<HiveLoadError> FillHive(const RegFileDocument& document, HiveKey* root) {
    const std::string rootName = FoldName(root->Name());
    for (const RegFileKey& section : document.keys) {
        const std::vector<std::string> parts = SplitKeyPath(section.path);
        if (FoldName(parts.front()) != rootName)
            return HiveLoadError{section.line, "the key is not under " + root->Name()};
        HiveKey* key = root;
        for (std::size_t i = 1; i < parts.size(); ++i) {
            if (parts[i].empty()) return HiveLoadError{section.line, "empty key name in a key path"};
            key = &key->ChildOrCreate(parts[i], nullptr);
        }
        for (const RegFileValue& value : section.values) key->SetValue(value.name, value.type, value.data);
    }
    return std::nullopt;
}

namespace {

void AppendKeys(const HiveKey& key, const std::string& path, RegFileDocument* document) {
    RegFileKey section;
    section.path = path;
    for (const HiveValue& value : key.Values()) section.values.push_back(RegFileValue{value.name, value.type, value.data});
    document->keys.push_back(std::move(section));
    for (const auto& [folded, child] : key.SubKeys()) AppendKeys(*child, path + '\\' + child->Name(), document);
}

}  // namespace

RegFileDocument HiveToDocument(const HiveKey& root) {
    RegFileDocument document;
    AppendKeys(root, root.Name(), &document);
    return document;
}

}  // namespace registry
