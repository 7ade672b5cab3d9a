// The catalogue of installed devices, compressors and effect filters: one list of monikers per
// category, in the system device enumerator's order, each entry holding one reference.
#pragma once

#include <array>
#include <vector>

#include "platform/com/moniker.h"
#include "platform/com/unknown.h"

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

private:
    std::array<std::vector<ComPtr<IMoniker>>, CatalogListCount> lists_;
};
