#include "tools/qdmedia/windows_media.h"

#include <cstdio>
#include <vector>

#include "platform/com/com_runtime.h"
#include "platform/com/wide_text.h"
#include "platform/media/interfaces/file_writing.h"

// The ASF writer and the profile manager are a later part of the platform; a build without
// them records AVI only and says so for a .wmv file.
#if __has_include("platform/media/interfaces/windows_media.h")
#include "platform/media/interfaces/windows_media.h"
#define QDMEDIA_HAS_WINDOWS_MEDIA 1
#else
#define QDMEDIA_HAS_WINDOWS_MEDIA 0
#endif

namespace qdmedia {

#if QDMEDIA_HAS_WINDOWS_MEDIA
namespace {

std::string ProfileName(IWMProfile* profile) {
    DWORD length = 0;
    if (FAILED(profile->GetName(nullptr, &length)) || length == 0) return {};
    std::vector<WCHAR> name(length + 1, 0);
    if (FAILED(profile->GetName(name.data(), &length))) return {};
    return WideToUtf8(WideView(name.data()));
}

// The system profiles of version 7.0, in the manager's order.
std::vector<ComPtr<IWMProfile>> SystemProfiles() {
    std::vector<ComPtr<IWMProfile>> profiles;
    ComPtr<IWMProfileManager> manager;
    if (FAILED(WMCreateProfileManager(manager.ReleaseAndGetAddressOf()))) return profiles;
    ComPtr<IWMProfileManager2> manager2;
    if (SUCCEEDED(manager->QueryInterface(IID_IWMProfileManager2, manager2.ReleaseAndGetVoidAddress())))
        manager2->SetSystemProfileVersion(WMT_VER_7_0);
    DWORD count = 0;
    if (FAILED(manager->GetSystemProfileCount(&count))) return profiles;
    for (DWORD i = 0; i < count; ++i) {
        ComPtr<IWMProfile> profile;
        if (SUCCEEDED(manager->LoadSystemProfile(i, profile.ReleaseAndGetAddressOf()))) profiles.push_back(profile);
    }
    return profiles;
}

ComPtr<IWMProfile> FindProfile(const std::string& name) {
    const std::u16string wanted = Utf8ToWide(name);
    for (const auto& p : SystemProfiles()) {
        if (name.empty() || WideEqualsIgnoreCase(Utf8ToWide(ProfileName(p.Get())), wanted)) return p;
    }
    std::fprintf(stderr, "qdmedia: no Windows Media profile \"%s\" (see \"qdmedia list\")\n", name.c_str());
    return nullptr;
}

}  // namespace

void ListWindowsMediaProfiles(int number) {
    const auto profiles = SystemProfiles();
    std::printf("%d Windows Media profiles (%zu)\n", number, profiles.size());
    for (const auto& p : profiles) std::printf("    %s\n", ProfileName(p.Get()).c_str());
}

ComPtr<IBaseFilter> AddAsfWriter(Session& session, const std::string& file, const std::string& profile) {
    ComPtr<IBaseFilter> writer;
    ComPtr<IFileSinkFilter2> sink;
    ComPtr<IConfigAsfWriter> config;
    ComPtr<IWMProfile> chosen = FindProfile(profile);
    if (!chosen) return nullptr;
    if (Failed(CoCreateInstance(CLSID_WMAsfWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                writer.ReleaseAndGetVoidAddress()),
               "CoCreateInstance WMAsfWriter") ||
        Failed(session.graph->AddFilter(writer.Get(), nullptr), "AddFilter WMAsfWriter") ||
        Failed(writer->QueryInterface(IID_IFileSinkFilter2, sink.ReleaseAndGetVoidAddress()),
               "QueryInterface IFileSinkFilter2") ||
        Failed(sink->SetFileName(Utf8ToWide(file).c_str(), nullptr), "IFileSinkFilter2 SetFileName") ||
        Failed(sink->SetMode(AM_FILE_OVERWRITE), "IFileSinkFilter2 SetMode") ||
        Failed(writer->QueryInterface(IID_IConfigAsfWriter, config.ReleaseAndGetVoidAddress()),
               "QueryInterface IConfigAsfWriter") ||
        Failed(config->ConfigureFilterUsingProfile(chosen.Get()), "IConfigAsfWriter ConfigureFilterUsingProfile"))
        return nullptr;
    return writer;
}

#else

void ListWindowsMediaProfiles(int) {}

ComPtr<IBaseFilter> AddAsfWriter(Session&, const std::string&, const std::string&) {
    std::fprintf(stderr, "qdmedia: this build has no ASF writer; record to an .avi file instead\n");
    return nullptr;
}

#endif

}  // namespace qdmedia
