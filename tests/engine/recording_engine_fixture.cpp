#include "tests/engine/recording_engine_fixture.h"

#include <thread>

#include "platform/com/com_runtime.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/interfaces/control.h"

namespace fs = std::filesystem;

std::string DvCamcorderDisplayName() {
    const std::u16string name = media::kVirtualDvCamcorderName;
    return std::string(name.begin(), name.end());
}

void RecordingEngineTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    for (const char* module : {QD_STAMPFIX_MODULE, QD_METRONEL_MODULE}) {
        std::string error;
        ASSERT_EQ(CallServerRegistration(module, false, &error), S_OK) << module << ": " << error;
    }
    const fs::path profiles = environment_.Root() / "profiles";
    output_ = environment_.Root() / "movies";
    fs::create_directories(profiles);
    fs::create_directories(output_);
    engine_ = std::make_unique<CCaptureEngine>(profiles.string() + "/", nullptr);
    engine_->SetWindows(windows_.pane.handle, windows_.frame.handle);
    engine_->SetMessageBar(&bar_);
    Options().MovieDir = output_.string();
    Options().MovieFile = "movie";
    Options().MovieNaming = 0;
}

void RecordingEngineTest::TearDown() {
    engine_.reset();
    CoUninitialize();
}

void RecordingEngineTest::OpenSession(CDeviceProfile* device) {
    engine_->SelectCaptureDevices(nullptr);
    ASSERT_EQ(engine_->CreateGraphSession(device), S_OK) << LastReport();
    ASSERT_TRUE(Session().VideoCaptureFilter);
    ASSERT_TRUE(Session().AudioCaptureFilter) << "the virtual card's sound is missing";
}

void RecordingEngineTest::OpenDvSession(CDeviceProfile* device) {
    device->VideoDeviceMoniker = DvCamcorderDisplayName();
    device->AudioDeviceMoniker.clear();
    engine_->SelectCaptureDevices(device);
    ASSERT_TRUE(Session().VideoCaptureMoniker) << LastReport();
    ASSERT_EQ(engine_->CreateGraphSession(device), S_OK) << LastReport();
}

HRESULT RecordingEngineTest::RecordFor(CDeviceProfile* device, CMuxProfile* mux, std::chrono::milliseconds time) {
    const HRESULT hr = engine_->StartCapture(device, mux);
    if (FAILED(hr)) return hr;
    std::this_thread::sleep_for(time);
    EXPECT_EQ(engine_->StopGraph(), S_OK);
    return hr;
}

int RecordingEngineTest::FilterCount() const {
    ComPtr<IEnumFilters> filters;
    if (FAILED(Session().Graph->EnumFilters(filters.ReleaseAndGetAddressOf()))) return -1;
    int count = 0;
    IBaseFilter* filter = nullptr;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
        ++count;
        filter->Release();
    }
    return count;
}

int RecordingEngineTest::FiltersOfClass(REFCLSID clsid) const {
    ComPtr<IEnumFilters> filters;
    if (FAILED(Session().Graph->EnumFilters(filters.ReleaseAndGetAddressOf()))) return -1;
    int count = 0;
    IBaseFilter* filter = nullptr;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
        CLSID filterClass{};
        if (SUCCEEDED(filter->GetClassID(&filterClass)) && filterClass == clsid) ++count;
        filter->Release();
    }
    return count;
}

bool RecordingEngineTest::Connected(IPin* pin) const {
    if (!pin) return false;
    ComPtr<IPin> peer;
    return SUCCEEDED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())) && peer;
}

CFilterProfile* RecordingEngineTest::AddChain(const std::string& name, std::initializer_list<const char*> filters,
                                              bool video) {
    auto chain = std::make_unique<CFilterProfile>();
    chain->Name = name;
    for (const char* filter : filters) {
        CFilterNode node;
        node.FilterName = filter;
        chain->Nodes.push_back(std::move(node));
    }
    auto& list = video ? engine_->Store().VideoFilterProfiles : engine_->Store().AudioFilterProfiles;
    list.push_back(std::move(chain));
    return list.back().get();
}
