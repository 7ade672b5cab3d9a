// The body of the profile file fuzz targets: loads the bytes as a file of one kind; what
// loads must store, reload to an equal list, and store again to the very same bytes.
#pragma once

#include <cstdlib>
#include <span>

#include "profiles/profile_file.h"

template <class T>
int FuzzListFile(const std::uint8_t* data, std::size_t size, bool withSelection) {
    try {
        const auto loaded = LoadListFile<T>(std::span(data, size), withSelection);
        const std::vector<BYTE> written = StoreListFile(loaded.profiles, loaded.current, withSelection);
        const auto reloaded = LoadListFile<T>(written, withSelection);
        if (reloaded.profiles.size() != loaded.profiles.size()) std::abort();
        if (StoreListFile(reloaded.profiles, reloaded.current, withSelection) != written) std::abort();
    } catch (const CArchiveException&) {
    }
    return 0;
}

inline int FuzzOptionFile(const std::uint8_t* data, std::size_t size) {
    try {
        COptionProfile options = LoadOptionFile(std::span(data, size));
        const std::vector<BYTE> written = StoreOptionFile(options);
        COptionProfile reloaded = LoadOptionFile(written);
        if (StoreOptionFile(reloaded) != written) std::abort();
    } catch (const CArchiveException&) {
    }
    return 0;
}
