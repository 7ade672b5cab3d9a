#include "engine/device_catalog.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/path_utils.h"
#include "platform/com/bstr.h"
#include "platform/com/com_runtime.h"
#include "platform/com/moniker.h"
#include "platform/com/wide_text.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/system/codepage.h"

namespace {
const GUID* const kCategories[CatalogListCount] = {
    &CLSID_VideoInputDeviceCategory, &CLSID_AudioInputDeviceCategory, &CLSID_VideoCompressorCategory,
    &CLSID_AudioCompressorCategory,  &CLSID_LegacyAmFilterCategory,   &DMOCATEGORY_VIDEO_EFFECT,
    &DMOCATEGORY_AUDIO_EFFECT,       &DMOCATEGORY_AUDIO_CAPTURE_EFFECT,
};

// The Windows Media encoder's profile manager, an outside object: only its profile directory
// (the fifth method after IDispatch's) is used.
constexpr CLSID kEncoderProfileManager = MakeGuid("A8D3AD02-7508-4004-B2E9-AD33F087F43C");
constexpr IID kEncoderProfileManagerInterface = MakeGuid("731B9D9E-6CF4-4C37-A6A9-A89B880D36EC");
struct IEncoderProfileManager : IDispatch {
    virtual HRESULT Method1() = 0;
    virtual HRESULT Method2() = 0;
    virtual HRESULT Method3() = 0;
    virtual HRESULT Method4() = 0;
    virtual HRESULT get_ProfileDirectory(BSTR* directory) = 0;
};

std::string EncoderProfileDirectory() {
    IEncoderProfileManager* manager = nullptr;
    if (FAILED(CoCreateInstance(kEncoderProfileManager, nullptr, CLSCTX_INPROC_SERVER, kEncoderProfileManagerInterface,
                                reinterpret_cast<void**>(&manager))) ||
        !manager)
        return {};
    BSTR directory = nullptr;
    std::string result;
    if (SUCCEEDED(manager->get_ProfileDirectory(&directory)) && directory) result = WideToAnsi(std::u16string(WideView(directory)));
    SysFreeString(directory);
    manager->Release();
    return result;
}

// A ".prx" file's text: UTF-16 after its byte-order mark, else UTF-8.
std::u16string ProfileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string text;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return text;
    }
    return Utf8ToWide(bytes);
}

bool EndsWithPrx(const std::string& name) {
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".prx") == 0;
}

std::string ProfileName(IWMProfile* profile) {
    DWORD length = 0;
    if (FAILED(profile->GetName(nullptr, &length))) return {};
    std::u16string name(length + 1, u'\0');
    if (FAILED(profile->GetName(name.data(), &length))) return {};
    name.resize(std::u16string_view(name.c_str()).size());
    return WideToAnsi(name);
}
}  // namespace

HRESULT DeviceCatalog::Fill() {
    Clear();
    FillWindowsMediaProfiles();
    ComPtr<ICreateDevEnum> enumerator;
    const HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_PPV_ARGS(enumerator.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    for (int list = 0; list < CatalogListCount; ++list) {
        ComPtr<IEnumMoniker> monikers;
        // S_FALSE: the category is empty.
        if (enumerator->CreateClassEnumerator(*kCategories[list], monikers.ReleaseAndGetAddressOf(), 0) != S_OK ||
            !monikers)
            continue;
        IMoniker* moniker = nullptr;
        while (monikers->Next(1, &moniker, nullptr) == S_OK) lists_[list].push_back(ComPtr<IMoniker>::Attach(moniker));
    }
    return S_OK;
}

void DeviceCatalog::FillWindowsMediaProfiles() {
    ComPtr<IWMProfileManager> manager;
    if (FAILED(WMCreateProfileManager(manager.ReleaseAndGetAddressOf())) || !manager) return;
    ComPtr<IWMProfileManager2> manager2;
    if (SUCCEEDED(manager.As(&manager2))) manager2->SetSystemProfileVersion(WMT_VER_7_0);
    DWORD count = 0;
    if (SUCCEEDED(manager->GetSystemProfileCount(&count)))
        for (DWORD i = 0; i < count; ++i) {
            ComPtr<IWMProfile> profile;
            if (SUCCEEDED(manager->LoadSystemProfile(i, profile.ReleaseAndGetAddressOf())) && profile)
                wmProfiles_.push_back(profile);
        }
    std::string directory = EncoderProfileDirectory();
    AppendBackslash(directory);
    const std::filesystem::path searched = directory.empty() ? std::filesystem::path(".") : std::filesystem::path(directory);
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(searched, error))
        if (entry.is_regular_file(error) && EndsWithPrx(entry.path().filename().string())) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        ComPtr<IWMProfile> profile;
        const std::u16string text = ProfileText(file);
        if (SUCCEEDED(manager->LoadProfileByData(text.c_str(), profile.ReleaseAndGetAddressOf())) && profile)
            wmProfiles_.push_back(profile);
    }
}

ComPtr<IWMProfile> DeviceCatalog::FindWindowsMediaProfile(const std::string& name) const {
    for (const ComPtr<IWMProfile>& profile : wmProfiles_)
        if (ProfileName(profile.Get()) == name) return profile;
    return nullptr;
}

void DeviceCatalog::Clear() {
    for (auto& list : lists_) list.clear();
    wmProfiles_.clear();
}
