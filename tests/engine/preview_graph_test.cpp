// The session and the preview graph on the virtual TV card. Every test needs the media
// framework's classes and fails, naming the class, when one cannot be created.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/capture_engine.h"
#include "platform/com/class_factory.h"
#include "platform/com/com_runtime.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/media_types.h"
#include "platform/system/profile_directory.h"
#include "tests/engine/engine_test_support.h"
#include "tests/engine/fault_factories.h"
#include "tests/support/temp_environment.h"
#include "platform/media/interfaces/device_enum.h"

namespace {

// The first media class that cannot be created, or "" when all can.
std::string MissingMediaClass() {
    const std::pair<const CLSID*, const char*> classes[] = {
        {&CLSID_FilterGraph, "CLSID_FilterGraph"},
        {&CLSID_CaptureGraphBuilder2, "CLSID_CaptureGraphBuilder2"},
        {&CLSID_SystemDeviceEnum, "CLSID_SystemDeviceEnum"},
        {&CLSID_SmartTee, "CLSID_SmartTee"},
    };
    for (const auto& [clsid, name] : classes) {
        ComPtr<IUnknown> object;
        const HRESULT hr = CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(object.ReleaseAndGetAddressOf()));
        if (FAILED(hr)) return std::string("CoCreateInstance(") + name + ") failed: " + HResultText(hr);
    }
    return {};
}

std::string DvCamcorderName() {
    const std::u16string name = media::kVirtualDvCamcorderName;
    return std::string(name.begin(), name.end());
}

class PreviewGraphTest : public testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        const std::string missing = MissingMediaClass();
        ASSERT_TRUE(missing.empty()) << "the media framework is missing: " << missing;
        engine_ = std::make_unique<CCaptureEngine>(ResolveProfileDirectory(), nullptr);
        engine_->SetWindows(windows_.pane.handle, windows_.frame.handle);
        engine_->SetMessageBar(&bar_);
    }
    void TearDown() override {
        engine_.reset();
        CoUninitialize();
    }
    const GraphSession& Session() const { return engine_->Session(); }

    TempEnvironment environment_;
    FakeFrame windows_;
    RecordingMessageBar bar_;
    std::unique_ptr<CCaptureEngine> engine_;
};

TEST_F(PreviewGraphTest, BothDeviceNamesEmptyGiveAGraphWithoutCaptureFilters) {
    CDeviceProfile profile;
    EXPECT_EQ(engine_->SelectCaptureDevices(&profile), S_OK);
    EXPECT_EQ(engine_->CreateGraphSession(&profile), S_OK);
    EXPECT_TRUE(Session().Graph);
    EXPECT_TRUE(Session().CaptureBuilder);
    EXPECT_TRUE(Session().MediaFilter);
    EXPECT_FALSE(Session().VideoCaptureFilter);
    EXPECT_FALSE(Session().AudioCaptureFilter);
    EXPECT_FALSE(Session().VideoCapturePin);
    EXPECT_FALSE(Session().AudioCapturePin);
    EXPECT_TRUE(bar_.lines.empty());
}

TEST_F(PreviewGraphTest, NullProfilePicksTheFirstDevices) {
    ASSERT_FALSE(engine_->Catalog().List(VideoInputDevices).empty());
    engine_->SelectCaptureDevices(nullptr);
    EXPECT_EQ(Session().VideoCaptureMoniker.Get(), engine_->Catalog().List(VideoInputDevices).front().Get());
    ASSERT_EQ(engine_->CreateGraphSession(nullptr), S_OK);
    EXPECT_TRUE(Session().VideoCaptureFilter);
    EXPECT_TRUE(Session().VideoCapturePin);
    EXPECT_TRUE(Session().TvTuner);
    EXPECT_TRUE(bar_.lines.empty());
}

TEST_F(PreviewGraphTest, DeviceThatIsNotInstalledIsReported) {
    CDeviceProfile profile;
    profile.VideoDeviceMoniker = "@device:v4l2:/dev/video-not-installed";  // a name this platform gives
    engine_->SelectCaptureDevices(&profile);
    EXPECT_FALSE(Session().VideoCaptureMoniker);
    ASSERT_EQ(bar_.lines.size(), 1u) << testing::PrintToString(bar_.lines);
    EXPECT_TRUE(bar_.HasLabel("NotFound VideoCaptureDevice")) << bar_.lines.front();
    EXPECT_EQ(bar_.selected, 0);
    engine_->CreateGraphSession(&profile);
    EXPECT_EQ(engine_->BuildPreviewGraph(&profile, nullptr, nullptr, TRUE), E_FAIL);
}

TEST_F(PreviewGraphTest, ForeignDeviceNameIsAParseFailureAndNotFound) {
    CDeviceProfile profile;
    profile.VideoDeviceMoniker = "@device:pnp:\\\\?\\no-such-device";  // a Windows device path
    engine_->SelectCaptureDevices(&profile);
    EXPECT_FALSE(Session().VideoCaptureMoniker);
    ASSERT_EQ(bar_.lines.size(), 2u) << testing::PrintToString(bar_.lines);
    EXPECT_THAT(bar_.lines[0], testing::EndsWith(" - MkParseDisplayName"));
    EXPECT_THAT(bar_.lines[1], testing::EndsWith(" - NotFound VideoCaptureDevice"));
    EXPECT_EQ(bar_.selected, 1);
}

TEST_F(PreviewGraphTest, BuildsRunsAndStopsThePreview) {
    engine_->SelectCaptureDevices(nullptr);
    ASSERT_EQ(engine_->CreateGraphSession(nullptr), S_OK);
    ASSERT_EQ(engine_->BuildPreviewGraph(nullptr, nullptr, nullptr, TRUE), S_OK) << (bar_.lines.empty() ? "" : bar_.lines.back());
    EXPECT_TRUE(Session().PreviewGraphBuilt);
    EXPECT_FALSE(Session().GraphBuildPending);
    EXPECT_TRUE(Session().VideoWindow);
    EXPECT_TRUE(Session().MediaEvent);
    EXPECT_EQ(engine_->RunPreview(), S_OK);
    EXPECT_TRUE(Session().Previewing);
    EXPECT_EQ(engine_->RunPreview(), S_OK);  // already running: untouched
    EXPECT_EQ(engine_->StopGraph(), S_OK);
    EXPECT_FALSE(Session().Previewing);
    engine_->DestroyGraphSession();
    EXPECT_FALSE(Session().Graph);
}

TEST_F(PreviewGraphTest, SecondBuildOnlyResizes) {
    CDeviceProfile profile;
    profile.PreviewVideoMode = 1;
    profile.PreviewSizeMode = 2;
    profile.PreviewWidth = 320;
    profile.PreviewHeight = 240;
    engine_->SelectCaptureDevices(nullptr);
    engine_->CreateGraphSession(&profile);
    ASSERT_EQ(engine_->BuildPreviewGraph(&profile, nullptr, nullptr, TRUE), S_OK);
    ComPtr<IPin> previewOut = Session().VideoPreviewOut;
    profile.PreviewWidth = 400;
    profile.PreviewHeight = 300;
    EXPECT_EQ(engine_->BuildPreviewGraph(&profile, nullptr, nullptr, TRUE), S_OK);
    EXPECT_EQ(Session().VideoPreviewOut.Get(), previewOut.Get());
    EXPECT_EQ(windows_.pane.clientWidth, 400);
    EXPECT_EQ(windows_.pane.clientHeight, 300);
}

TEST_F(PreviewGraphTest, PreviewVideoModeZeroRendersNoVideo) {
    CDeviceProfile profile;  // PreviewVideoMode 0
    engine_->SelectCaptureDevices(nullptr);
    ASSERT_EQ(engine_->CreateGraphSession(&profile), S_OK);
    ASSERT_EQ(engine_->BuildPreviewGraph(&profile, nullptr, nullptr, FALSE), S_OK);
    ASSERT_TRUE(Session().VideoPreviewOut) << "the card has a preview picture to leave unrendered";
    ComPtr<IPin> peer;
    EXPECT_EQ(Session().VideoPreviewOut->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(FiltersOfClass(Session().Graph.Get(), CLSID_VideoRenderer), 0);
    EXPECT_FALSE(bar_.HasLabel("IVideoWindow put_Owner"));
}

TEST_F(PreviewGraphTest, UnknownFilterProfileStopsTheBuild) {
    CDeviceProfile profile;
    profile.PreviewVideoMode = 1;
    profile.PreviewVideoFilterName = "no such chain";
    engine_->SelectCaptureDevices(nullptr);
    engine_->CreateGraphSession(&profile);
    EXPECT_EQ(engine_->BuildPreviewGraph(&profile, nullptr, nullptr, FALSE), E_FAIL);
    EXPECT_TRUE(bar_.HasLabel("NotFound VideoFilterProfile"));
    EXPECT_FALSE(Session().PreviewGraphBuilt);
}

TEST_F(PreviewGraphTest, TwoFailuresInARowGiveTwoLinesTheNewerSelected) {
    CDeviceProfile profile;
    // Well-formed names of devices that are not installed: each gives one report.
    profile.VideoDeviceMoniker = "@device:virtual:no-such-video";
    profile.AudioDeviceMoniker = "@device:virtual:no-such-audio";
    engine_->SelectCaptureDevices(&profile);
    ASSERT_EQ(bar_.lines.size(), 2u) << testing::PrintToString(bar_.lines);
    EXPECT_EQ(bar_.selected, 1);
    EXPECT_TRUE(bar_.lines[0].ends_with("NotFound VideoCaptureDevice"));
    EXPECT_TRUE(bar_.lines[1].ends_with("NotFound AudioCaptureDevice"));
}

// The virtual DV camcorder gives one interleaved capture pin: the preview comes through the
// Smart Tee and a DV splitter, or, when the preview is time-stamped, through the capture splitter.
TEST_F(PreviewGraphTest, DvCamcorderPreviewsThroughTheTeeAndThePreviewSplitter) {
    CDeviceProfile profile;
    profile.VideoDeviceMoniker = DvCamcorderName();
    profile.PreviewVideoMode = 1;
    engine_->SelectCaptureDevices(&profile);
    ASSERT_TRUE(Session().VideoCaptureMoniker) << (bar_.lines.empty() ? "" : bar_.lines.back());
    ASSERT_EQ(engine_->CreateGraphSession(&profile), S_OK);
    EXPECT_TRUE(Session().VideoCaptureFilter);
    EXPECT_FALSE(Session().AudioCaptureFilter);
    EXPECT_FALSE(Session().VideoPreviewPin);
    ASSERT_EQ(engine_->BuildPreviewGraph(&profile, nullptr, nullptr, TRUE), S_OK) << (bar_.lines.empty() ? "" : bar_.lines.back());
    EXPECT_TRUE(Session().PreviewGraphBuilt);
    EXPECT_TRUE(Session().SmartTee);
    EXPECT_TRUE(Session().PreviewDvSplitter);
    EXPECT_FALSE(Session().CaptureDvSplitter);
    EXPECT_TRUE(Session().VideoPreviewOut);
    EXPECT_TRUE(Session().AudioPreviewOut);  // the splitter's audio, for want of an audio device
    EXPECT_EQ(engine_->RunPreview(), S_OK);
    EXPECT_TRUE(Session().Previewing);
    EXPECT_EQ(engine_->StopGraph(), S_OK);
    EXPECT_FALSE(Session().Previewing);
    EXPECT_TRUE(bar_.lines.empty()) << bar_.lines.front();
}

TEST_F(PreviewGraphTest, TimestampedDvPreviewTakesTheCaptureSplitter) {
    CDeviceProfile profile;
    profile.VideoDeviceMoniker = DvCamcorderName();
    profile.PreviewVideoMode = 1;
    profile.PreviewVideoTimestamped = 1;
    engine_->SelectCaptureDevices(&profile);
    ASSERT_EQ(engine_->CreateGraphSession(&profile), S_OK);
    ASSERT_EQ(engine_->BuildPreviewGraph(&profile, nullptr, nullptr, TRUE), S_OK) << (bar_.lines.empty() ? "" : bar_.lines.back());
    EXPECT_TRUE(Session().CaptureDvSplitter);
    EXPECT_FALSE(Session().PreviewDvSplitter);
    EXPECT_FALSE(Session().SmartTee);
    EXPECT_TRUE(Session().VideoPreviewOut);
    EXPECT_EQ(engine_->RunPreview(), S_OK);
    EXPECT_EQ(engine_->StopGraph(), S_OK);
}

TEST_F(PreviewGraphTest, DvCamcorderFormatFitsTheFrame) {
    CDeviceProfile profile;
    profile.VideoDeviceMoniker = DvCamcorderName();
    engine_->SelectCaptureDevices(&profile);
    ASSERT_EQ(engine_->CreateGraphSession(&profile), S_OK);
    ASSERT_TRUE(Session().VideoCapturePin);
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(Session().VideoCapturePin->EnumMediaTypes(types.ReleaseAndGetAddressOf()), S_OK);
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(types->Next(1, &type, nullptr), S_OK);
    EXPECT_EQ(type->formattype, FORMAT_DvInfo);
    engine_->FitFrameToMediaType(type, 100);
    EXPECT_EQ(windows_.pane.clientWidth, 720);
    EXPECT_EQ(windows_.pane.clientHeight, 480);
    DeleteMediaType(type);
}

enum class Fault { Create, Add };

struct InjectedFailure {
    const CLSID* clsid;
    const char* label;
    bool viaCapturePin;
    bool dvCamcorder;
    Fault fault;
};

class PreviewFailureTest : public PreviewGraphTest, public testing::WithParamInterface<InjectedFailure> {};

TEST_P(PreviewFailureTest, LabelledStepFailsAndTheNextBuildTearsDown) {
    CDeviceProfile profile;
    profile.PreviewVideoMode = GetParam().clsid == &CLSID_OverlayMixer ? 2 : 1;
    profile.PreviewViaCapturePin = GetParam().viaCapturePin ? 1 : 0;
    if (GetParam().dvCamcorder) profile.VideoDeviceMoniker = DvCamcorderName();
    engine_->SelectCaptureDevices(GetParam().dvCamcorder ? &profile : nullptr);
    ASSERT_EQ(engine_->CreateGraphSession(&profile), S_OK);
    {
        ComPtr<IClassFactory> factory;
        if (GetParam().fault == Fault::Create)
            factory = ComPtr<IClassFactory>::Attach(new FailingFactory);
        else
            factory = ComPtr<IClassFactory>::Attach(new ForeignFilterFactory);
        ScopedClassFactoryOverride override(*GetParam().clsid, factory.Get());
        EXPECT_EQ(engine_->BuildPreviewGraph(&profile, nullptr, nullptr, FALSE),
                  GetParam().fault == Fault::Create ? E_OUTOFMEMORY : E_NOINTERFACE);
    }
    EXPECT_TRUE(bar_.HasLabel(GetParam().label)) << (bar_.lines.empty() ? "(no report)" : bar_.lines.back());
    EXPECT_TRUE(Session().GraphBuildPending);
    EXPECT_FALSE(Session().PreviewGraphBuilt);
    EXPECT_EQ(engine_->BuildPreviewGraph(&profile, nullptr, nullptr, FALSE), S_OK)
        << (bar_.lines.empty() ? "" : bar_.lines.back());
    EXPECT_TRUE(Session().PreviewGraphBuilt);
    EXPECT_FALSE(Session().GraphBuildPending);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, PreviewFailureTest,
    testing::Values(InjectedFailure{&CLSID_SmartTee, "CoCreateInstance SmartTee", true, false, Fault::Create},
                    InjectedFailure{&CLSID_SmartTee, "AddFilter SmartTee", true, false, Fault::Add},
                    InjectedFailure{&CLSID_OverlayMixer, "CoCreateInstance OverlayMixer", false, false, Fault::Create},
                    InjectedFailure{&CLSID_OverlayMixer, "AddFilter OverlayMixer", false, false, Fault::Add},
                    InjectedFailure{&CLSID_DVSplitter, "CoCreateInstance DVSplitter", false, true, Fault::Create},
                    InjectedFailure{&CLSID_DVSplitter, "AddFilter DVSplitter", false, true, Fault::Add},
                    InjectedFailure{&CLSID_SmartTee, "CoCreateInstance SmartTee", false, true, Fault::Create}));

}  // namespace
