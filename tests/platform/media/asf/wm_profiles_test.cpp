// The Windows Media profiles: the system set as the profile manager hands it out, profile
// names, and profiles read from ".prx" text.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/com/com_runtime.h"
#include "platform/com/wide_text.h"
#include "platform/media/asf/wm_profile.h"
#include "platform/media/asf/wm_profiles.h"
#include "platform/media/interfaces/windows_media.h"
#include "tests/support/unknown_conformance.h"

namespace media::test {
namespace {

std::u16string NameOf(IWMProfile* profile) {
    DWORD length = 0;
    if (FAILED(profile->GetName(nullptr, &length)) || length == 0) return {};
    std::u16string name(length, u'\0');
    if (FAILED(profile->GetName(name.data(), &length))) return {};
    name.resize(length - 1);
    return name;
}

ComPtr<IWMProfileManager2> Manager() {
    ComPtr<IWMProfileManager> manager;
    EXPECT_EQ(S_OK, WMCreateProfileManager(manager.ReleaseAndGetAddressOf()));
    ComPtr<IWMProfileManager2> manager2;
    if (manager) manager->QueryInterface(IID_PPV_ARGS(manager2.ReleaseAndGetAddressOf()));
    return manager2;
}

TEST(WmProfileManager, HandsOutTheSystemProfilesByIndexWithUniqueNames) {
    ComPtr<IWMProfileManager2> manager = Manager();
    ASSERT_TRUE(manager);
    ASSERT_EQ(S_OK, manager->SetSystemProfileVersion(WMT_VER_7_0));
    DWORD count = 0;
    ASSERT_EQ(S_OK, manager->GetSystemProfileCount(&count));
    ASSERT_EQ(SystemWmProfiles().size(), count);
    ASSERT_GE(count, 4u);
    std::set<std::u16string> names;
    for (DWORD i = 0; i < count; ++i) {
        ComPtr<IWMProfile> profile;
        ASSERT_EQ(S_OK, manager->LoadSystemProfile(i, profile.ReleaseAndGetAddressOf()));
        WMT_VERSION version{};
        EXPECT_EQ(S_OK, profile->GetVersion(&version));
        EXPECT_EQ(WMT_VER_7_0, version);
        const std::u16string name = NameOf(profile.Get());
        EXPECT_EQ(SystemWmProfiles()[i].name, name);
        EXPECT_TRUE(IsUsable(SystemWmProfiles()[i])) << WideToUtf8(name);
        names.insert(name);
    }
    EXPECT_EQ(count, names.size());
    ComPtr<IWMProfile> none;
    EXPECT_EQ(E_INVALIDARG, manager->LoadSystemProfile(count, none.ReleaseAndGetAddressOf()));
    EXPECT_FALSE(none);
    EXPECT_EQ(E_INVALIDARG, manager->SetSystemProfileVersion(static_cast<WMT_VERSION>(0x00050000)));
}

TEST(WmProfileManager, OffersVideoProfilesOfSeveralSizesAndRatesAndAnAudioOnlyOne) {
    std::set<std::pair<int, int>> sizes;
    std::set<double> rates;
    bool audioOnly = false;
    for (const auto& p : SystemWmProfiles()) {
        if (p.video) {
            sizes.insert({p.video->width, p.video->height});
            rates.insert(static_cast<double>(p.video->fpsNumerator) / p.video->fpsDenominator);
        }
        audioOnly = audioOnly || (!p.video && p.audio);
    }
    EXPECT_GE(sizes.size(), 3u);
    EXPECT_GE(rates.size(), 2u);
    EXPECT_TRUE(audioOnly);
}

TEST(WmProfile, GetNameTellsTheLengthAndRefusesASmallBuffer) {
    ComPtr<IWMProfile> profile;
    ASSERT_EQ(S_OK, Manager()->LoadSystemProfile(0, profile.ReleaseAndGetAddressOf()));
    DWORD length = 0;
    ASSERT_EQ(S_OK, profile->GetName(nullptr, &length));
    EXPECT_EQ(SystemWmProfiles()[0].name.size() + 1, length);
    std::u16string small(length - 1, u'x');
    DWORD smallLength = length - 1;
    EXPECT_EQ(ASF_E_BUFFERTOOSMALL, profile->GetName(small.data(), &smallLength));
    EXPECT_EQ(length, smallLength);
    EXPECT_EQ(std::u16string(length - 1, u'x'), small);
    EXPECT_EQ(E_POINTER, profile->GetName(nullptr, nullptr));
}

constexpr char kPrx[] = R"(<profile version="589824" storageformat="1" name="Own 25p" description="own profile">
  <streamconfig majortype="{73647561-0000-0010-8000-00AA00389B71}" streamnumber="1" bitrate="48000">
    <wmmediatype subtype="{00000161-0000-0010-8000-00AA00389B71}">
      <WAVEFORMATEX wFormatTag="353" nChannels="1" nSamplesPerSec="32000" nAvgBytesPerSec="6000"/>
    </wmmediatype>
  </streamconfig>
  <streamconfig majortype="{73646976-0000-0010-8000-00AA00389B71}" streamnumber="2" bitrate="250000">
    <wmmediatype subtype="{32564D57-0000-0010-8000-00AA00389B71}">
      <videoinfoheader dwbitrate="250000" avgtimeperframe="400000">
        <bitmapinfoheader biwidth="352" biheight="288" bibitcount="24"/>
      </videoinfoheader>
    </wmmediatype>
  </streamconfig>
</profile>)";

TEST(WmProfileText, ReadsNameAndStreams) {
    const auto profile = ParsePrxProfile(kPrx);
    ASSERT_TRUE(profile);
    EXPECT_EQ(u"Own 25p", profile->name);
    EXPECT_EQ(u"own profile", profile->description);
    ASSERT_TRUE(profile->audio);
    EXPECT_EQ(48000, profile->audio->bitrate);
    EXPECT_EQ(32000, profile->audio->sampleRate);
    EXPECT_EQ(1, profile->audio->channels);
    ASSERT_TRUE(profile->video);
    EXPECT_EQ(250000, profile->video->bitrate);
    EXPECT_EQ(352, profile->video->width);
    EXPECT_EQ(288, profile->video->height);
    EXPECT_EQ(25, profile->video->fpsNumerator);
    EXPECT_EQ(1, profile->video->fpsDenominator);
}

TEST(WmProfileText, LoadProfileByDataGivesANamedProfile) {
    ComPtr<IWMProfile> profile;
    ASSERT_EQ(S_OK, Manager()->LoadProfileByData(Utf8ToWide(kPrx).c_str(), profile.ReleaseAndGetAddressOf()));
    EXPECT_EQ(u"Own 25p", NameOf(profile.Get()));
}

class DamagedProfileText : public ::testing::TestWithParam<std::string> {};

TEST_P(DamagedProfileText, IsRefused) {
    EXPECT_FALSE(ParsePrxProfile(GetParam()));
    ComPtr<IWMProfile> profile;
    EXPECT_EQ(E_INVALIDARG, Manager()->LoadProfileByData(Utf8ToWide(GetParam()).c_str(), profile.ReleaseAndGetAddressOf()));
    EXPECT_FALSE(profile);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    WmProfileText, DamagedProfileText,
    ::testing::Values(std::string(), std::string("not xml at all"), std::string(kPrx).substr(0, 200),
                      Replaced(kPrx, "name=\"Own 25p\"", "name=\"\""),
                      Replaced(kPrx, "biwidth=\"352\"", "biwidth=\"351\""),
                      Replaced(kPrx, "biheight=\"288\"", "biheight=\"0\""),
                      Replaced(kPrx, "nChannels=\"1\"", "nChannels=\"6\""),
                      Replaced(kPrx, "avgtimeperframe=\"400000\"", "avgtimeperframe=\"-5\""),
                      Replaced(kPrx, "{73646976-0000-0010-8000-00AA00389B71}", "{12345678-0000-0010-8000-00AA00389B71}"),
                      std::string("<profile name=\"empty\"></profile>")));

INSTANTIATE_TEST_SUITE_P(
    WindowsMedia, UnknownConformance,
    ::testing::Values(UnknownSubject{"WmProfileManager",
                                     [] {
                                         ComPtr<IWMProfileManager> m;
                                         WMCreateProfileManager(m.ReleaseAndGetAddressOf());
                                         return ComPtr<IUnknown>(m.Get());
                                     },
                                     {IID_IWMProfileManager, IID_IWMProfileManager2},
                                     [] { return PlatformObjectCounter().Count(); }},
                      UnknownSubject{"WmProfile",
                                     [] {
                                         ComPtr<IWMProfile> p;
                                         CreateWmProfile(SystemWmProfiles()[0], WMT_VER_8_0, p.ReleaseAndGetAddressOf());
                                         return ComPtr<IUnknown>(p.Get());
                                     },
                                     {IID_IWMProfile, IID_IWmProfileSettingsSource},
                                     [] { return PlatformObjectCounter().Count(); }}),
    UnknownSubjectName);

}  // namespace
}  // namespace media::test
