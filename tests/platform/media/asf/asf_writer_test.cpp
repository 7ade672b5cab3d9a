// The ASF writer: its interfaces, its pins following the profile, the video input's settings,
// and recordings of the virtual TV card through a filter graph, read back as a player would.
#include <gtest/gtest.h>

#include "platform/media/gst.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/com/task_memory.h"
#include "platform/com/wide_text.h"
#include "platform/media/asf/asf_writer.h"
#include "platform/media/asf/wm_profile.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/file_writing.h"
#include "platform/media/interfaces/gst_filter.h"
#include "platform/media/interfaces/windows_media.h"
#include "tests/platform/media/asf/media_file_probe.h"
#include "tests/platform/media/devices/device_fixture.h"
#include "tests/support/unknown_conformance.h"

namespace media::test {
namespace {

namespace fs = std::filesystem;

ComPtr<IBaseFilter> NewWriter() {
    ComPtr<IBaseFilter> writer;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_WMAsfWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     writer.ReleaseAndGetVoidAddress()));
    return writer;
}

ComPtr<IWMProfile> SystemProfile(DWORD index) {
    ComPtr<IWMProfileManager> manager;
    EXPECT_EQ(S_OK, WMCreateProfileManager(manager.ReleaseAndGetAddressOf()));
    ComPtr<IWMProfile> profile;
    EXPECT_EQ(S_OK, manager->LoadSystemProfile(index, profile.ReleaseAndGetAddressOf()));
    return profile;
}

DWORD AudioOnlyProfileIndex() {
    for (DWORD i = 0; i < SystemWmProfiles().size(); ++i)
        if (!SystemWmProfiles()[i].video) return i;
    ADD_FAILURE() << "no audio-only profile";
    return 0;
}

std::vector<std::u16string> PinNames(IBaseFilter* filter) {
    std::vector<std::u16string> names;
    ComPtr<IEnumPins> pins;
    filter->EnumPins(pins.ReleaseAndGetAddressOf());
    IPin* pin = nullptr;
    while (pins && pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_INFO info{};
        pin->QueryPinInfo(&info);
        names.emplace_back(info.achName);
        if (info.pFilter) info.pFilter->Release();
        pin->Release();
    }
    return names;
}

ComPtr<IWMWriterAdvanced2> Advanced(IBaseFilter* writer) {
    ComPtr<IServiceProvider> provider = As<IServiceProvider>(writer);
    ComPtr<IWMWriterAdvanced2> advanced;
    if (provider) provider->QueryService(IID_IWMWriterAdvanced2, IID_IWMWriterAdvanced2, advanced.ReleaseAndGetVoidAddress());
    return advanced;
}

HRESULT SetDword(IWMWriterAdvanced2* advanced, DWORD input, const char16_t* name, DWORD value) {
    return advanced->SetInputSetting(input, name, WMT_TYPE_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// The factory names of the elements inside the writer's element.
std::vector<std::string> ElementKinds(IBaseFilter* writer) {
    std::vector<std::string> kinds;
    ComPtr<IGstFilter> gst = As<IGstFilter>(writer);
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(gst->GetElement()));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item)));
        if (factory) kinds.emplace_back(GST_OBJECT_NAME(factory));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return kinds;
}

bool Contains(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// ---- the filter alone ---------------------------------------------------------------------

class AsfWriterTest : public DeviceTest {};

TEST_F(AsfWriterTest, AnswersTheWritingInterfaces) {
    ComPtr<IBaseFilter> writer = NewWriter();
    ASSERT_TRUE(writer);
    EXPECT_TRUE(As<IFileSinkFilter2>(writer.Get()));
    EXPECT_TRUE(As<IFileSinkFilter>(writer.Get()));
    EXPECT_TRUE(As<IConfigAsfWriter>(writer.Get()));
    EXPECT_TRUE(As<IServiceProvider>(writer.Get()));
    // The advanced writer settings come through the service provider, not from the filter.
    EXPECT_FALSE(As<IWMWriterAdvanced2>(writer.Get()));
    EXPECT_TRUE(Advanced(writer.Get()));
    ComPtr<IServiceProvider> provider = As<IServiceProvider>(writer.Get());
    ComPtr<IUnknown> other;
    EXPECT_EQ(E_NOINTERFACE, provider->QueryService(IID_IFileSinkFilter, IID_IUnknown, other.ReleaseAndGetVoidAddress()));
    EXPECT_FALSE(other);
}

TEST_F(AsfWriterTest, KeepsFileNameModeAndIndexMode) {
    ComPtr<IBaseFilter> writer = NewWriter();
    ComPtr<IFileSinkFilter2> sink = As<IFileSinkFilter2>(writer.Get());
    LPOLESTR name = nullptr;
    EXPECT_EQ(E_FAIL, sink->GetCurFile(&name, nullptr));
    EXPECT_EQ(nullptr, name);
    EXPECT_EQ(E_INVALIDARG, sink->SetFileName(u"", nullptr));
    ASSERT_EQ(S_OK, sink->SetFileName(u"/tmp/somewhere/out.wmv", nullptr));
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(S_OK, sink->GetCurFile(&name, &type));
    EXPECT_EQ(u"/tmp/somewhere/out.wmv", std::u16string(WideView(name)));
    CoTaskMemFree(name);
    EXPECT_EQ(S_OK, sink->SetMode(AM_FILE_OVERWRITE));
    DWORD mode = 0;
    EXPECT_EQ(S_OK, sink->GetMode(&mode));
    EXPECT_EQ(AM_FILE_OVERWRITE, mode);
    EXPECT_EQ(E_INVALIDARG, sink->SetMode(0x10));

    ComPtr<IConfigAsfWriter> config = As<IConfigAsfWriter>(writer.Get());
    BOOL index = FALSE;
    EXPECT_EQ(S_OK, config->GetIndexMode(&index));
    EXPECT_EQ(TRUE, index);
    EXPECT_EQ(S_OK, config->SetIndexMode(FALSE));
    EXPECT_EQ(S_OK, config->GetIndexMode(&index));
    EXPECT_EQ(FALSE, index);
}

TEST_F(AsfWriterTest, PinsFollowTheProfileAudioFirst) {
    ComPtr<IBaseFilter> writer = NewWriter();
    ComPtr<IConfigAsfWriter> config = As<IConfigAsfWriter>(writer.Get());
    EXPECT_EQ((std::vector<std::u16string>{u"Audio Input 01", u"Video Input 01"}), PinNames(writer.Get()));
    ComPtr<IWMProfile> audioOnly = SystemProfile(AudioOnlyProfileIndex());
    ASSERT_EQ(S_OK, config->ConfigureFilterUsingProfile(audioOnly.Get()));
    EXPECT_EQ((std::vector<std::u16string>{u"Audio Input 01"}), PinNames(writer.Get()));
    ComPtr<IWMProfile> current;
    ASSERT_EQ(S_OK, config->GetCurrentProfile(current.ReleaseAndGetAddressOf()));
    EXPECT_EQ(audioOnly.Get(), current.Get());
    ASSERT_EQ(S_OK, config->ConfigureFilterUsingProfile(SystemProfile(0).Get()));
    EXPECT_EQ(2u, PinNames(writer.Get()).size());
}

// A profile object the platform did not make says nothing about its streams.
class ForeignProfile final : public ComObject<IWMProfile> {
public:
    HRESULT GetVersion(WMT_VERSION* version) override {
        *version = WMT_VER_8_0;
        return S_OK;
    }
    HRESULT GetName(WCHAR*, DWORD* length) override {
        *length = 1;
        return S_OK;
    }
};

TEST_F(AsfWriterTest, RefusesAProfileItCannotRead) {
    ComPtr<IConfigAsfWriter> config = As<IConfigAsfWriter>(NewWriter().Get());
    auto foreign = MakeComObject<ForeignProfile>();
    EXPECT_EQ(E_INVALIDARG, config->ConfigureFilterUsingProfile(foreign.Get()));
    EXPECT_EQ(E_POINTER, config->ConfigureFilterUsingProfile(nullptr));
    ComPtr<IWMProfile> current;
    ASSERT_EQ(S_OK, config->GetCurrentProfile(current.ReleaseAndGetAddressOf()));
    WmProfileSettings settings;
    EXPECT_TRUE(ReadWmProfileSettings(current.Get(), &settings));
}

TEST_F(AsfWriterTest, VideoInputSettingsAreCheckedAndKept) {
    ComPtr<IBaseFilter> writer = NewWriter();
    ComPtr<IWMWriterAdvanced2> advanced = Advanced(writer.Get());
    ASSERT_TRUE(advanced);
    // Input 0 is the audio input, input 1 the video input.
    EXPECT_EQ(S_OK, SetDword(advanced.Get(), 1, g_wszDeinterlaceMode, WM_DM_DEINTERLACE_INVERSETELECINE));
    EXPECT_EQ(S_OK, SetDword(advanced.Get(), 1, g_wszInitialPatternForInverseTelecine, 3));
    EXPECT_EQ(E_INVALIDARG, SetDword(advanced.Get(), 0, g_wszDeinterlaceMode, WM_DM_DEINTERLACE_NORMAL));
    EXPECT_EQ(E_INVALIDARG, SetDword(advanced.Get(), 2, g_wszDeinterlaceMode, WM_DM_DEINTERLACE_NORMAL));
    EXPECT_EQ(E_INVALIDARG, SetDword(advanced.Get(), 1, g_wszDeinterlaceMode, 6));
    EXPECT_EQ(E_INVALIDARG, SetDword(advanced.Get(), 1, g_wszInitialPatternForInverseTelecine, 11));
    EXPECT_EQ(E_INVALIDARG, SetDword(advanced.Get(), 1, u"DeinterlaceModes", 1));
    EXPECT_EQ(E_INVALIDARG, SetDword(advanced.Get(), 1, u"Quality", 1));
    const QWORD wide = 1;
    EXPECT_EQ(E_INVALIDARG, advanced->SetInputSetting(1, g_wszDeinterlaceMode, WMT_TYPE_QWORD,
                                                      reinterpret_cast<const BYTE*>(&wide), sizeof wide));
    EXPECT_EQ(E_POINTER, advanced->SetInputSetting(1, nullptr, WMT_TYPE_DWORD, nullptr, 4));

    WMT_ATTR_DATATYPE type{};
    DWORD value = 0;
    WORD length = sizeof value;
    ASSERT_EQ(S_OK, advanced->GetInputSetting(1, g_wszDeinterlaceMode, &type, reinterpret_cast<BYTE*>(&value), &length));
    EXPECT_EQ(WMT_TYPE_DWORD, type);
    EXPECT_EQ(WM_DM_DEINTERLACE_INVERSETELECINE, value);
    ASSERT_EQ(S_OK, advanced->GetInputSetting(1, g_wszInitialPatternForInverseTelecine, &type,
                                              reinterpret_cast<BYTE*>(&value), &length));
    EXPECT_EQ(3u, value);

    // With an audio-only profile there is no video input to set.
    ASSERT_EQ(S_OK, As<IConfigAsfWriter>(writer.Get())->ConfigureFilterUsingProfile(SystemProfile(AudioOnlyProfileIndex()).Get()));
    EXPECT_EQ(E_INVALIDARG, SetDword(advanced.Get(), 1, g_wszDeinterlaceMode, WM_DM_DEINTERLACE_NORMAL));
    EXPECT_EQ(E_INVALIDARG, SetDword(advanced.Get(), 0, g_wszDeinterlaceMode, WM_DM_DEINTERLACE_NORMAL));
}

// ---- recordings -----------------------------------------------------------------------------

class AsfRecordingTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_ICaptureGraphBuilder2, builder_.ReleaseAndGetVoidAddress()));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         graph_.ReleaseAndGetVoidAddress()));
        ASSERT_EQ(S_OK, builder_->SetFiltergraph(graph_.Get()));
        char pattern[] = "/tmp/qd-asf-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        directory_ = pattern;
    }
    void TearDown() override {
        builder_ = nullptr;
        graph_ = nullptr;
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
        DeviceTest::TearDown();
    }

    // Card video and audio -> ASF writer configured with `profile` writing `file`.
    ComPtr<IBaseFilter> BuildGraph(IWMProfile* profile, const std::string& file, DWORD deinterlaceMode) {
        ComPtr<IBaseFilter> video = Bind(kVirtualTvCardName);
        ComPtr<IBaseFilter> audio = Bind(kVirtualTvCardAudioName);
        EXPECT_EQ(S_OK, graph_->AddFilter(video.Get(), u"Video"));
        EXPECT_EQ(S_OK, graph_->AddFilter(audio.Get(), u"Audio"));
        ComPtr<IBaseFilter> writer = NewWriter();
        EXPECT_EQ(S_OK, graph_->AddFilter(writer.Get(), nullptr));
        EXPECT_EQ(S_OK, As<IFileSinkFilter2>(writer.Get())->SetFileName(Utf8ToWide(file).c_str(), nullptr));
        EXPECT_EQ(S_OK, As<IConfigAsfWriter>(writer.Get())->ConfigureFilterUsingProfile(profile));
        WmProfileSettings settings;
        ReadWmProfileSettings(profile, &settings);
        if (deinterlaceMode != WM_DM_NOTINTERLACED) {
            EXPECT_EQ(S_OK, SetDword(Advanced(writer.Get()).Get(), 1, g_wszDeinterlaceMode, deinterlaceMode));
        }
        // The video is rendered first, as a recording does; it finds the writer's video input
        // behind the audio one.
        if (settings.video) {
            EXPECT_EQ(S_OK, builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video.Get(), nullptr, writer.Get()));
        }
        if (settings.audio) {
            EXPECT_EQ(S_OK, builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio.Get(), nullptr, writer.Get()));
        }
        return writer;
    }

    // Runs the graph for `seconds`, then ends the streams at their sources and waits until the
    // writer has finished the file. Graph Stop does not send end of stream yet, so the test
    // sends it into the pipeline itself.
    void Record(IBaseFilter* writer, double seconds) {
        ComPtr<IMediaControl> control = As<IMediaControl>(graph_.Get());
        ComPtr<IMediaEvent> events = As<IMediaEvent>(graph_.Get());
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        GstElement* pipeline = GST_ELEMENT(gst_element_get_parent(As<IGstFilter>(writer)->GetElement()));
        ASSERT_NE(nullptr, pipeline);
        gst_element_send_event(pipeline, gst_event_new_eos());
        gst_object_unref(pipeline);
        LONG code = 0;
        EXPECT_EQ(S_OK, events->WaitForCompletion(20000, &code));
        EXPECT_EQ(EC_COMPLETE, code);
        control->Stop();
    }

    ComPtr<ICaptureGraphBuilder2> builder_;
    ComPtr<IGraphBuilder> graph_;
    std::string directory_;
};

class AsfProfileRecording : public AsfRecordingTest, public ::testing::WithParamInterface<DWORD> {};

TEST_P(AsfProfileRecording, WritesAFilePlayersReadWithTheProfilesFormat) {
    const WmProfileSettings& expected = SystemWmProfiles()[GetParam()];
    const std::string file = directory_ + "/recording.wmv";
    ComPtr<IBaseFilter> writer = BuildGraph(SystemProfile(GetParam()).Get(), file, WM_DM_NOTINTERLACED);
    Record(writer.Get(), 3.0);

    const ProbedFile probed = ProbeMediaFile(file);
    ASSERT_TRUE(probed.readable) << probed.error;
    EXPECT_NEAR(3.0, probed.durationSeconds, 0.1);
    ASSERT_EQ((expected.video ? 1u : 0u) + (expected.audio ? 1u : 0u), probed.streams.size());
    if (expected.video) {
        const ProbedStream* video = probed.FirstVideo();
        ASSERT_TRUE(video);
        EXPECT_NE(std::string::npos, video->caps.find("video/x-wmv")) << video->caps;
        EXPECT_NE(std::string::npos, video->caps.find("wmvversion=(int)2")) << video->caps;
        EXPECT_EQ(expected.video->width, video->width);
        EXPECT_EQ(expected.video->height, video->height);
        const double fps = static_cast<double>(expected.video->fpsNumerator) / expected.video->fpsDenominator;
        const long frames = CountAsfVideoFrames(file);
        EXPECT_NEAR(fps * probed.durationSeconds, static_cast<double>(frames), fps * 0.1) << frames << " frames";
    }
    if (expected.audio) {
        const ProbedStream* audio = probed.FirstAudio();
        ASSERT_TRUE(audio);
        EXPECT_NE(std::string::npos, audio->caps.find("audio/x-wma")) << audio->caps;
        EXPECT_NE(std::string::npos, audio->caps.find("wmaversion=(int)2")) << audio->caps;
        EXPECT_EQ(expected.audio->sampleRate, audio->sampleRate);
        EXPECT_EQ(expected.audio->channels, audio->channels);
    }
}

std::string ProfileTestName(const ::testing::TestParamInfo<DWORD>& info) {
    std::string name;
    for (char c : WideToUtf8(SystemWmProfiles()[info.param].name))
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return name;
}

INSTANTIATE_TEST_SUITE_P(SystemProfiles, AsfProfileRecording,
                         ::testing::Range(DWORD{0}, static_cast<DWORD>(SystemWmProfiles().size())), ProfileTestName);

struct DeinterlaceCase {
    DWORD mode;
    const char* element;
};

class AsfDeinterlaceRecording : public AsfRecordingTest, public ::testing::WithParamInterface<DeinterlaceCase> {};

TEST_P(AsfDeinterlaceRecording, PutsTheElementOnTheVideoInputAndStillWrites) {
    const std::string file = directory_ + "/deinterlaced.wmv";
    ComPtr<IBaseFilter> writer = BuildGraph(SystemProfile(0).Get(), file, GetParam().mode);
    EXPECT_TRUE(Contains(ElementKinds(writer.Get()), GetParam().element));
    Record(writer.Get(), 1.0);
    const ProbedFile probed = ProbeMediaFile(file);
    ASSERT_TRUE(probed.readable) << probed.error;
    ASSERT_TRUE(probed.FirstVideo());
    EXPECT_EQ(SystemWmProfiles()[0].video->width, probed.FirstVideo()->width);

    // Back to progressive: the element goes again.
    ASSERT_EQ(S_OK, SetDword(Advanced(writer.Get()).Get(), 1, g_wszDeinterlaceMode, WM_DM_NOTINTERLACED));
    EXPECT_FALSE(Contains(ElementKinds(writer.Get()), GetParam().element));
}

INSTANTIATE_TEST_SUITE_P(Modes, AsfDeinterlaceRecording,
                         ::testing::Values(DeinterlaceCase{WM_DM_DEINTERLACE_NORMAL, "deinterlace"},
                                           DeinterlaceCase{WM_DM_DEINTERLACE_HALFSIZEDOUBLERATE, "deinterlace"},
                                           DeinterlaceCase{WM_DM_DEINTERLACE_INVERSETELECINE, "ivtc"}));

TEST_F(AsfRecordingTest, WithoutDeinterlacingThereIsNoDeinterlacer) {
    ComPtr<IBaseFilter> writer = BuildGraph(SystemProfile(0).Get(), directory_ + "/plain.wmv", WM_DM_NOTINTERLACED);
    const auto kinds = ElementKinds(writer.Get());
    EXPECT_TRUE(Contains(kinds, "avenc_wmv2"));
    EXPECT_TRUE(Contains(kinds, "avenc_wmav2"));
    EXPECT_FALSE(Contains(kinds, "deinterlace"));
    EXPECT_FALSE(Contains(kinds, "ivtc"));
}

TEST_F(AsfRecordingTest, AProfileWithoutAConnectedInputsStreamIsRefused) {
    ComPtr<IBaseFilter> writer = BuildGraph(SystemProfile(0).Get(), directory_ + "/x.wmv", WM_DM_NOTINTERLACED);
    ComPtr<IConfigAsfWriter> config = As<IConfigAsfWriter>(writer.Get());
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, config->ConfigureFilterUsingProfile(SystemProfile(AudioOnlyProfileIndex()).Get()));
    EXPECT_EQ(2u, PinNames(writer.Get()).size());
}

INSTANTIATE_TEST_SUITE_P(WindowsMediaWriter, UnknownConformance,
                         ::testing::Values(UnknownSubject{"AsfWriter",
                                                          [] {
                                                              EXPECT_TRUE(EnsureGstStarted());
                                                              ComPtr<IUnknown> f;
                                                              CreateAsfWriter(nullptr, IID_IUnknown, f.ReleaseAndGetVoidAddress());
                                                              return f;
                                                          },
                                                          {IID_IBaseFilter, IID_IMediaFilter, IID_IPersist, IID_IGstFilter,
                                                           IID_IFileSinkFilter, IID_IFileSinkFilter2, IID_IConfigAsfWriter,
                                                           IID_IServiceProvider},
                                                          [] { return PlatformObjectCounter().Count(); }}),
                         UnknownSubjectName);

}  // namespace
}  // namespace media::test
