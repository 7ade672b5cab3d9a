// The setup data that a filter module hands to registration: the filter, its pins and
// their media types, as the filter mapper stores them.
#pragma once

#include "platform/media/interfaces/filter_registration.h"

using AMOVIESETUP_MEDIATYPE = REGPINTYPES;
using AMOVIESETUP_PIN = REGFILTERPINS;

struct AMOVIESETUP_FILTER {
    const CLSID* clsID;
    const WCHAR* strName;
    DWORD dwMerit;
    UINT nPins;
    const AMOVIESETUP_PIN* lpPin;
};

// Registers `setup` through `mapper` in the default filter category (removing an older
// entry first), or only removes it. ERROR_FILE_NOT_FOUND from the mapper counts as success.
HRESULT RegisterFilterSetup(IFilterMapper2* mapper, const AMOVIESETUP_FILTER& setup, bool registering);
HRESULT RegisterFilterSetup(IFilterMapper* mapper, const AMOVIESETUP_FILTER& setup, bool registering);
