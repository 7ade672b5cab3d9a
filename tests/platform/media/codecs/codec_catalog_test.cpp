// The compressor, filter and effect lists of the device catalogue.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/com/wide_text.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/media/interfaces/element_settings.h"
#include "platform/media/interfaces/gst_filter.h"
#include "platform/media/interfaces/property_pages.h"
#include "platform/media/interfaces/compression.h"
#include "tests/platform/media/codecs/codec_fixture.h"
#include "tests/support/unknown_conformance.h"

namespace media::test {
namespace {

class CodecCatalogTest : public DeviceTest {};

struct ListCase {
    const char* name;
    const CLSID* category;
    std::vector<std::u16string> mustHave;  // friendly names of elements this machine has
};

class CodecListTest : public CodecCatalogTest, public ::testing::WithParamInterface<ListCase> {};

TEST_P(CodecListTest, ListsTheInstalledElementsUnderStableNamesThatBind) {
    const ListCase& list = GetParam();
    const auto first = Monikers(*list.category);
    const auto second = Monikers(*list.category);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(DisplayNames(first), DisplayNames(second));
    std::set<std::u16string> friendly;
    for (const auto& moniker : first) {
        const std::u16string name = DisplayName(moniker.Get());
        SCOPED_TRACE(WideToUtf8(name));
        EXPECT_TRUE(WideStartsWithIgnoreCase(name, u"@device:"));
        friendly.insert(FriendlyName(moniker.Get()));
        ComPtr<IBaseFilter> filter;
        ASSERT_EQ(S_OK, moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()));
        EXPECT_TRUE(As<IPersistStream>(filter.Get()));
        EXPECT_TRUE(As<ISpecifyPropertyPages>(filter.Get()));
        // Parsing the display name finds the same entry.
        ComPtr<IBindCtx> context;
        CreateBindCtx(0, context.ReleaseAndGetAddressOf());
        ULONG eaten = 0;
        ComPtr<IMoniker> parsed;
        ASSERT_EQ(S_OK, MkParseDisplayName(context.Get(), name.c_str(), &eaten, parsed.ReleaseAndGetAddressOf()));
        EXPECT_EQ(S_OK, parsed->IsEqual(moniker.Get()));
        EXPECT_EQ(FriendlyName(moniker.Get()), FriendlyName(parsed.Get()));
    }
    for (const auto& wanted : list.mustHave) EXPECT_EQ(1u, friendly.count(wanted)) << WideToUtf8(wanted);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, CodecListTest,
    ::testing::Values(
        ListCase{"VideoCompressors", &CLSID_VideoCompressorCategory,
                 {u"H.264 (x264)", u"MPEG-4 Part 2", u"Motion JPEG", u"HuffYUV (lossless)", u"FFV1 (lossless)", u"DV"}},
        ListCase{"AudioCompressors", &CLSID_AudioCompressorCategory,
                 {u"MP3 (LAME)", u"AC-3", u"MPEG-1 Layer II", u"IMA ADPCM", u"Microsoft ADPCM", u"A-law", u"\u00b5-law"}},
        ListCase{"Filters", &CLSID_LegacyAmFilterCategory,
                 {u"Picture Controls", u"Flip and Rotate", u"Deinterlace", u"Gamma", u"Median Denoise", u"Time Overlay",
                  u"Text Overlay", u"Amplify", u"Equalizer (10 bands)", u"Dynamic Range", u"Echo", u"Panorama"}},
        ListCase{"VideoEffects", &DMOCATEGORY_VIDEO_EFFECT, {u"Picture Controls", u"Gamma"}},
        ListCase{"AudioEffects", &DMOCATEGORY_AUDIO_EFFECT, {u"Amplify", u"Echo"}},
        ListCase{"AudioCaptureEffects", &DMOCATEGORY_AUDIO_CAPTURE_EFFECT, {u"Noise Suppression and Echo Cancelling"}}),
    [](const auto& param) { return std::string(param.param.name); });

// A chain node names its filter by friendly name; the filter list is searched before the
// effects, so the same element must carry the same name in both.
TEST_F(CodecCatalogTest, AnEffectHasTheSameFriendlyNameAmongTheFilters) {
    std::map<std::u16string, std::u16string> filterNames;  // element -> friendly name
    for (const auto& m : Monikers(CLSID_LegacyAmFilterCategory)) {
        const std::u16string name = DisplayName(m.Get());
        filterNames[name.substr(name.rfind(u':') + 1)] = FriendlyName(m.Get());
    }
    int shared = 0;
    for (const CLSID* effects : {&DMOCATEGORY_VIDEO_EFFECT, &DMOCATEGORY_AUDIO_EFFECT}) {
        for (const auto& m : Monikers(*effects)) {
            const std::u16string name = DisplayName(m.Get());
            const auto found = filterNames.find(name.substr(name.rfind(u':') + 1));
            if (found == filterNames.end()) continue;
            ++shared;
            EXPECT_EQ(found->second, FriendlyName(m.Get()));
            EXPECT_NE(name, u"@device:sw:" + found->first);  // told apart by display name
        }
    }
    EXPECT_GE(shared, 5);
}

TEST_F(CodecCatalogTest, AnUninstalledElementNameParsesButCannotBind) {
    ComPtr<IBindCtx> context;
    CreateBindCtx(0, context.ReleaseAndGetAddressOf());
    ULONG eaten = 0;
    ComPtr<IMoniker> parsed;
    ASSERT_EQ(S_OK, MkParseDisplayName(context.Get(), u"@device:cm:no-such-encoder", &eaten, parsed.ReleaseAndGetAddressOf()));
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(MK_E_NOOBJECT, parsed->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()));
}

}  // namespace
}  // namespace media::test

namespace media::test {
namespace {

// A filter bound from the catalogue in a COM apartment of the suite's own.
UnknownSubject CatalogueSubject(std::string name, const char16_t* displayName, std::vector<IID> interfaces) {
    return UnknownSubject{name,
                          [displayName] {
                              static const bool initialised = SUCCEEDED(CoInitialize(nullptr));
                              (void)initialised;
                              ComPtr<IBindCtx> context;
                              CreateBindCtx(0, context.ReleaseAndGetAddressOf());
                              ULONG eaten = 0;
                              ComPtr<IMoniker> moniker;
                              MkParseDisplayName(context.Get(), displayName, &eaten, moniker.ReleaseAndGetAddressOf());
                              ComPtr<IUnknown> object;
                              if (moniker) moniker->BindToObject(nullptr, nullptr, IID_IUnknown, object.ReleaseAndGetVoidAddress());
                              return object;
                          },
                          std::move(interfaces), [] { return PlatformObjectCounter().Count(); }};
}

const std::vector<IID> kSettingsFilter = {IID_IBaseFilter, IID_IMediaFilter, IID_IPersist, IID_IGstFilter,
                                          IID_IPersistStream, IID_ISpecifyPropertyPages, IID_IElementSettings};

std::vector<IID> SettingsFilterWith(std::vector<IID> more) {
    more.insert(more.end(), kSettingsFilter.begin(), kSettingsFilter.end());
    return more;
}

INSTANTIATE_TEST_SUITE_P(CodecFilters, UnknownConformance,
                         ::testing::Values(CatalogueSubject("VideoCompressor", u"@device:cm:x264enc",
                                                            SettingsFilterWith({IID_IAMVfwCompressDialogs})),
                                           CatalogueSubject("AudioCompressor", u"@device:cm:lamemp3enc", kSettingsFilter),
                                           CatalogueSubject("Effect", u"@device:sw:videobalance", kSettingsFilter)),
                         UnknownSubjectName);

}  // namespace
}  // namespace media::test
