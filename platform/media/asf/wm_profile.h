// The platform's IWMProfile objects and the profile manager that makes them. A profile made
// here also answers the private IWmProfileSettingsSource, through which the ASF writer reads
// its streams; a profile object from anywhere else cannot configure the writer.
#pragma once

#include "platform/com/com_object.h"
#include "platform/media/asf/wm_profiles.h"
#include "platform/media/interfaces/windows_media.h"

struct IWmProfileSettingsSource : IUnknown {
    // Borrowed; lives as long as the profile object.
    virtual const media::WmProfileSettings& Settings() = 0;
};
QD_DECLARE_IID(IWmProfileSettingsSource, MakeGuid("3f0c1d52-8a7e-4c61-b2a9-6e5d0f4b7c21"));

namespace media {

HRESULT CreateWmProfile(WmProfileSettings settings, WMT_VERSION version, IWMProfile** profile);

// The settings behind a profile object; false for a profile not made by this platform.
bool ReadWmProfileSettings(IWMProfile* profile, WmProfileSettings* settings);

}  // namespace media
