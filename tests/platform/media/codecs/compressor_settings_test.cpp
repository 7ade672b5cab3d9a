// The compressors' settings: IAMVideoCompression on the element's properties, the persisted
// image and the codec state, ICM_GETINFO and the generated property page.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/com/stream.h"
#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"
#include "platform/media/codecs/element_settings.h"
#include "platform/media/codecs/element_settings_page.h"
#include "platform/media/interfaces/compression.h"
#include "platform/media/interfaces/element_settings.h"
#include "platform/media/interfaces/gst_filter.h"
#include "platform/media/interfaces/property_pages.h"
#include "tests/platform/media/codecs/codec_fixture.h"
#include "tests/support/unknown_conformance.h"

namespace media::test {
namespace {

class CompressorSettingsTest : public CodecGraphTest {
protected:
    ComPtr<IAMVideoCompression> CompressionOf(IBaseFilter* filter) {
        return As<IAMVideoCompression>(FirstPin(filter, PINDIR_OUTPUT).Get());
    }
    std::vector<BYTE> Saved(IBaseFilter* filter) {
        auto persist = As<IPersistStream>(filter);
        ComPtr<IStream> stream;
        CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf());
        EXPECT_EQ(S_OK, persist->Save(stream.Get(), TRUE));
        LARGE_INTEGER zero{};
        ULARGE_INTEGER end{};
        stream->Seek(zero, STREAM_SEEK_END, &end);
        stream->Seek(zero, STREAM_SEEK_SET, nullptr);
        std::vector<BYTE> bytes(static_cast<std::size_t>(end.QuadPart));
        ULONG read = 0;
        stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
        return bytes;
    }
    HRESULT Load(IBaseFilter* filter, const std::vector<BYTE>& bytes) {
        ComPtr<IStream> stream;
        CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf());
        stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
        LARGE_INTEGER zero{};
        stream->Seek(zero, STREAM_SEEK_SET, nullptr);
        return As<IPersistStream>(filter)->Load(stream.Get());
    }
    LONG KeyFrameRate(IBaseFilter* filter) {
        LONG rate = -2;
        EXPECT_EQ(S_OK, CompressionOf(filter)->get_KeyFrameRate(&rate));
        return rate;
    }
};

TEST_F(CompressorSettingsTest, CompressionValuesMapOntoTheEncoder) {
    auto x264 = AddBound(u"@device:cm:x264enc");
    ASSERT_TRUE(x264);
    auto compression = CompressionOf(x264.Get());
    ASSERT_TRUE(compression);
    LONG caps = 0, keyDefault = -2, pDefault = -2;
    double qualityDefault = -2;
    WCHAR description[64];
    int descriptionSize = sizeof description;
    int versionSize = 0;
    ASSERT_EQ(S_OK, compression->GetInfo(nullptr, &versionSize, description, &descriptionSize, &keyDefault, &pDefault,
                                         &qualityDefault, &caps));
    EXPECT_GT(versionSize, 2);
    EXPECT_EQ(std::u16string(u"H.264 video (x264)"), std::u16string(description));
    EXPECT_EQ(CompressionCaps_CanQuality | CompressionCaps_CanCrunch | CompressionCaps_CanKeyFrame | CompressionCaps_CanBFrame,
              caps);
    EXPECT_EQ(0, keyDefault);
    EXPECT_EQ(0, pDefault);
    EXPECT_NEAR(29.0 / 50.0, qualityDefault, 1e-9);  // quantizer 21 of 50, best at 0

    EXPECT_EQ(S_OK, compression->put_KeyFrameRate(15));
    EXPECT_EQ(15, KeyFrameRate(x264.Get()));
    EXPECT_EQ(S_OK, compression->put_KeyFrameRate(-1));
    EXPECT_EQ(0, KeyFrameRate(x264.Get()));
    EXPECT_EQ(S_OK, compression->put_PFramesPerKeyFrame(3));
    EXPECT_EQ(E_INVALIDARG, compression->put_PFramesPerKeyFrame(17));  // x264 stops at 16
    LONG p = 0;
    EXPECT_EQ(S_OK, compression->get_PFramesPerKeyFrame(&p));
    EXPECT_EQ(3, p);
    EXPECT_EQ(S_OK, compression->put_Quality(1.0));
    double quality = 0;
    EXPECT_EQ(S_OK, compression->get_Quality(&quality));
    EXPECT_DOUBLE_EQ(1.0, quality);
    EXPECT_EQ(E_INVALIDARG, compression->put_Quality(1.5));
    EXPECT_EQ(S_OK, compression->put_Quality(-1.0));
    EXPECT_EQ(S_OK, compression->get_Quality(&quality));
    EXPECT_NEAR(qualityDefault, quality, 1e-9);
    EXPECT_EQ(E_NOTIMPL, compression->put_WindowSize(1));

    // A lossless codec claims nothing it cannot do.
    auto huffyuv = AddBound(u"@device:cm:avenc_huffyuv");
    ASSERT_TRUE(huffyuv);
    caps = -1;
    ASSERT_EQ(S_OK, CompressionOf(huffyuv.Get())->GetInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &caps));
    EXPECT_EQ(0, caps);
    EXPECT_EQ(E_NOTIMPL, CompressionOf(huffyuv.Get())->put_KeyFrameRate(10));
}

TEST_F(CompressorSettingsTest, PersistedSettingsComeBackInAFreshFilter) {
    auto first = AddBound(u"@device:cm:x264enc");
    ASSERT_TRUE(first);
    CompressionOf(first.Get())->put_KeyFrameRate(48);
    auto persist = As<IPersistStream>(first.Get());
    EXPECT_EQ(S_OK, persist->IsDirty());
    const auto image = Saved(first.Get());
    EXPECT_EQ(S_FALSE, persist->IsDirty());
    ULARGE_INTEGER size{};
    ASSERT_EQ(S_OK, persist->GetSizeMax(&size));
    EXPECT_EQ(image.size(), size.QuadPart);

    auto second = AddBound(u"@device:cm:x264enc");
    ASSERT_TRUE(second);
    EXPECT_EQ(0, KeyFrameRate(second.Get()));
    ASSERT_EQ(S_OK, Load(second.Get(), image));
    EXPECT_EQ(48, KeyFrameRate(second.Get()));
}

void CountNotified(GObject*, GParamSpec* spec, gpointer names) {
    static_cast<std::vector<std::string>*>(names)->push_back(g_param_spec_get_name(spec));
}

// x264enc takes every property set on it as the user's choice over its speed preset: restoring
// an image must set only what differs, or "ultrafast" comes back with the medium preset's work.
TEST_F(CompressorSettingsTest, RestoringSetsOnlyThePropertiesThatDiffer) {
    auto first = AddBound(u"@device:cm:x264enc");
    ASSERT_TRUE(first);
    g_object_set(As<IElementSettings>(first.Get())->GetSettingsElement(), "speed-preset", 1 /* ultrafast */, nullptr);
    const auto image = Saved(first.Get());

    auto second = AddBound(u"@device:cm:x264enc");
    ASSERT_TRUE(second);
    GstElement* encoder = As<IElementSettings>(second.Get())->GetSettingsElement();
    std::vector<std::string> notified;
    const gulong handler = g_signal_connect(encoder, "notify", G_CALLBACK(CountNotified), &notified);
    ASSERT_EQ(S_OK, Load(second.Get(), image));
    g_signal_handler_disconnect(encoder, handler);
    EXPECT_EQ(std::vector<std::string>{"speed-preset"}, notified);
    gint preset = 0;
    g_object_get(encoder, "speed-preset", &preset, nullptr);
    EXPECT_EQ(1, preset);
}

TEST_F(CompressorSettingsTest, AForeignOrDamagedImageIsRefusedWithoutChange) {
    auto jpeg = AddBound(u"@device:cm:jpegenc");
    auto x264 = AddBound(u"@device:cm:x264enc");
    ASSERT_TRUE(jpeg && x264);
    const auto foreign = Saved(jpeg.Get());
    CompressionOf(x264.Get())->put_KeyFrameRate(7);
    const auto before = Saved(x264.Get());
    EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, Load(x264.Get(), foreign));
    EXPECT_EQ(before, Saved(x264.Get()));

    // Every single flipped byte and every shortened image is refused, and leaves the filter as it was.
    auto other = AddBound(u"@device:cm:x264enc");
    CompressionOf(other.Get())->put_KeyFrameRate(99);
    const auto good = Saved(other.Get());
    for (std::size_t i = 0; i < good.size(); i += 7) {
        auto damaged = good;
        damaged[i] ^= 0x5A;
        EXPECT_TRUE(FAILED(Load(x264.Get(), damaged))) << "byte " << i;
        auto shortened = std::vector<BYTE>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(i));
        EXPECT_TRUE(FAILED(Load(x264.Get(), shortened))) << "length " << i;
    }
    EXPECT_EQ(7, KeyFrameRate(x264.Get()));
    EXPECT_EQ(before, Saved(x264.Get()));
}

TEST_F(CompressorSettingsTest, CodecStateIsTheSameImage) {
    auto x264 = AddBound(u"@device:cm:x264enc");
    ASSERT_TRUE(x264);
    auto dialogs = As<IAMVfwCompressDialogs>(x264.Get());
    ASSERT_TRUE(dialogs);
    CompressionOf(x264.Get())->put_KeyFrameRate(25);
    int size = 0;
    ASSERT_EQ(S_OK, dialogs->GetState(nullptr, &size));
    std::vector<BYTE> state(static_cast<std::size_t>(size));
    int small = size - 1;
    EXPECT_EQ(E_INVALIDARG, dialogs->GetState(state.data(), &small));
    ASSERT_EQ(S_OK, dialogs->GetState(state.data(), &size));

    auto fresh = AddBound(u"@device:cm:x264enc");
    auto freshDialogs = As<IAMVfwCompressDialogs>(fresh.Get());
    ASSERT_EQ(S_OK, freshDialogs->SetState(state.data(), size));
    EXPECT_EQ(25, KeyFrameRate(fresh.Get()));
    state[state.size() / 2] ^= 0xFF;
    CompressionOf(fresh.Get())->put_KeyFrameRate(3);
    EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, freshDialogs->SetState(state.data(), size));
    EXPECT_EQ(3, KeyFrameRate(fresh.Get()));
    EXPECT_EQ(S_OK, freshDialogs->ShowDialog(VfwCompressDialog_QueryConfig, nullptr));
    EXPECT_EQ(S_FALSE, freshDialogs->ShowDialog(VfwCompressDialog_QueryAbout, nullptr));
}

struct FourccCase {
    const char* element;
    DWORD fourcc;
};

class DriverInfoTest : public CompressorSettingsTest, public ::testing::WithParamInterface<FourccCase> {};

TEST_P(DriverInfoTest, GetInfoFillsTheCodecsFourcc) {
    auto filter = AddBound(u"@device:cm:" + std::u16string(GetParam().element, GetParam().element + std::strlen(GetParam().element)));
    auto dialogs = As<IAMVfwCompressDialogs>(filter.Get());
    ASSERT_TRUE(dialogs);
    // On the heap, so the address needs all 64 bits.
    auto info = std::make_unique<ICINFO>();
    *info = ICINFO{};
    info->dwSize = sizeof(ICINFO);
    EXPECT_EQ(static_cast<HRESULT>(sizeof(ICINFO)),
              dialogs->SendDriverMessage(ICM_GETINFO, reinterpret_cast<LONG_PTR>(info.get()), sizeof(ICINFO)));
    EXPECT_EQ(GetParam().fourcc, info->fccHandler);
    EXPECT_EQ(ICTYPE_VIDEO, info->fccType);
    EXPECT_NE(0, info->szName[0]);
    EXPECT_EQ(0, dialogs->SendDriverMessage(ICM_GETINFO, 0, sizeof(ICINFO)));
}

INSTANTIATE_TEST_SUITE_P(Codecs, DriverInfoTest,
                         ::testing::Values(FourccCase{"x264enc", MakeFourcc('H', '2', '6', '4')},
                                           FourccCase{"avenc_mpeg4", MakeFourcc('F', 'M', 'P', '4')},
                                           FourccCase{"jpegenc", MakeFourcc('M', 'J', 'P', 'G')},
                                           FourccCase{"avenc_huffyuv", MakeFourcc('H', 'F', 'Y', 'U')},
                                           FourccCase{"avenc_ffv1", MakeFourcc('F', 'F', 'V', '1')},
                                           FourccCase{"avenc_dvvideo", MakeFourcc('d', 'v', 's', 'd')}),
                         [](const auto& param) { return std::string(param.param.element); });

// A site that only records the status changes.
class RecordingSite final : public ComObject<IPropertyPageSite> {
public:
    HRESULT OnStatusChange(DWORD) override { return S_OK; }
    HRESULT GetLocaleID(LCID*) override { return E_NOTIMPL; }
    HRESULT GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
    HRESULT TranslateAccelerator(MSG*) override { return E_NOTIMPL; }
};

TEST_F(CompressorSettingsTest, ThePageIsGeneratedFromTheElementsProperties) {
    auto x264 = AddBound(u"@device:cm:x264enc");
    ASSERT_TRUE(x264);
    CAUUID pages{};
    ASSERT_EQ(S_OK, As<ISpecifyPropertyPages>(x264.Get())->GetPages(&pages));
    ASSERT_EQ(1u, pages.cElems);
    ComPtr<IPropertyPage> page;
    ASSERT_EQ(S_OK, CoCreateInstance(pages.pElems[0], nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(page.ReleaseAndGetAddressOf())));
    CoTaskMemFree(pages.pElems);
    auto site = MakeComObject<RecordingSite>();
    page->SetPageSite(site.Get());
    IUnknown* object = x264.Get();
    ASSERT_EQ(S_OK, page->SetObjects(1, &object));
    ASSERT_EQ(S_OK, page->Activate(nullptr, nullptr, FALSE));
    auto* dialog = static_cast<CBasePropertyPage*>(page.Get())->GetDialog();
    ASSERT_NE(nullptr, dialog);

    // One row per settable property, labelled with its nick.
    GstElement* element = As<IElementSettings>(x264.Get())->GetSettingsElement();
    const auto specs = codecs::SettableProperties(element);
    ASSERT_EQ(2 * specs.size(), dialog->Template().controls.size());
    auto rowOf = [&](const char* name) {
        for (std::size_t i = 0; i < specs.size(); ++i) {
            if (std::string(g_param_spec_get_name(specs[i])) != name) continue;
            const auto* label = dialog->Template().Find(codecs::kFirstLabelId + static_cast<int>(i));
            EXPECT_EQ(WideToUtf8(label->text), g_param_spec_get_nick(specs[i]));
            return static_cast<int>(i);
        }
        return -1;
    };
    EXPECT_EQ(-1, rowOf("name"));
    const int keyRow = rowOf("key-int-max");
    const int bytestreamRow = rowOf("byte-stream");
    const int presetRow = rowOf("speed-preset");
    ASSERT_GE(keyRow, 0);
    ASSERT_GE(bytestreamRow, 0);
    ASSERT_GE(presetRow, 0);
    const int keyId = codecs::kFirstControlId + keyRow;
    EXPECT_EQ(ui::ControlKind::Edit, dialog->Template().Find(keyId)->kind);
    EXPECT_EQ(ui::ControlKind::CheckBox, dialog->Template().Find(codecs::kFirstControlId + bytestreamRow)->kind);
    const auto* preset = dialog->Template().Find(codecs::kFirstControlId + presetRow);
    EXPECT_EQ(ui::ControlKind::ComboBox, preset->kind);
    EXPECT_NE(std::u16string::npos, preset->text.find(u"ultrafast"));
    EXPECT_EQ(u"0", dialog->Text(keyId));
    EXPECT_EQ(u"medium", dialog->Text(preset->id));

    // A value out of range refuses the whole page.
    ASSERT_TRUE(dialog->Type(keyId, u"60"));
    ASSERT_TRUE(dialog->Select(preset->id, u"ultrafast"));
    ASSERT_TRUE(dialog->Type(codecs::kFirstControlId + rowOf("quantizer"), u"51"));
    EXPECT_EQ(S_OK, page->IsPageDirty());
    EXPECT_EQ(E_INVALIDARG, page->Apply());
    guint key = 0;
    gint presetValue = 0;
    g_object_get(element, "key-int-max", &key, "speed-preset", &presetValue, nullptr);
    EXPECT_EQ(0u, key);
    EXPECT_EQ(6, presetValue);
    ASSERT_TRUE(dialog->Type(codecs::kFirstControlId + rowOf("quantizer"), u"30"));
    EXPECT_EQ(S_OK, page->Apply());
    g_object_get(element, "key-int-max", &key, "speed-preset", &presetValue, nullptr);
    EXPECT_EQ(60u, key);
    EXPECT_EQ(1, presetValue);
    EXPECT_EQ(S_OK, As<IPersistStream>(x264.Get())->IsDirty());
    page->Deactivate();
    page->SetObjects(0, nullptr);
}

}  // namespace
}  // namespace media::test
