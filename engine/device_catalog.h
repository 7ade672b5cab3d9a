// The catalogue of installed devices, compressors and effect filters: one list of monikers per
// category, in the system device enumerator's order, each entry holding one reference.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/com/moniker.h"
#include "platform/com/unknown.h"
#include "platform/media/interfaces/windows_media.h"

enum CatalogList : int {
    VideoInputDevices = 0,
    AudioInputDevices,
    VideoCompressors,
    AudioCompressors,
    LegacyFilters,
    VideoEffects,
    AudioEffects,
    AudioCaptureEffects,
    CatalogListCount,
};

class DeviceCatalog {
public:
    // Fills every list from the system device enumerator; a category that cannot be enumerated
    // stays empty. Returns the enumerator's creation result.
    HRESULT Fill();
    void Clear();

    const std::vector<ComPtr<IMoniker>>& List(CatalogList list) const { return lists_[list]; }
    // The Windows Media profiles: the system profiles of version 7.0, then one per ".prx" file
    // of the encoder's profile directory (the current directory when there is no encoder).
    const std::vector<ComPtr<IWMProfile>>& WindowsMediaProfiles() const { return wmProfiles_; }
    // The first Windows Media profile whose name, in the ANSI code page, equals `name`.
    ComPtr<IWMProfile> FindWindowsMediaProfile(const std::string& name) const;

private:
    void FillWindowsMediaProfiles();

    std::array<std::vector<ComPtr<IMoniker>>, CatalogListCount> lists_;
    std::vector<ComPtr<IWMProfile>> wmProfiles_;
};
