// SettingsFilter: the base of the filters over one GStreamer element whose properties are the
// filter's settings (compressors and effects). It keeps the settings as IPersistStream data
// (the element_settings image after the version text), offers the generated property page and
// lets the page reach the element through IElementSettings.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/media/base/persist_stream.h"
#include "platform/media/filters/gst_filter_base.h"
#include "platform/media/interfaces/element_settings.h"
#include "platform/media/interfaces/property_pages.h"

namespace media::codecs {

class SettingsFilter : public ComExtend<GstFilterBase, ISpecifyPropertyPages, IElementSettings, CPersistStream> {
public:
    // ISpecifyPropertyPages: the generated page.
    HRESULT GetPages(CAUUID* pages) override;
    // IPersist, for the filter and its persistence alike.
    HRESULT GetClassID(CLSID* classId) override;
    // IElementSettings
    _GstElement* GetSettingsElement() override;
    void SettingsChanged() override { SetDirty(true); }

    // The element's settings as an image, and applying one (refused whole, see LoadSettings).
    std::vector<std::uint8_t> SettingsImage();
    HRESULT ApplySettingsImage(std::span<const std::uint8_t> image);

protected:
    // `bin` is the filter's element; `settings` the element inside it whose properties are
    // the settings.
    SettingsFilter(REFCLSID clsid, std::u16string name, GstElement* bin, GstElement* settings);

private:
    static constexpr LONG kStreamVersion = 1;
    static constexpr std::uint32_t kLargestImage = 1 << 20;

    LONG GetSoftwareVersion() override { return kStreamVersion; }
    HRESULT WriteToStream(IStream* stream) override;
    HRESULT ReadFromStream(IStream* stream) override;
    int SizeMax() override;

    GstElement* settings_;  // a child of the filter's bin
};

// A stable class id for the filter over an element factory (the same on every run).
CLSID ElementFilterClass(const char* factory);

}  // namespace media::codecs
