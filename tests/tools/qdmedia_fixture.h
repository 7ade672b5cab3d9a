// A private working directory for running the qdmedia tool on the virtual devices, with the
// splitting multiplexer's module registered on demand.
#pragma once

#include <gtest/gtest.h>

#include "platform/media/gst.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "platform/com/wide_text.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/gst_helpers.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/media/interfaces/stream_config.h"
#include "tests/platform/media/devices/device_fixture.h"

namespace media::test {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string output;
};

// The number after "label: " in the tool's output, or -1.
inline long CountAfter(const std::string& output, const std::string& label) {
    std::smatch match;
    if (!std::regex_search(output, match, std::regex(label + ": (\\d+)"))) return -1;
    return std::stol(match[1]);
}

class QdmediaTool : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        char pattern[] = "/tmp/qd-qdmedia-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
        DeviceTest::TearDown();
    }

    // The tool in the temporary directory, its output and error text together. Its own leak
    // report is off: the test judges what it writes, not how the process ends.
    ToolRun Run(const std::string& arguments) { return Shell(QDMEDIA_TOOL " " + arguments); }

    // The splitting multiplexer's module registered in the test's own registry.
    ToolRun RegisterSplittingMultiplexer() {
        EXPECT_TRUE(EnsureGstStarted());  // for reading the files back
        return Shell(QD_REGSVR_TOOL " " QD_TALVINMUX_MODULE);
    }

    ToolRun Shell(const std::string& tool) {
        const std::string command = "cd '" + dir_.string() + "' && ASAN_OPTIONS=detect_leaks=0 " + tool + " 2>&1";
        ToolRun run;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return run;
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, n);
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    // The card's capture format: frame size.
    void CardFrameSize(int* width, int* height) {
        ComPtr<IBaseFilter> card = Bind(kVirtualTvCardName);
        ASSERT_TRUE(card);
        ComPtr<IPin> capture = PinNamed(card.Get(), u"Capture");
        ASSERT_TRUE(capture);
        AM_MEDIA_TYPE* type = nullptr;
        ASSERT_EQ(S_OK, As<IAMStreamConfig>(capture.Get())->GetFormat(&type));
        const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
        *width = info->bmiHeader.biWidth;
        *height = std::abs(info->bmiHeader.biHeight);
        DeleteMediaType(type);
    }

    std::string CardName() {
        for (const auto& m : Monikers(CLSID_VideoInputDeviceCategory))
            if (DisplayName(m.Get()) == kVirtualTvCardName) return WideToUtf8(FriendlyName(m.Get()));
        return {};
    }

    fs::path dir_;
};

}  // namespace media::test
