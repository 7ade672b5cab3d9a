// Private platform interface of the filters whose settings are the GObject properties of one
// element (compressors and effects): their settings image and their generated property page
// reach the element through it. Only platform code uses it.
#pragma once

#include "platform/com/unknown.h"

struct _GstElement;

struct IElementSettings : IUnknown {
    // The element whose properties are the settings; borrowed, it lives as long as the filter.
    virtual _GstElement* GetSettingsElement() = 0;
    // Told after a page or a loaded image changed the settings.
    virtual void SettingsChanged() = 0;
};
QD_DECLARE_IID(IElementSettings, MakeGuid("6b1f6c0e-3d4a-4f0b-9a41-5c2e7d9b8a20"));

// The property page generated from the element's properties (numbers, booleans,
// enumerations, texts).
inline constexpr CLSID CLSID_ElementSettingsPage = MakeGuid("6b1f6c0e-3d4a-4f0b-9a41-5c2e7d9b8a21");
