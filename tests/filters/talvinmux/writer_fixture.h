// A private directory and a synthetic stream for the AVI writer's tests: uncompressed RGB32
// frames at 25 per second, each with its frame number in its first four bytes, and 16-bit
// stereo PCM at 48 kHz, one chunk per frame.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "filters/talvinmux/avi_writer.h"
#include "platform/media/format_blocks.h"
#include "platform/media/gst_helpers.h"

namespace talvinmux::test {

inline constexpr double kFps = 25.0;
inline constexpr std::int64_t kFrameTime = 400000;
inline constexpr std::uint32_t kAudioBytesPerFrame = 48000 / 25 * 4;

inline std::uint32_t FrameBytes(int width, int height) { return static_cast<std::uint32_t>(width * height * 4); }

class WriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(media::EnsureGstStarted());
        std::string pattern = (std::filesystem::temp_directory_path() / "talvinmux-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Base() const { return (dir_ / "rec").string(); }

    WriterConfig Config(FileLayout layout, int width = 64, int height = 48) const {
        WriterConfig config;
        config.layout = layout;
        config.baseName = Base();
        VideoStreamFormat video;
        BITMAPINFOHEADER bmi{};
        bmi.biSize = sizeof bmi;
        bmi.biWidth = width;
        bmi.biHeight = height;
        bmi.biPlanes = 1;
        bmi.biBitCount = 32;
        bmi.biCompression = BI_RGB;
        bmi.biSizeImage = FrameBytes(width, height);
        video.bitmapInfo.resize(sizeof bmi);
        std::memcpy(video.bitmapInfo.data(), &bmi, sizeof bmi);
        video.rate = 25;
        video.scale = 1;
        config.video = video;
        AudioStreamFormat audio;
        WAVEFORMATEX wfx{WAVE_FORMAT_PCM, 2, 48000, 48000 * 4, 4, 16, 0};
        audio.waveFormat.resize(sizeof wfx);
        std::memcpy(audio.waveFormat.data(), &wfx, sizeof wfx);
        config.audio = audio;
        return config;
    }

    // Frame `number` and, with audio, its chunk of sound: the first result that is not S_OK.
    HRESULT WriteFrame(AviWriter& writer, int number, int width = 64, int height = 48, bool withAudio = true) {
        frame_.resize(FrameBytes(width, height));
        const auto stamp = static_cast<std::uint32_t>(number);
        std::memcpy(frame_.data(), &stamp, sizeof stamp);
        Chunk video{frame_.data(), static_cast<std::uint32_t>(frame_.size()), number % keyFrameInterval_ == 0,
                    number * kFrameTime, (number + 1) * kFrameTime};
        HRESULT hr = writer.Write(StreamKind::Video, video);
        if (hr != S_OK || !withAudio) return hr;
        sound_.resize(kAudioBytesPerFrame);
        Chunk audio{sound_.data(), kAudioBytesPerFrame, true, number * kFrameTime, (number + 1) * kFrameTime};
        return writer.Write(StreamKind::Audio, audio);
    }

    // Writes frames until the writer refuses one or `frames` are written: the video frames written.
    int WriteUntilEnded(AviWriter& writer, int frames, int width = 64, int height = 48, bool withAudio = true) {
        int written = 0;
        for (int i = 0; i < frames; ++i) {
            const std::uint64_t before = writer.VideoChunks();
            const HRESULT hr = WriteFrame(writer, i, width, height, withAudio);
            written += static_cast<int>(writer.VideoChunks() - before);
            if (hr != S_OK) break;
        }
        return written;
    }

    std::filesystem::path dir_;
    FrameIndex index_;
    int keyFrameInterval_ = 1;
    std::vector<std::uint8_t> frame_, sound_;
};

}  // namespace talvinmux::test
