#include <gtest/gtest.h>

#include <functional>

#include "engine/capture_engine.h"

namespace {

struct Difference {
    const char* name;
    std::function<void(CDeviceProfile&)> change;
    int expected;
};

class CompareDeviceProfilesTest : public testing::TestWithParam<Difference> {};

TEST_P(CompareDeviceProfilesTest, DifferenceDecides) {
    CDeviceProfile current, next;
    GetParam().change(next);
    EXPECT_EQ(CCaptureEngine::CompareDeviceProfiles(&current, &next), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CompareDeviceProfilesTest,
    testing::Values(
        Difference{"VideoDeviceMoniker", [](CDeviceProfile& p) { p.VideoDeviceMoniker = "@device:x"; }, 1},
        Difference{"AudioDeviceMoniker", [](CDeviceProfile& p) { p.AudioDeviceMoniker = "@device:y"; }, 1},
        Difference{"PreviewPinTypeOrder", [](CDeviceProfile& p) { p.PreviewPinTypeOrder = 2; }, 1},
        Difference{"CapturePinTypeOrder", [](CDeviceProfile& p) { p.CapturePinTypeOrder = 1; }, 1},
        Difference{"AllocatorEnable", [](CDeviceProfile& p) { p.Allocators[AudioPreviewPin].AllocatorEnable = 1; }, 1},
        Difference{"DvInfoMask", [](CDeviceProfile& p) { p.DvInfoMask[15] = 0xFF; }, 1},
        Difference{"PreviewVideoFilterName", [](CDeviceProfile& p) { p.PreviewVideoFilterName = "chain"; }, 2},
        Difference{"PreviewAudioFilterName", [](CDeviceProfile& p) { p.PreviewAudioFilterName = "chain"; }, 2},
        Difference{"PreviewQuality", [](CDeviceProfile& p) { p.Compression[VideoPreviewPin].Quality = 0.5; }, 2},
        Difference{"CaptureWindowSize", [](CDeviceProfile& p) { p.Compression[VideoCapturePin].WindowSize = 1ull << 40; }, 2},
        Difference{"CaptureSetQuality", [](CDeviceProfile& p) { p.Compression[VideoCapturePin].SetQuality = 1; }, 2},
        Difference{"PreviewVideoMode", [](CDeviceProfile& p) { p.PreviewVideoMode = 2; }, 2},
        Difference{"PreviewAudioMode", [](CDeviceProfile& p) { p.PreviewAudioMode = 1; }, 2},
        Difference{"PreviewCCMode", [](CDeviceProfile& p) { p.PreviewCCMode = 1; }, 2},
        Difference{"PreviewNoVideoPort", [](CDeviceProfile& p) { p.PreviewNoVideoPort = 1; }, 2},
        Difference{"PreviewViaCapturePin", [](CDeviceProfile& p) { p.PreviewViaCapturePin = 1; }, 2},
        Difference{"PreviewVideoTimestamped", [](CDeviceProfile& p) { p.PreviewVideoTimestamped = 1; }, 2},
        Difference{"PreviewAudioTimestamped", [](CDeviceProfile& p) { p.PreviewAudioTimestamped = 1; }, 2},
        // The session difference wins over a graph difference.
        Difference{"SessionBeforeGraph",
                   [](CDeviceProfile& p) {
                       p.PreviewVideoMode = 2;
                       p.CapturePinTypeOrder = 2;
                   },
                   1},
        // Fields that need neither.
        Difference{"NameOnly", [](CDeviceProfile& p) { p.Name = "other"; }, 0},
        Difference{"Capture side", [](CDeviceProfile& p) { p.CaptureVideoMode = 4; }, 0},
        Difference{"AllocatorSizes", [](CDeviceProfile& p) { p.Allocators[VideoCapturePin].Allocator.cBuffers = 8; }, 0}),
    [](const testing::TestParamInfo<Difference>& param) {
        std::string name = param.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(CompareDeviceProfiles, NullProfiles) {
    CDeviceProfile profile;
    EXPECT_EQ(CCaptureEngine::CompareDeviceProfiles(&profile, nullptr), 0);
    EXPECT_EQ(CCaptureEngine::CompareDeviceProfiles(nullptr, nullptr), 0);
    EXPECT_EQ(CCaptureEngine::CompareDeviceProfiles(nullptr, &profile), 1);
    EXPECT_EQ(CCaptureEngine::CompareDeviceProfiles(&profile, &profile), 0);
}

}  // namespace
