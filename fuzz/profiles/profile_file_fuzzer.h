// The body of the profile file fuzz targets: loads the bytes as a file of one kind; what
// loads must store, reload to an equal list, and store again to the very same bytes. Bytes
// that are a current-version file in the forms the writer uses must store back unchanged.
#pragma once

#include <cstdlib>
#include <span>

#include "profiles/profile_file.h"

template <class T>
int FuzzListFile(const std::uint8_t* data, std::size_t size, bool withSelection) {
    try {
        bool current = false;
        const auto loaded = LoadListFile<T>(std::span(data, size), withSelection, &current);
        const std::vector<BYTE> written = StoreListFile(loaded.profiles, loaded.current, withSelection);
        if (current && written != std::vector<BYTE>(data, data + size)) std::abort();
        const auto reloaded = LoadListFile<T>(written, withSelection, &current);
        if (!current) std::abort();
        if (reloaded.profiles.size() != loaded.profiles.size()) std::abort();
        if (StoreListFile(reloaded.profiles, reloaded.current, withSelection) != written) std::abort();
    } catch (const CArchiveException&) {
    }
    return 0;
}

inline int FuzzOptionFile(const std::uint8_t* data, std::size_t size) {
    try {
        bool current = false;
        COptionProfile options = LoadOptionFile(std::span(data, size), &current);
        const std::vector<BYTE> written = StoreOptionFile(options);
        if (current && written != std::vector<BYTE>(data, data + size)) std::abort();
        COptionProfile reloaded = LoadOptionFile(written, &current);
        if (!current || !(reloaded == options)) std::abort();
        if (StoreOptionFile(reloaded) != written) std::abort();
    } catch (const CArchiveException&) {
    }
    return 0;
}
