#include "platform/media/tuning/auto_tune_table.h"

#include <cstdio>
#include <limits>

#include "platform/com/hresult.h"
#include "platform/registry/registry.h"

namespace media {
namespace {

class Key {
public:
    Key() = default;
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::string ValueName(LONG channel) { return std::to_string(channel); }

}  // namespace

std::string AutoTuneKeyPath(LONG tuningSpace, TunerInputType input) {
    char path[96];
    std::snprintf(path, sizeof path, "Software\\Microsoft\\TV System Services\\TVAutoTune\\TS%ld-%ld",
                  static_cast<long>(tuningSpace), input == TunerInputCable ? 1L : 0L);
    return path;
}

std::optional<DWORD> ReadAutoTuneEntry(LONG tuningSpace, TunerInputType input, LONG channel) {
    Key key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, AutoTuneKeyPath(tuningSpace, input).c_str(), 0, KEY_READ, key.Out()) !=
        ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key.Get(), ValueName(channel).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

std::optional<LONG> FrequencyOverride(LONG tuningSpace, TunerInputType input, LONG channel) {
    const std::optional<DWORD> stored = ReadAutoTuneEntry(tuningSpace, input, channel);
    if (!stored || *stored == 0 || *stored > static_cast<DWORD>(std::numeric_limits<LONG>::max())) return std::nullopt;
    return static_cast<LONG>(*stored);
}

LONG StoreAutoTuneEntry(LONG tuningSpace, TunerInputType input, LONG channel, std::optional<DWORD> hz) {
    Key key;
    char emptyClass[] = "";
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, AutoTuneKeyPath(tuningSpace, input).c_str(), 0, emptyClass,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.Out(), nullptr);
    if (result != ERROR_SUCCESS) return result;
    const std::string name = ValueName(channel);
    if (hz) return RegSetValueExA(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*hz), sizeof *hz);
    result = RegDeleteValueA(key.Get(), name.c_str());
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

}  // namespace media
