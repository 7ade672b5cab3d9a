// The bytes of one profile file: a list file (leading word, count, optionally the index of
// the current profile, then the object records) or option.dat. Loading builds a new list and
// throws CArchiveException when the bytes do not form a whole file, so a caller keeps
// nothing of a file that failed.
#pragma once

#include <memory>
#include <span>
#include <type_traits>
#include <vector>

#include "platform/com/types.h"
#include "profiles/archive.h"
#include "profiles/option_profile.h"

template <class T>
using ProfileList = std::vector<std::unique_ptr<T>>;

// Tag and version word: the least an object record can take.
inline constexpr std::uint64_t kMinObjectRecordBytes = 2 + 4;

template <class T>
struct LoadedList {
    ProfileList<T> profiles;
    T* current = nullptr;
};

// `withSelection`: the file stores the index of the current profile after the count.
template <class T>
std::vector<BYTE> StoreListFile(const ProfileList<T>& profiles, const std::type_identity_t<T>* current, bool withSelection) {
    CArchive ar;
    ar.WriteDword(kArchiveVersion);
    ar.WriteLong(static_cast<LONG>(profiles.size()));
    if (withSelection) {
        LONG selection = -1;
        for (std::size_t i = 0; i < profiles.size(); ++i)
            if (profiles[i].get() == current) selection = static_cast<LONG>(i);
        ar.WriteLong(selection);
    }
    for (const auto& profile : profiles) {
        WriteObject(ar, *profile);
        // Records of one class are about the same size: make room for all of them at once.
        if (profile == profiles.front() && profiles.size() > 1) ar.Reserve(ar.Bytes().size() * (profiles.size() + 1));
    }
    return ar.TakeBytes();
}

// `current`, when given, is set to whether the bytes are exactly what storing the loaded list
// writes: leading word 2662, a count that is not negative, a selection naming a loaded profile or -1, records of the current
// version in the forms storing uses, and nothing after the last record.
template <class T>
LoadedList<T> LoadListFile(std::span<const BYTE> bytes, bool withSelection, bool* current = nullptr) {
    CArchive ar(bytes);
    const DWORD fileVersion = ar.ReadDword();  // each record carries its own version as well
    const LONG count = ar.ReadLong();
    const LONG selection = withSelection ? ar.ReadLong() : -1;
    LoadedList<T> loaded;
    if (count > 0) {
        ar.RequireItems(static_cast<std::uint64_t>(count), kMinObjectRecordBytes, "profiles");
        loaded.profiles.reserve(static_cast<std::size_t>(count));
    }
    for (LONG i = 0; i < count; ++i) {
        loaded.profiles.push_back(ReadObject<T>(ar));
        if (i == selection) loaded.current = loaded.profiles.back().get();
    }
    if (current)
        *current = fileVersion == kArchiveVersion && count >= 0 && (selection == -1 || loaded.current) &&
                   ar.OnlyCurrentForms() && ar.AtEnd();
    return loaded;
}

std::vector<BYTE> StoreOptionFile(COptionProfile& options);
// Reads the body into a fresh profile with the defaults, so a failure leaves `Options` as it was.
// `current` as for LoadListFile.
COptionProfile LoadOptionFile(std::span<const BYTE> bytes, bool* current = nullptr);
