#include "app/toolbar_layout.h"

#include <algorithm>
#include <set>

#include "platform/com/little_endian.h"
#include "platform/registry/registry.h"

namespace {
// The largest value read: far more places than the toolbar has buttons.
constexpr DWORD kMaxLayoutBytes = 4096;

class OpenKey {
public:
    ~OpenKey() {
        if (key_) RegCloseKey(key_);
    }
    PHKEY Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};
}  // namespace

std::vector<BYTE> EncodeToolBarLayout(std::span<const int> layout) {
    std::vector<BYTE> bytes(layout.size() * 4);
    for (std::size_t i = 0; i < layout.size(); ++i) StoreLittleEndian(&bytes[i * 4], static_cast<DWORD>(layout[i]));
    return bytes;
}

std::optional<std::vector<int>> DecodeToolBarLayout(std::span<const BYTE> bytes, std::span<const int> known) {
    if (bytes.size() % 4 != 0) return std::nullopt;
    std::vector<int> layout;
    std::set<int> placed;
    for (std::size_t offset = 0; offset < bytes.size(); offset += 4) {
        const int id = static_cast<int>(LoadLittleEndian<DWORD>(&bytes[offset]));
        if (id == kToolBarSeparator) {
            layout.push_back(id);
            continue;
        }
        if (std::find(known.begin(), known.end(), id) == known.end() || !placed.insert(id).second) continue;
        layout.push_back(id);
    }
    return layout;
}

std::optional<std::vector<int>> ReadToolBarLayout(std::span<const int> known) {
    OpenKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kToolBarKey, 0, KEY_READ, key.Out()) != ERROR_SUCCESS) return std::nullopt;
    std::vector<BYTE> bytes(kMaxLayoutBytes);
    DWORD type = REG_NONE;
    DWORD size = kMaxLayoutBytes;
    if (RegQueryValueExA(key.Get(), kToolBarValue, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
        return std::nullopt;
    bytes.resize(size);
    return DecodeToolBarLayout(bytes, known);
}

bool WriteToolBarLayout(std::span<const int> layout) {
    OpenKey key;
    char emptyClass[] = "";
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kToolBarKey, 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        key.Out(), nullptr) != ERROR_SUCCESS)
        return false;
    const std::vector<BYTE> bytes = EncodeToolBarLayout(layout);
    return RegSetValueExA(key.Get(), kToolBarValue, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size())) ==
           ERROR_SUCCESS;
}
