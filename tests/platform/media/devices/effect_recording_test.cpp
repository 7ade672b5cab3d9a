// A chain of two video effects in a recording graph: the card's picture passes both, joined by
// the graph's Connect with a converter where their formats do not meet, into an AVI file that a
// player reads.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/com/wide_text.h"
#include "platform/media/interfaces/clsids.h"
#include "tests/platform/media/devices/recording_fixture.h"

namespace media::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class EffectRecordingTest : public RecordingTest {
protected:
    ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
        ComPtr<IPin> pin;
        builder_->FindPin(filter, direction, nullptr, nullptr, FALSE, 0, pin.ReleaseAndGetAddressOf());
        return pin;
    }
};

TEST_F(EffectRecordingTest, TwoEffectsWithAConverterBetweenThemRecordAPlayableFile) {
    SetCaptureSize(320, 240);
    const fs::path file = dir_ / "effects.avi";
    ASSERT_EQ(S_OK, builder_->SetOutputFileName(&MEDIASUBTYPE_Avi, Utf8ToWide(file.string()).c_str(),
                                                mux_.ReleaseAndGetAddressOf(), sink_.ReleaseAndGetAddressOf()));
    auto balance = AddBound(u"@device:sw:videobalance");
    auto median = AddBound(u"@device:sw:videomedian");
    ASSERT_TRUE(balance && median);
    ASSERT_EQ(S_OK, graph_->Connect(CapturePin(video_.Get(), MEDIATYPE_Video).Get(), FirstPin(balance.Get(), PINDIR_INPUT).Get()));
    auto balanceOut = FirstPin(balance.Get(), PINDIR_OUTPUT);
    auto medianIn = FirstPin(median.Get(), PINDIR_INPUT);
    // The picture controls pass the card's packed format on; the median filter takes planar
    // formats only, so only a converter joins them.
    ASSERT_TRUE(FAILED(graph_->ConnectDirect(balanceOut.Get(), medianIn.Get(), nullptr)));
    ASSERT_EQ(S_OK, graph_->Connect(balanceOut.Get(), medianIn.Get()));
    ASSERT_EQ(S_OK, graph_->Connect(FirstPin(median.Get(), PINDIR_OUTPUT).Get(), PinNamed(mux_.Get(), u"Input 01").Get()));
    ASSERT_EQ(S_OK, builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio_.Get(), nullptr, mux_.Get()));

    ASSERT_TRUE(SUCCEEDED(control_->Run()));
    EXPECT_EQ(S_OK, WatchFor(3000ms));
    EXPECT_EQ(S_OK, control_->Stop());

    const Discovered found = Discover(file);
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(1, found.videoStreams);
    EXPECT_EQ(1, found.audioStreams);
    EXPECT_EQ(320, found.width);
    EXPECT_EQ(240, found.height);
    int width = 0, height = 0;
    double fps = 0;
    CaptureFormat(&width, &height, &fps);
    const AviChunks chunks = WalkAvi(file);
    EXPECT_NEAR(3 * fps, chunks.videoFrames, 8);
    const Decoded decoded = DecodeFile(file);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(chunks.videoFrames, decoded.videoFrames);
    EXPECT_NEAR(chunks.videoFrames / fps, decoded.audioSeconds, 0.1);
}

}  // namespace
}  // namespace media::test
