// Still images on the virtual TV card: the file, its name, the capture pin's format around the
// shot, and every failing step with its report. Files go to a temporary directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <array>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "engine/capture_engine.h"
#include "platform/com/com_runtime.h"
#include "platform/media/format_blocks.h"
#include "platform/media/capture_filters/virtual_card.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/media_types.h"
#include "platform/system/dib_section.h"
#include "platform/system/local_time.h"
#include "platform/system/profile_directory.h"
#include "tests/engine/engine_test_support.h"
#include "tests/engine/fault_factories.h"
#include "tests/engine/still_image_fakes.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_environment.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t k640x480FileSize = 640 * 480 * 3 + 54;

std::vector<BYTE> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename T>
T At(const std::vector<BYTE>& bytes, std::size_t offset) {
    T value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

std::vector<fs::path> FilesIn(const fs::path& dir) {
    std::vector<fs::path> files;
    if (!fs::exists(dir)) return files;
    for (const auto& entry : fs::directory_iterator(dir)) files.push_back(entry.path().filename());
    return files;
}

// The picture's colours by their strong components (bit 2 red, 1 green, 0 blue).
enum BarColour : int { Black = 0, Blue = 1, Green = 2, Cyan = 3, Red = 4, Magenta = 5, Yellow = 6, White = 7 };

int ColourAt(const BYTE* bgr) {
    return (bgr[2] > 128 ? Red : 0) | (bgr[1] > 128 ? Green : 0) | (bgr[0] > 128 ? Blue : 0);
}

struct ColourRun {
    int colour;
    int length;
};

// One row of a 24-bit bitmap as runs of colour; runs of a few pixels (the soft edges
// between bars) join the run before them, and the row is read as a circle, since the test
// pattern moves sideways from frame to frame.
std::vector<ColourRun> RowRuns(const std::vector<BYTE>& file, int width, int fileRow) {
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    const BYTE* row = file.data() + 54 + stride * static_cast<std::size_t>(fileRow);
    std::vector<ColourRun> runs;
    for (int x = 0; x < width; ++x) {
        const int colour = ColourAt(row + 3 * x);
        if (!runs.empty() && runs.back().colour == colour) {
            ++runs.back().length;
        } else {
            runs.push_back({colour, 1});
        }
    }
    std::vector<ColourRun> merged;
    for (const ColourRun& run : runs) {
        if (!merged.empty() && (run.length < 4 || merged.back().colour == run.colour)) {
            merged.back().length += run.length;
        } else {
            merged.push_back(run);
        }
    }
    if (merged.size() > 1 && merged.front().colour == merged.back().colour) {
        merged.front().length += merged.back().length;
        merged.pop_back();
    }
    return merged;
}

// The seven bars of the test pattern's upper part, left to right, in some rotation, each
// a seventh of the width.
testing::AssertionResult HasColourBars(const std::vector<ColourRun>& runs, int width) {
    static constexpr std::array<int, 7> bars = {White, Yellow, Cyan, Green, Magenta, Red, Blue};
    if (runs.size() != bars.size()) return testing::AssertionFailure() << runs.size() << " runs, not 7";
    std::size_t first = 0;
    while (first < bars.size() && bars[first] != runs[0].colour) ++first;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].colour != bars[(first + i) % bars.size()])
            return testing::AssertionFailure() << "run " << i << " has colour " << runs[i].colour;
        if (std::abs(runs[i].length - width / 7) > 4)
            return testing::AssertionFailure() << "run " << i << " is " << runs[i].length << " pixels wide";
    }
    return testing::AssertionSuccess();
}

bool HasColour(const std::vector<ColourRun>& runs, int colour) {
    for (const ColourRun& run : runs)
        if (run.colour == colour) return true;
    return false;
}

// The pin's current format, as a comparable copy.
struct PinFormat {
    GUID subtype{};
    GUID formattype{};
    std::vector<BYTE> block;
    bool operator==(const PinFormat&) const = default;
};

PinFormat CurrentFormat(IAMStreamConfig* config) {
    PinFormat format;
    AM_MEDIA_TYPE* type = nullptr;
    if (!config || FAILED(config->GetFormat(&type)) || !type) return format;
    format.subtype = type->subtype;
    format.formattype = type->formattype;
    format.block.assign(type->pbFormat, type->pbFormat + type->cbFormat);
    DeleteMediaType(type);
    return format;
}

LONG WidthOf(const PinFormat& format) {
    if (format.block.size() < sizeof(VIDEOINFOHEADER)) return 0;
    return At<VIDEOINFOHEADER>(format.block, 0).bmiHeader.biWidth;
}

// A class factory of the given kind, as the override takes it.
template <typename Factory, typename... Args>
ComPtr<IClassFactory> MakeFactory(Args&&... args) {
    ComPtr<Factory> factory = MakeComObject<Factory>(std::forward<Args>(args)...);
    return ComPtr<IClassFactory>(factory.Get());
}

class StillImageTest : public testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        engine_ = std::make_unique<CCaptureEngine>(ResolveProfileDirectory(), nullptr);
        engine_->SetWindows(windows_.pane.handle, windows_.frame.handle);
        engine_->SetMessageBar(&bar_);
        Options().StillDir = dir_.string();
        Options().StillFile = "shot";
        fs::create_directories(dir_);
    }
    void TearDown() override {
        engine_.reset();
        CoUninitialize();
    }

    COptionProfile& Options() { return engine_->Store().Options; }
    const GraphSession& Session() const { return engine_->Session(); }

    // A session on the first video device (the virtual TV card).
    void OpenSession(CDeviceProfile* device = nullptr) {
        engine_->SelectCaptureDevices(nullptr);
        ASSERT_EQ(engine_->CreateGraphSession(device), S_OK) << LastReport();
        ASSERT_TRUE(Session().VideoCaptureFilter) << "the virtual TV card is missing";
        ASSERT_TRUE(Session().CapturePinConfig);
    }

    // A session whose graph is the stand-in graph, failing `fault`.
    void OpenSessionOnStandInGraph(CDeviceProfile* device, GraphFault fault) {
        ComPtr<IGraphBuilder> real;
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(real.ReleaseAndGetAddressOf())),
                  S_OK);
        auto graph = MakeComObject<FaultyGraph>(real.Get(), fault);
        ComPtr<IClassFactory> factory = MakeFactory<PremadeFactory>(static_cast<IGraphBuilder*>(graph.Get()));
        ScopedClassFactoryOverride override(CLSID_FilterGraph, factory.Get());
        OpenSession(device);
    }

    // A stand-in grabber failing `fault`, created in place of the Sample Grabber while it lives.
    class StandInGrabber {
    public:
        explicit StandInGrabber(GrabberFault fault) {
            ComPtr<IBaseFilter> real;
            EXPECT_EQ(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_PPV_ARGS(real.ReleaseAndGetAddressOf())),
                      S_OK);
            grabber = MakeComObject<FaultyGrabber>(real.Get(), fault);
            factory_ = MakeFactory<PremadeFactory>(static_cast<IBaseFilter*>(grabber.Get()));
            override_ = std::make_unique<ScopedClassFactoryOverride>(CLSID_SampleGrabber, factory_.Get());
        }
        ComPtr<FaultyGrabber> grabber;

    private:
        ComPtr<IClassFactory> factory_;
        std::unique_ptr<ScopedClassFactoryOverride> override_;
    };

    // The caller's sequence around the shot: the graph torn down before and after.
    HRESULT TakeStill(CDeviceProfile* device) {
        engine_->TearDownGraph();
        const HRESULT hr = engine_->CaptureStillImage(device);
        engine_->TearDownGraph();
        return hr;
    }

    std::string LastReport() const { return bar_.lines.empty() ? "(no report)" : bar_.lines.back(); }

    // After the shot the graph holds the capture filters only, and a preview builds again.
    void ExpectGraphReadyForPreview() {
        EXPECT_FALSE(Session().SampleGrabber);
        EXPECT_FALSE(Session().NullRenderer);
        EXPECT_FALSE(Session().SampleGrabberControl);
        EXPECT_FALSE(Session().MediaEvent);
        ExpectUnconnected(Session().VideoCapturePin.Get());
        EXPECT_EQ(engine_->BuildPreviewGraph(nullptr, nullptr, nullptr, FALSE), S_OK) << LastReport();
    }

    static void ExpectUnconnected(IPin* pin) {
        ComPtr<IPin> peer;
        if (!pin) return;
        EXPECT_FALSE(SUCCEEDED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())) && peer) << "pin still connected";
    }

    TempEnvironment environment_;
    fs::path dir_ = environment_.Root() / "stills";
    FakeFrame windows_;
    RecordingMessageBar bar_;
    std::unique_ptr<CCaptureEngine> engine_;
};

// ---- The file ----

class StillImageFileTest : public StillImageTest, public testing::WithParamInterface<bool> {};

TEST_P(StillImageFileTest, A640x480FrameIsA921654ByteBitmapOfTheCardsPicture) {
    CDeviceProfile device;
    device.StillForceRGB24 = GetParam() ? 1 : 0;  // the pin's own RGB24, or converted from YUY2
    OpenSession(&device);
    ASSERT_EQ(TakeStill(&device), S_OK) << LastReport();
    EXPECT_TRUE(bar_.lines.empty()) << LastReport();

    const std::vector<BYTE> file = ReadFile(dir_ / "shot.bmp");
    ASSERT_EQ(file.size(), k640x480FileSize);
    EXPECT_EQ(At<WORD>(file, 0), 0x4D42);
    EXPECT_EQ(At<DWORD>(file, 2), k640x480FileSize);
    EXPECT_EQ(At<WORD>(file, 6), 0);
    EXPECT_EQ(At<WORD>(file, 8), 0);
    EXPECT_EQ(At<DWORD>(file, 10), 54u);
    const auto header = At<BITMAPINFOHEADER>(file, 14);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, 640);
    EXPECT_EQ(header.biHeight, 480);  // positive: bottom-up rows
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, BI_RGB);
    EXPECT_EQ(header.biSizeImage, 640u * 480u * 3u);
    EXPECT_EQ(header.biClrUsed, 0u);

    // Bottom-up: row 379 of the file is picture row 100, in the colour bars; row 100 of the
    // file is picture row 379, in the dark strip below them.
    EXPECT_TRUE(HasColourBars(RowRuns(file, 640, 379), 640));
    const std::vector<ColourRun> low = RowRuns(file, 640, 100);
    EXPECT_FALSE(HasColour(low, Yellow));
    EXPECT_FALSE(HasColour(low, Green));
    EXPECT_TRUE(HasColour(low, Black));
    EXPECT_EQ(FilesIn(dir_), std::vector<fs::path>{"shot.bmp"});
    ExpectGraphReadyForPreview();
}

INSTANTIATE_TEST_SUITE_P(PinFormats, StillImageFileTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& param) {
                             return param.param ? "RGB24Pin" : "YUY2Pin";
                         });

TEST_F(StillImageTest, CommandStopsThePreviewTakesTheShotAndRunsThePreviewAgain) {
    OpenSession();
    ASSERT_EQ(engine_->BuildPreviewGraph(nullptr, nullptr, nullptr, FALSE), S_OK) << LastReport();
    ASSERT_EQ(engine_->RunPreview(), S_OK);
    EXPECT_EQ(engine_->StillImageCommand(nullptr), S_OK) << LastReport();
    EXPECT_TRUE(bar_.lines.empty()) << LastReport();
    EXPECT_EQ(fs::file_size(dir_ / "shot.bmp"), k640x480FileSize);
    EXPECT_TRUE(Session().PreviewGraphBuilt);
    EXPECT_TRUE(Session().Previewing);
    EXPECT_TRUE(Session().VideoWindow);
    EXPECT_FALSE(Session().SampleGrabber);
    EXPECT_EQ(engine_->StopGraph(), S_OK);
}

TEST_F(StillImageTest, DvCamcorderFrameComesThroughASplitter) {
    CDeviceProfile device;
    const std::u16string name = media::kVirtualDvCamcorderName;
    device.VideoDeviceMoniker = std::string(name.begin(), name.end());
    engine_->SelectCaptureDevices(&device);
    ASSERT_EQ(engine_->CreateGraphSession(&device), S_OK);
    ASSERT_EQ(TakeStill(&device), S_OK) << LastReport();
    EXPECT_TRUE(bar_.lines.empty()) << LastReport();
    const std::vector<BYTE> file = ReadFile(dir_ / "shot.bmp");
    ASSERT_EQ(file.size(), 720u * 480u * 3u + 54u);
    EXPECT_EQ(At<BITMAPINFOHEADER>(file, 14).biWidth, 720);
    EXPECT_EQ(At<BITMAPINFOHEADER>(file, 14).biHeight, 480);
    EXPECT_GE(RowRuns(file, 720, 240).size(), 2u) << "a picture, not a plain area";
    EXPECT_FALSE(Session().CaptureDvSplitter);
}

// ---- Names ----

TEST_F(StillImageTest, NumbersRunTo9999AndStartAgainAt0000) {
    OpenSession();
    Options().StillNaming = 1;
    Options().StillNumber = 9999;
    ASSERT_EQ(TakeStill(nullptr), S_OK) << LastReport();
    EXPECT_EQ(Options().StillNumber, 0u);
    ASSERT_EQ(TakeStill(nullptr), S_OK) << LastReport();
    EXPECT_EQ(Options().StillNumber, 1u);
    EXPECT_THAT(FilesIn(dir_), testing::UnorderedElementsAre("shot-9999.bmp", "shot-0000.bmp"));
    EXPECT_EQ(fs::file_size(dir_ / "shot-0000.bmp"), k640x480FileSize);
}

TEST_F(StillImageTest, FixedNameOverwritesTheSameFile) {
    OpenSession();
    std::ofstream(dir_ / "shot.bmp") << "an older picture";
    ASSERT_EQ(TakeStill(nullptr), S_OK) << LastReport();
    ASSERT_EQ(TakeStill(nullptr), S_OK) << LastReport();
    EXPECT_EQ(FilesIn(dir_), std::vector<fs::path>{"shot.bmp"});
    const std::vector<BYTE> file = ReadFile(dir_ / "shot.bmp");
    ASSERT_EQ(file.size(), k640x480FileSize);
    EXPECT_EQ(At<WORD>(file, 0), 0x4D42);
}

TEST_F(StillImageTest, DateAndTimeNamingUsesTheTimeOfTheShot) {
    OpenSession();
    Options().StillNaming = 2;
    Options().StillDir = dir_.string() + "/";  // a separator already there is not doubled
    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(TakeStill(nullptr), S_OK) << LastReport();
    const std::time_t after = std::time(nullptr);
    const std::vector<fs::path> files = FilesIn(dir_);
    ASSERT_EQ(files.size(), 1u);
    std::vector<std::string> possible;
    for (std::time_t t = before; t <= after; ++t)
        possible.push_back("shot-" + FormatLocalTime("%Y%m%d-%H%M%S", t) + ".bmp");
    EXPECT_THAT(possible, testing::Contains(files.front().string()));
    EXPECT_EQ(Options().StillNumber, 0u);
}

// ---- The format switch ----

TEST_F(StillImageTest, FormatSwitchTakesTheShotAtTheStillSizeAndPutsThePinBack) {
    CDeviceProfile device;
    device.StillChangeResolution = 1;
    device.StillForceRGB24 = 1;
    device.StillWidth = 320;
    device.StillHeight = 240;
    OpenSession(&device);
    const PinFormat before = CurrentFormat(Session().CapturePinConfig.Get());
    ASSERT_EQ(WidthOf(before), 640);
    ASSERT_EQ(TakeStill(&device), S_OK) << LastReport();
    EXPECT_TRUE(bar_.lines.empty()) << LastReport();
    const std::vector<BYTE> file = ReadFile(dir_ / "shot.bmp");
    ASSERT_EQ(file.size(), 320u * 240u * 3u + 54u);
    EXPECT_EQ(At<BITMAPINFOHEADER>(file, 14).biWidth, 320);
    EXPECT_EQ(At<BITMAPINFOHEADER>(file, 14).biHeight, 240);
    EXPECT_TRUE(HasColourBars(RowRuns(file, 320, 189), 320));
    EXPECT_TRUE(CurrentFormat(Session().CapturePinConfig.Get()) == before);
}

TEST_F(StillImageTest, FormatIsPutBackWhenTheShotFailsHalfWay) {
    CDeviceProfile device;
    device.StillChangeResolution = 1;
    device.StillWidth = 320;
    device.StillHeight = 240;
    OpenSessionOnStandInGraph(&device, GraphFault::None);
    const PinFormat before = CurrentFormat(Session().CapturePinConfig.Get());
    ComPtr<FaultyGrabber> grabber;
    {
        StandInGrabber standIn(GrabberFault::NoCopy);
        grabber = standIn.grabber;
        EXPECT_EQ(TakeStill(&device), E_UNEXPECTED);
    }
    EXPECT_EQ(grabber->copyCalls, 1);
    EXPECT_TRUE(bar_.HasLabel("ISampleGrabber GetCurrentBuffer2")) << LastReport();
    EXPECT_TRUE(FilesIn(dir_).empty());
    EXPECT_TRUE(CurrentFormat(Session().CapturePinConfig.Get()) == before);
}

TEST_F(StillImageTest, RefusedSwitchIsReportedAndTheShotIsTakenAsThePinIs) {
    CDeviceProfile device;
    device.StillChangeResolution = 1;
    device.StillWidth = 123;  // no size the card offers
    device.StillHeight = 77;
    OpenSession(&device);
    const PinFormat before = CurrentFormat(Session().CapturePinConfig.Get());
    ASSERT_EQ(TakeStill(&device), S_OK);
    ASSERT_EQ(bar_.lines.size(), 1u) << testing::PrintToString(bar_.lines);
    EXPECT_TRUE(bar_.HasLabel("IAMStreamConfig SetFormat"));
    EXPECT_EQ(fs::file_size(dir_ / "shot.bmp"), k640x480FileSize);
    EXPECT_TRUE(CurrentFormat(Session().CapturePinConfig.Get()) == before);
}

// ---- Refusals ----

TEST_F(StillImageTest, WithoutAVideoDeviceReturnsEPointerAndWritesNothing) {
    CDeviceProfile noDevices;
    engine_->SelectCaptureDevices(&noDevices);
    ASSERT_EQ(engine_->CreateGraphSession(&noDevices), S_OK);
    ASSERT_FALSE(Session().VideoCaptureFilter);
    Options().StillNaming = 1;
    Options().StillNumber = 41;
    EXPECT_EQ(engine_->CaptureStillImage(&noDevices), E_POINTER);
    EXPECT_TRUE(bar_.lines.empty()) << LastReport();
    EXPECT_TRUE(FilesIn(dir_).empty());
    EXPECT_EQ(Options().StillNumber, 42u);  // the name was built first
    EXPECT_FALSE(Session().SampleGrabber);
}

TEST_F(StillImageTest, WithoutASessionReturnsEPointer) {
    EXPECT_EQ(engine_->CaptureStillImage(nullptr), E_POINTER);
    EXPECT_TRUE(bar_.lines.empty());
}

// Directories a file cannot be written into, made without permissions (tests run as root).
struct UnwritableCase {
    const char* name;
    std::function<std::string(const fs::path&)> make;
};

class StillImageUnwritableTest : public StillImageTest, public testing::WithParamInterface<UnwritableCase> {};

TEST_P(StillImageUnwritableTest, ReportsCFileOpenAndLeavesNoFile) {
    OpenSession();
    Options().StillDir = GetParam().make(dir_);
    EXPECT_EQ(TakeStill(nullptr), E_FAIL);
    ASSERT_EQ(bar_.lines.size(), 1u) << testing::PrintToString(bar_.lines);
    EXPECT_THAT(bar_.lines.front(), testing::HasSubstr(" - 80004005 - "));
    EXPECT_TRUE(bar_.HasLabel("CFile Open"));
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(dir_))
        if (entry.is_regular_file() && entry.path().filename() != "plain-file") left.push_back(entry.path().string());
    EXPECT_TRUE(left.empty()) << testing::PrintToString(left);
    ExpectGraphReadyForPreview();
}

INSTANTIATE_TEST_SUITE_P(
    Directories, StillImageUnwritableTest,
    testing::Values(UnwritableCase{"Missing", [](const fs::path& dir) { return (dir / "no" / "such").string(); }},
                    UnwritableCase{"UnderAPlainFile",
                                   [](const fs::path& dir) {
                                       std::ofstream(dir / "plain-file") << "x";
                                       return (dir / "plain-file").string();
                                   }},
                    UnwritableCase{"NameTakenByADirectory",
                                   [](const fs::path& dir) {
                                       fs::create_directories(dir / "sub" / "shot.bmp");
                                       return (dir / "sub").string();
                                   }}),
    [](const testing::TestParamInfo<UnwritableCase>& param) { return param.param.name; });

TEST_F(StillImageTest, FailedWriteIsReportedAndKeepsTheEarlierPicture) {
    OpenSession();
    ASSERT_EQ(TakeStill(nullptr), S_OK) << LastReport();
    const std::vector<BYTE> earlier = ReadFile(dir_ / "shot.bmp");
    ASSERT_EQ(earlier.size(), k640x480FileSize);
    HRESULT hr;
    {
        FileSizeLimit limit(4096);
        hr = TakeStill(nullptr);
    }
    EXPECT_TRUE(FAILED(hr));
    ASSERT_EQ(bar_.lines.size(), 1u) << testing::PrintToString(bar_.lines);
    EXPECT_TRUE(bar_.HasLabel("CFile Write"));
    EXPECT_EQ(FilesIn(dir_), std::vector<fs::path>{"shot.bmp"});
    EXPECT_TRUE(ReadFile(dir_ / "shot.bmp") == earlier);
}

TEST_F(StillImageTest, DeviceThatDeliversNoFrameEndsTheWaitWithAReport) {
    OpenSession();
    std::shared_ptr<media::VirtualCard> card = media::VirtualCard::Current();
    ASSERT_TRUE(card);
    card->DropFrames(1'000'000);
    EXPECT_EQ(TakeStill(nullptr), E_ABORT);
    ASSERT_EQ(bar_.lines.size(), 1u) << testing::PrintToString(bar_.lines);
    EXPECT_TRUE(bar_.HasLabel("IMediaEventEx WaitForCompletion"));
    EXPECT_TRUE(FilesIn(dir_).empty());
    EXPECT_FALSE(Session().SampleGrabber);
}

TEST_F(StillImageTest, SampleLargerThanTheBitmapIsNeverCopiedAndNoFileIsWritten) {
    OpenSessionOnStandInGraph(nullptr, GraphFault::None);
    ComPtr<FaultyGrabber> grabber;
    {
        StandInGrabber standIn(GrabberFault::SampleLargerThanPicture);
        grabber = standIn.grabber;
        EXPECT_EQ(TakeStill(nullptr), E_OUTOFMEMORY);
    }
    EXPECT_EQ(grabber->copyCalls, 0);
    EXPECT_EQ(grabber->largestCopy, 0);
    EXPECT_EQ(LiveDibSectionCount(), 0u);
    ASSERT_EQ(bar_.lines.size(), 1u) << testing::PrintToString(bar_.lines);
    EXPECT_THAT(bar_.lines.front(), testing::HasSubstr(" - 8007000e - "));
    EXPECT_TRUE(bar_.HasLabel("ISampleGrabber GetCurrentBuffer2"));
    EXPECT_TRUE(FilesIn(dir_).empty());
}

// ---- Every failing step ----

enum class Stand { ClassFails, ClassForeign, ClassWithoutGrabber, Grabber, Graph, VideoPort };

struct StillFailure {
    const char* name;
    Stand stand;
    const CLSID* clsid;  // the class replaced by the class stand-ins
    GrabberFault grabberFault;
    GraphFault graphFault;
    std::vector<const char*> labels;  // reported, in this order
    bool fileWritten;
};

class StillImageFailureTest : public StillImageTest, public testing::WithParamInterface<StillFailure> {};

TEST_P(StillImageFailureTest, ReportsItsLabelAndLeavesAGraphThatBuildsAgain) {
    const StillFailure& f = GetParam();
    if (f.stand == Stand::Graph || f.stand == Stand::Grabber) {
        OpenSessionOnStandInGraph(nullptr, f.graphFault);
    } else if (f.stand == Stand::VideoPort) {
        ComPtr<ICaptureGraphBuilder2> real;
        ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(real.ReleaseAndGetAddressOf())),
                  S_OK);
        ComPtr<IClassFactory> factory = MakeFactory<PremadeFactory>(MakeComObject<VideoPortBuilder>(real.Get()).Get());
        ScopedClassFactoryOverride override(CLSID_CaptureGraphBuilder2, factory.Get());
        OpenSession();
    } else {
        OpenSession();
    }
    if (HasFatalFailure()) return;

    ComPtr<IClassFactory> stepFactory;
    switch (f.stand) {
    case Stand::ClassFails: stepFactory = MakeFactory<FailingFactory>(); break;
    case Stand::ClassForeign: stepFactory = MakeFactory<ForeignFilterFactory>(); break;
    case Stand::ClassWithoutGrabber: {
        // A real filter that joins the graph but is no grabber.
        ComPtr<IBaseFilter> renderer;
        ASSERT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(renderer.ReleaseAndGetAddressOf())),
                  S_OK);
        stepFactory = MakeFactory<PremadeFactory>(renderer.Get());
        break;
    }
    default: break;
    }
    const std::size_t bitmapsBefore = LiveDibSectionCount();
    HRESULT hr;
    if (stepFactory) {
        ScopedClassFactoryOverride override(*f.clsid, stepFactory.Get());
        hr = TakeStill(nullptr);
    } else if (f.stand == Stand::Grabber) {
        StandInGrabber standIn(f.grabberFault);
        hr = TakeStill(nullptr);
    } else {
        hr = TakeStill(nullptr);
    }

    EXPECT_EQ(LiveDibSectionCount(), bitmapsBefore) << "the bitmap outlived the shot";
    std::vector<std::string> labels;
    for (const std::string& line : bar_.lines) labels.push_back(line.substr(line.rfind(" - ") + 3));
    EXPECT_THAT(labels, testing::ElementsAreArray(f.labels)) << testing::PrintToString(bar_.lines);
    if (f.fileWritten) {
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(fs::file_size(dir_ / "shot.bmp"), k640x480FileSize);
    } else {
        EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
        EXPECT_TRUE(FilesIn(dir_).empty());
    }
    ExpectGraphReadyForPreview();
}

void PrintTo(const StillFailure& failure, std::ostream* os) { *os << failure.name; }

StillFailure ClassStep(const char* name, Stand stand, const CLSID* clsid, const char* label) {
    return {name, stand, clsid, GrabberFault::None, GraphFault::None, {label}, false};
}
StillFailure GrabberStep(const char* name, GrabberFault fault, const char* label) {
    return {name, Stand::Grabber, nullptr, fault, GraphFault::None, {label}, false};
}
StillFailure GraphStep(const char* name, GraphFault fault, std::vector<const char*> labels, bool fileWritten) {
    return {name, Stand::Graph, nullptr, GrabberFault::None, fault, std::move(labels), fileWritten};
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StillImageFailureTest,
    testing::Values(
        ClassStep("CreateGrabber", Stand::ClassFails, &CLSID_SampleGrabber, "CoCreateInstance SampleGrabber"),
        ClassStep("AddGrabber", Stand::ClassForeign, &CLSID_SampleGrabber, "AddFilter SampleGrabber"),
        ClassStep("GrabberInterface", Stand::ClassWithoutGrabber, &CLSID_SampleGrabber,
                  "QueryInterface ISampleGrabber"),
        ClassStep("CreateNullRenderer", Stand::ClassFails, &CLSID_NullRenderer, "CoCreateInstance NullRenderer"),
        ClassStep("AddNullRenderer", Stand::ClassForeign, &CLSID_NullRenderer, "AddFilter NullRenderer"),
        GrabberStep("Render", GrabberFault::RefusesEveryConverter, "RenderStream SampleGrabber"),
        GrabberStep("ConnectedType", GrabberFault::NoConnectedType, "ISampleGrabber GetConnectedMediaType"),
        GrabberStep("Bitmap", GrabberFault::HeaderWithoutPicture, "CreateDIBSection"),
        GrabberStep("BufferSize", GrabberFault::NoBufferSize, "ISampleGrabber GetCurrentBuffer1"),
        GrabberStep("BufferCopy", GrabberFault::NoCopy, "ISampleGrabber GetCurrentBuffer2"),
        GraphStep("MediaControl", GraphFault::NoMediaControl, {"QueryInterface IMediaControl"}, false),
        GraphStep("MediaEvent", GraphFault::NoMediaEvent, {"QueryInterface IMediaEventEx"}, false),
        GraphStep("NotifyWindow", GraphFault::SetNotifyWindow, {"IMediaEventEx SetNotifyWindow"}, true),
        GraphStep("CancelHandling", GraphFault::CancelDefaultHandling, {"IMediaEventEx CancelDefaultHandling"}, true),
        GraphStep("Run", GraphFault::Run, {"IMediaControl Run"}, false),
        GraphStep("Wait", GraphFault::WaitForCompletion, {"IMediaEventEx WaitForCompletion"}, false),
        GraphStep("Stop", GraphFault::Stop, {"IMediaControl Stop"}, true),
        GraphStep("RestoreHandling", GraphFault::RestoreDefaultHandling, {"IMediaEventEx RestoreDefaultHandling"},
                  true),
        StillFailure{"VideoPortWindow",
                     Stand::VideoPort,
                     nullptr,
                     GrabberFault::None,
                     GraphFault::None,
                     {"IVideoWindow put_Owner", "IVideoWindow put_WindowStyle", "IVideoWindow SetWindowPosition",
                      "IVideoWindow put_Visible"},
                     true}),
    [](const testing::TestParamInfo<StillFailure>& param) { return param.param.name; });

}  // namespace
