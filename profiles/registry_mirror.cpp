#include "profiles/registry_mirror.h"

#include <algorithm>
#include <ctime>
#include <deque>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/system/local_time.h"
#include "profiles/profile_store.h"

namespace {

constexpr const char* kRootKey = "Software\\Talvin\\Quilldeck2\\";
constexpr const char* kRecordKey = "Software\\Talvin\\Quilldeck2\\Record";
constexpr DWORD kNameBufferSize = 1024;
constexpr DWORD kPathBufferSize = 260;
constexpr CTimeValue kOneDay = 86400;

// Closes a key when it goes out of scope.
class KeyHandle {
public:
    KeyHandle() = default;
    ~KeyHandle() {
        if (key_) RegCloseKey(key_);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    PHKEY Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

template <class T>
void MirrorNames(const char* listName, const ProfileList<T>& profiles) {
    const std::string subKey = std::string(kRootKey) + listName;
    RegDeleteTreeA(HKEY_CURRENT_USER, subKey.c_str());  // a missing key is fine
    KeyHandle key;
    char emptyClass[] = "";
    if (RegCreateKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, key.Out(), nullptr) != ERROR_SUCCESS)
        return;
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const std::string& name = profiles[i]->Name;
        RegSetValueExA(key.Get(), std::to_string(i).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                       static_cast<DWORD>(name.size() + 1));
    }
}

// A string value, when it fits in `bufferSize` bytes with its terminator.
std::optional<std::string> QueryString(HKEY key, const char* valueName, DWORD bufferSize) {
    std::vector<BYTE> buffer(bufferSize);
    DWORD type = REG_NONE;
    DWORD size = bufferSize;
    if (RegQueryValueExA(key, valueName, nullptr, &type, buffer.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::string text(reinterpret_cast<const char*>(buffer.data()), std::min<DWORD>(size, bufferSize));
    return text.substr(0, text.find('\0'));
}

// A number; a missing or malformed value counts as 0.
DWORD QueryNumber(HKEY key, const char* valueName) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        size != sizeof value)
        return 0;
    return value;
}

// A SYSTEMTIME in local time as seconds since 1970 UTC, when it names a time a CTime can hold.
std::optional<CTimeValue> LocalSystemTimeToSeconds(const SYSTEMTIME& t) {
    std::time_t seconds = 0;
    if (!LocalSystemTimeToTime(t, &seconds)) return std::nullopt;
    if (seconds < 0 || seconds > std::numeric_limits<CTimeValue>::max()) return std::nullopt;
    return static_cast<CTimeValue>(seconds);
}

std::optional<CTimeValue> QueryTime(HKEY key, const char* valueName) {
    SYSTEMTIME time{};
    DWORD size = sizeof time;
    if (RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&time), &size) != ERROR_SUCCESS ||
        size != sizeof time)
        return std::nullopt;
    return LocalSystemTimeToSeconds(time);
}

std::string RecordSubKey(DWORD n) { return std::string(kRecordKey) + "\\" + std::to_string(n); }

// The reservation of one numbered key, or the name of the time value it lacks.
struct ImportedKey {
    std::unique_ptr<CRecordProfile> profile;
    const char* missingTime = nullptr;
};

ImportedKey ReadReservation(HKEY key) {
    ImportedKey result;
    const auto start = QueryTime(key, "startSysTime");
    const auto stop = QueryTime(key, "stopSysTime");
    const auto last = QueryTime(key, "lastSysTime");
    if (!start) result.missingTime = "startSysTime";
    else if (!stop) result.missingTime = "stopSysTime";
    else if (!last) result.missingTime = "lastSysTime";
    if (result.missingTime) return result;

    auto profile = std::make_unique<CRecordProfile>();
    profile->StartTime = *start;
    profile->StopTime = *stop;
    if (profile->StartTime > profile->StopTime) profile->StopTime += kOneDay;
    profile->LastTime = *last;
    profile->SpinUp = static_cast<CTimeSpanValue>(QueryNumber(key, "SpinUp"));
    const std::pair<const char*, std::string*> strings[] = {
        {"Comment", &profile->Comment}, {"Device", &profile->Device}, {"Compressor", &profile->Compressor},
        {"Mux", &profile->Mux},         {"Dir", &profile->Dir},       {"File", &profile->File}};
    for (const auto& [valueName, field] : strings) {
        const bool isPath = field == &profile->Dir || field == &profile->File;
        if (auto text = QueryString(key, valueName, isPath ? kPathBufferSize : kNameBufferSize)) *field = *text;
    }
    profile->Channel = static_cast<LONG>(QueryNumber(key, "Channel"));
    profile->AudioMode = QueryNumber(key, "AudioMode");
    profile->State = QueryNumber(key, "State");
    profile->Wday = QueryNumber(key, "Wday");
    profile->FileMode = QueryNumber(key, "FileMode");
    result.profile = std::move(profile);
    return result;
}

void FillEmptyNames(const CProfileStore& store, CRecordProfile& profile) {
    if (profile.Device.empty() && store.CurrentDevice) profile.Device = store.CurrentDevice->Name;
    if (profile.Compressor.empty() && store.CurrentCompressor) profile.Compressor = store.CurrentCompressor->Name;
    if (profile.Mux.empty() && store.CurrentMux) profile.Mux = store.CurrentMux->Name;
    if (profile.Dir.empty()) profile.Dir = store.Options.MovieDir;
    if (profile.File.empty()) profile.File = store.Options.MovieFile;
}

// A value the program adds to a numbered key that it could not import, so that the key is
// reported once and not again at every start.
constexpr const char* kReportedMark = "QuilldeckReported";

bool IsMarkedReported(HKEY key) { return QueryNumber(key, kReportedMark) != 0; }

void MarkReported(HKEY key) {
    const DWORD one = 1;
    RegSetValueExA(key, kReportedMark, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
}

LONG RenameSubKey(HKEY parent, DWORD from, DWORD to) {
    const std::string fromName = std::to_string(from), toName = std::to_string(to);
    const std::u16string wideFrom(fromName.begin(), fromName.end()), wideTo(toName.begin(), toName.end());
    return RegRenameKey(parent, wideFrom.c_str(), wideTo.c_str());
}

// Deletes the imported keys among "Record\0" to "Record\<count - 1>" and moves each key that
// was kept to the lowest number freed before it, so the kept keys stay reachable from 0 on and
// a key written later after them is found. Numbers from `count` on are left alone: they were
// not imported.
void RemoveImportedKeys(const CProfileStore& store, const std::vector<bool>& imported) {
    KeyHandle recordKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRecordKey, 0, KEY_ALL_ACCESS, recordKey.Out()) != ERROR_SUCCESS) return;
    std::deque<DWORD> freeNumbers;  // ascending
    for (DWORD n = 0; n < imported.size(); ++n) {
        if (imported[n]) {
            if (RegDeleteKeyA(recordKey.Get(), std::to_string(n).c_str()) != ERROR_SUCCESS) {
                store.ShowMessage("The reservation in the registry key " + RecordSubKey(n) +
                                  " was imported but could not be deleted; it will be imported again at the next start.");
                continue;
            }
            freeNumbers.push_back(n);
        } else if (!freeNumbers.empty() && RenameSubKey(recordKey.Get(), n, freeNumbers.front()) == ERROR_SUCCESS) {
            freeNumbers.pop_front();
            freeNumbers.push_back(n);
        }
    }
}

}  // namespace

void MirrorProfileNamesToRegistry(const CProfileStore& store) {
    MirrorNames("Device", store.DeviceProfiles);
    MirrorNames("Compressor", store.CompressorProfiles);
    MirrorNames("Mux", store.MuxProfiles);
}

void ImportReservationsFromRegistry(CProfileStore& store) {
    std::vector<bool> imported;  // by key number, up to the first missing number
    for (DWORD n = 0;; ++n) {
        KeyHandle key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, RecordSubKey(n).c_str(), 0, KEY_ALL_ACCESS, key.Out()) != ERROR_SUCCESS)
            break;
        ImportedKey reservation = ReadReservation(key.Get());
        imported.push_back(reservation.profile != nullptr);
        if (!reservation.profile) {
            if (!IsMarkedReported(key.Get())) {
                store.ShowMessage("The reservation in the registry key " + RecordSubKey(n) + " has no valid " +
                                  reservation.missingTime + "; it was not imported and is kept in the registry.");
                MarkReported(key.Get());
            }
            continue;
        }
        FillEmptyNames(store, *reservation.profile);
        store.RecordProfiles.push_back(std::move(reservation.profile));
    }
    if (std::find(imported.begin(), imported.end(), true) != imported.end()) RemoveImportedKeys(store, imported);
}
