#include "platform/media/asf/wm_profile.h"

#include <cstring>

#include "platform/com/com_runtime.h"
#include "platform/com/wide_text.h"

namespace media {

namespace {

class WmProfile final : public ComObject<IWMProfile, IWmProfileSettingsSource> {
public:
    WmProfile(WmProfileSettings settings, WMT_VERSION version) : settings_(std::move(settings)), version_(version) {
        TrackWith(&PlatformObjectCounter());
    }

    HRESULT GetVersion(WMT_VERSION* version) override {
        if (!version) return E_POINTER;
        *version = version_;
        return S_OK;
    }

    HRESULT GetName(WCHAR* name, DWORD* length) override {
        if (!length) return E_POINTER;
        const DWORD needed = static_cast<DWORD>(settings_.name.size() + 1);
        if (!name) {
            *length = needed;
            return S_OK;
        }
        if (*length < needed) {
            *length = needed;
            return ASF_E_BUFFERTOOSMALL;
        }
        std::memcpy(name, settings_.name.c_str(), needed * sizeof(WCHAR));
        *length = needed;
        return S_OK;
    }

    const WmProfileSettings& Settings() override { return settings_; }

private:
    const WmProfileSettings settings_;
    const WMT_VERSION version_;
};

class WmProfileManager final : public ComObject<IWMProfileManager2> {
public:
    WmProfileManager() { TrackWith(&PlatformObjectCounter()); }

    // Profiles are made from the system set or from profile text, never empty or by id.
    HRESULT CreateEmptyProfile(WMT_VERSION, IWMProfile** profile) override { return Refuse(profile); }
    HRESULT LoadProfileByID(REFGUID, IWMProfile** profile) override { return Refuse(profile); }
    HRESULT SaveProfile(IWMProfile*, WCHAR*, DWORD*) override { return E_NOTIMPL; }

    HRESULT LoadProfileByData(const WCHAR* text, IWMProfile** profile) override {
        if (!text || !profile) return E_POINTER;
        *profile = nullptr;
        const std::optional<WmProfileSettings> parsed = ParsePrxProfile(WideToUtf8(WideView(text)));
        if (!parsed) return E_INVALIDARG;
        return CreateWmProfile(*parsed, version_, profile);
    }

    HRESULT GetSystemProfileCount(DWORD* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<DWORD>(SystemWmProfiles().size());
        return S_OK;
    }

    HRESULT LoadSystemProfile(DWORD index, IWMProfile** profile) override {
        if (!profile) return E_POINTER;
        *profile = nullptr;
        if (index >= SystemWmProfiles().size()) return E_INVALIDARG;
        return CreateWmProfile(SystemWmProfiles()[index], version_, profile);
    }

    HRESULT GetSystemProfileVersion(WMT_VERSION* version) override {
        if (!version) return E_POINTER;
        *version = version_;
        return S_OK;
    }

    // Every version offers the same set.
    HRESULT SetSystemProfileVersion(WMT_VERSION version) override {
        switch (version) {
            case WMT_VER_4_0:
            case WMT_VER_7_0:
            case WMT_VER_8_0:
            case WMT_VER_9_0:
                version_ = version;
                return S_OK;
        }
        return E_INVALIDARG;
    }

private:
    static HRESULT Refuse(IWMProfile** profile) {
        if (!profile) return E_POINTER;
        *profile = nullptr;
        return E_NOTIMPL;
    }

    WMT_VERSION version_ = WMT_VER_8_0;
};

}  // namespace

HRESULT CreateWmProfile(WmProfileSettings settings, WMT_VERSION version, IWMProfile** profile) {
    return CreateComObject<WmProfile>(IID_IWMProfile, reinterpret_cast<void**>(profile), std::move(settings), version);
}

bool ReadWmProfileSettings(IWMProfile* profile, WmProfileSettings* settings) {
    if (!profile) return false;
    ComPtr<IWmProfileSettingsSource> source;
    if (FAILED(profile->QueryInterface(IID_PPV_ARGS(source.ReleaseAndGetAddressOf())))) return false;
    *settings = source->Settings();
    return true;
}

}  // namespace media

HRESULT WMCreateProfileManager(IWMProfileManager** manager) {
    if (!manager) return E_POINTER;
    return CreateComObject<media::WmProfileManager>(IID_IWMProfileManager, reinterpret_cast<void**>(manager));
}
