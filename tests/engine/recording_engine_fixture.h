// An engine on the virtual TV card for recording tests: the two filter modules registered in
// a private registry, a private profile directory, an output directory of its own, and the
// ways to record for a while and read back what was written.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/capture_engine.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/temp_environment.h"

class RecordingEngineTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const GraphSession& Session() const { return engine_->Session(); }
    COptionProfile& Options() { return engine_->Store().Options; }
    // The first video and audio devices (the virtual TV card and its sound), with `device`'s
    // pin orders.
    void OpenSession(CDeviceProfile* device);
    // The virtual DV camcorder alone.
    void OpenDvSession(CDeviceProfile* device);
    // Runs the built recording for `time`, then stops it. Returns StartCapture's result.
    HRESULT RecordFor(CDeviceProfile* device, CMuxProfile* mux, std::chrono::milliseconds time);
    // Filters of the graph, and of one class.
    int FilterCount() const;
    int FiltersOfClass(REFCLSID clsid) const;
    bool Connected(IPin* pin) const;
    std::string LastReport() const { return bar_.lines.empty() ? "(no report)" : bar_.lines.back(); }
    // A filter profile of one node per friendly name, added to the store's video or audio list.
    CFilterProfile* AddChain(const std::string& name, std::initializer_list<const char*> filters, bool video);

    TempEnvironment environment_;
    std::filesystem::path output_;
    FakeFrame windows_;
    RecordingMessageBar bar_;
    std::unique_ptr<CCaptureEngine> engine_;
};

std::string DvCamcorderDisplayName();
