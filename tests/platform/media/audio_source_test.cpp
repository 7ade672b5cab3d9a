#include "platform/media/virtual_card/audio_source.h"
#include "platform/media/virtual_card/tone_element.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <numbers>
#include <cstdlib>
#include <cstring>

#include "platform/media/gst_helpers.h"
#include "tests/platform/media/pipeline_harness.h"

namespace media {
namespace {

using test::FrameCollector;
using test::TestPipeline;

// Pitch of a mono 16-bit recording, from its rising zero crossings.
double MeasuredFrequency(const std::vector<test::FrameRecord>& buffers, int rate) {
    std::vector<std::int16_t> samples;
    for (const auto& b : buffers) {
        const std::size_t n = b.data.size() / 2;
        const std::size_t at = samples.size();
        samples.resize(at + n);
        std::memcpy(samples.data() + at, b.data.data(), n * 2);
    }
    int rising = 0;
    std::size_t first = 0, last = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (rising++ == 0) first = i;
            last = i;
        }
    }
    if (rising < 2) return 0;
    return (rising - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
}

class AudioSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = VirtualAudioSource::Create("virtual-tv-audio");
        ASSERT_TRUE(source_);
    }

    std::vector<test::FrameRecord> Record(int ms) {
        FrameCollector capture(1000);
        TestPipeline pipeline;
        pipeline.Add(source_->Element());
        EXPECT_TRUE(pipeline.Link(source_->CapturePad(), capture.Sink()));
        EXPECT_TRUE(pipeline.Play());
        pipeline.RunFor(ms);
        EXPECT_TRUE(pipeline.Errors().empty());
        EXPECT_TRUE(pipeline.Stop());
        caps_ = capture.CapsText();
        return capture.Frames();
    }

    std::unique_ptr<VirtualAudioSource> source_;
    std::string caps_;
};

TEST_F(AudioSourceTest, ToneFollowsTheChannel) {
    ASSERT_TRUE(source_->SetFormat({48000, 1, 16}));
    for (LONG channel : {4, 40}) {
        const double expected = ToneFrequencyForChannel(channel);
        source_->SetToneFrequency(expected);
        const double measured = MeasuredFrequency(Record(500), 48000);
        std::printf("channel %d: tone %.1f Hz, measured %.1f Hz\n", static_cast<int>(channel), expected, measured);
        EXPECT_NEAR(measured, expected, expected * 0.01);
    }
}

TEST_F(AudioSourceTest, DefaultIsLiveStereo48kInTenthsOfASecondWithContiguousSampleOffsets) {
    const auto buffers = Record(650);
    ASSERT_GE(buffers.size(), 4u);
    EXPECT_NE(caps_.find("rate=(int)48000"), std::string::npos) << caps_;
    EXPECT_NE(caps_.find("channels=(int)2"), std::string::npos) << caps_;
    EXPECT_NE(caps_.find("S16LE"), std::string::npos) << caps_;
    for (std::size_t i = 1; i < buffers.size(); ++i) {
        EXPECT_EQ(buffers[i].offset, buffers[i - 1].offsetEnd);
        EXPECT_GT(buffers[i].pts, buffers[i - 1].pts);
    }
    for (std::size_t i = 0; i + 1 < buffers.size(); ++i) {
        EXPECT_EQ(buffers[i].offsetEnd - buffers[i].offset, 4800u) << "buffer " << i;
        EXPECT_EQ(buffers[i].duration, 100 * GST_MSECOND) << "buffer " << i;
    }
    EXPECT_LE(buffers.size(), 7u) << "a live source must not run faster than real time";
}

// Ten-millisecond buffers of `format`, for checks that need many of them.
unsigned TenMilliseconds(const AudioFormat& format) {
    return static_cast<unsigned>(format.sampleRate / 100 * format.channels * 2);
}

TEST(ToneBufferSize, IsWholeFramesBetweenOneSampleAndOneSecond) {
    EXPECT_EQ(ToneSamplesPerBuffer(0, 48000, 2), 4800);
    EXPECT_EQ(ToneSamplesPerBuffer(0, 44100, 1), 4410);
    EXPECT_EQ(ToneSamplesPerBuffer(1923, 48000, 2), 480);
    EXPECT_EQ(ToneSamplesPerBuffer(1, 48000, 2), 1);
    EXPECT_EQ(ToneSamplesPerBuffer(0x7fffffffu, 48000, 2), 48000) << "a suggestion from a stored profile is not trusted";
    EXPECT_EQ(ToneSamplesPerBuffer(1920, 0, 0), 1);
}

TEST_F(AudioSourceTest, BufferSizeIsTakenInWholeSampleFramesAndOnlyWhileStopped) {
    ASSERT_TRUE(source_->SetFormat({48000, 2, 16}));
    ASSERT_TRUE(source_->SetBufferBytes(1923));  // 480 frames and 3 bytes
    const auto buffers = Record(200);
    ASSERT_GE(buffers.size(), 10u);
    for (const auto& b : buffers) EXPECT_EQ(b.size, 1920u);

    TestPipeline pipeline;
    pipeline.Add(source_->Element());
    FrameCollector capture;
    ASSERT_TRUE(pipeline.Link(source_->CapturePad(), capture.Sink()));
    ASSERT_TRUE(pipeline.Play());
    pipeline.RunFor(50);
    EXPECT_FALSE(source_->SetBufferBytes(0));
    EXPECT_TRUE(pipeline.Stop());
    EXPECT_TRUE(source_->SetBufferBytes(0));
}

// Every sample of a recording against the tone it should be: kToneVolume of full scale, the
// set pitch, phase 0 at the first sample, both channels alike; so the tone runs on unbroken
// across buffers and across the repeats of its precomputed cycle.
// A capture device hands out a buffer once it is full: never before the clock has passed the
// buffer's last sample.
TEST_F(AudioSourceTest, ABufferLeavesOnlyOnceTheClockHasPassedItsLastSample) {
    struct Seen {
        GstElement* element = nullptr;
        std::atomic<int> buffers{0};
        std::atomic<GstClockTimeDiff> earliest{G_MAXINT64};  // leaving time minus the buffer's end
    } seen;
    seen.element = source_->Element();
    GstOwned<GstPad> out(gst_element_get_static_pad(source_->Element(), "capture"));
    gst_pad_add_probe(
        out.get(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            auto* s = static_cast<Seen*>(data);
            GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            GstClock* clock = gst_element_get_clock(s->element);
            if (!clock) return GST_PAD_PROBE_OK;
            const auto running = static_cast<GstClockTimeDiff>(gst_clock_get_time(clock) - gst_element_get_base_time(s->element));
            gst_object_unref(clock);
            const auto end = static_cast<GstClockTimeDiff>(GST_BUFFER_PTS(buffer) + GST_BUFFER_DURATION(buffer));
            GstClockTimeDiff earliest = s->earliest.load();
            while (running - end < earliest && !s->earliest.compare_exchange_weak(earliest, running - end)) {
            }
            ++s->buffers;
            return GST_PAD_PROBE_OK;
        },
        &seen, nullptr);
    Record(450);
    EXPECT_GE(seen.buffers.load(), 3);
    EXPECT_GE(seen.earliest.load(), 0) << "a buffer left " << -seen.earliest.load() / 1000 << " us before its end";
}

TEST_F(AudioSourceTest, AnEndOfStreamDeliversTheSamplesCapturedUpToIt) {
    FrameCollector capture(1000);
    TestPipeline pipeline;
    pipeline.Add(source_->Element());
    ASSERT_TRUE(pipeline.Link(source_->CapturePad(), capture.Sink()));
    ASSERT_TRUE(pipeline.Play());
    pipeline.RunFor(250);
    GstClock* clock = gst_element_get_clock(pipeline.Get());
    ASSERT_NE(clock, nullptr);
    const GstClockTime sentAt = gst_clock_get_time(clock) - gst_element_get_base_time(pipeline.Get());
    gst_object_unref(clock);
    ASSERT_TRUE(gst_element_send_event(pipeline.Get(), gst_event_new_eos()));
    GstBus* bus = gst_element_get_bus(pipeline.Get());
    GstMessage* end = gst_bus_timed_pop_filtered(bus, 5 * GST_SECOND,
                                                 static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    gst_object_unref(bus);
    ASSERT_NE(end, nullptr) << "no end of stream";
    EXPECT_EQ(GST_MESSAGE_TYPE(end), GST_MESSAGE_EOS);
    gst_message_unref(end);
    EXPECT_TRUE(pipeline.Stop());

    const auto buffers = capture.Frames();
    ASSERT_GE(buffers.size(), 3u);
    for (std::size_t i = 1; i < buffers.size(); ++i) EXPECT_EQ(buffers[i].offset, buffers[i - 1].offsetEnd);
    const double lastSample = static_cast<double>(buffers.back().offsetEnd) / 48000.0;
    EXPECT_NEAR(lastSample, static_cast<double>(sentAt) / GST_SECOND, 0.015)
        << "the sound must end where the end of stream was asked for, not at a buffer's edge";
    EXPECT_EQ(buffers.back().duration, gst_util_uint64_scale_int(buffers.back().offsetEnd, GST_SECOND, 48000) -
                                           gst_util_uint64_scale_int(buffers.back().offset, GST_SECOND, 48000));
}

// Downstream sinks wait one buffer's time for the sound, so they must be told of it.
TEST_F(AudioSourceTest, ReportsOneBufferOfLatency) {
    struct Case {
        unsigned bytes;
        GstClockTime latency;
    };
    for (const Case c : {Case{0, 100 * GST_MSECOND}, Case{1920, 10 * GST_MSECOND}}) {
        ASSERT_TRUE(source_->SetBufferBytes(c.bytes));
        FrameCollector capture;
        TestPipeline pipeline;
        pipeline.Add(source_->Element());
        ASSERT_TRUE(pipeline.Link(source_->CapturePad(), capture.Sink()));
        ASSERT_TRUE(pipeline.Play());
        pipeline.RunFor(150);
        GstQuery* query = gst_query_new_latency();
        ASSERT_TRUE(gst_pad_query(source_->CapturePad(), query));
        gboolean live = FALSE;
        GstClockTime min = 0, max = 0;
        gst_query_parse_latency(query, &live, &min, &max);
        gst_query_unref(query);
        EXPECT_TRUE(live);
        EXPECT_EQ(min, c.latency) << c.bytes << " bytes";
        EXPECT_TRUE(max == GST_CLOCK_TIME_NONE || max >= min);
        EXPECT_TRUE(pipeline.Stop());
    }
}

TEST_F(AudioSourceTest, TheToneIsOneUnbrokenSineAcrossBuffersAndCycles) {
    for (const AudioFormat format : {AudioFormat{48000, 2, 16}, AudioFormat{44100, 1, 16}}) {
        ASSERT_TRUE(source_->SetFormat(format));
        ASSERT_TRUE(source_->SetBufferBytes(TenMilliseconds(format)));
        source_->SetToneFrequency(ToneFrequencyForChannel(7));  // 475 Hz: a cycle of 96 ms at 48 kHz
        const auto buffers = Record(400);
        ASSERT_GE(buffers.size(), 20u);
        ASSERT_EQ(buffers.front().offset, 0u);
        const double hertz = ToneFrequencyForChannel(7);
        int worst = 0;
        std::size_t checked = 0;
        for (const auto& b : buffers) {
            ASSERT_FALSE(b.data.empty());
            const std::size_t frames = b.data.size() / (2u * static_cast<std::size_t>(format.channels));
            for (std::size_t i = 0; i < frames; ++i) {
                const double n = static_cast<double>(b.offset + i);
                const double want = 0.4 * 32767.0 * std::sin(2.0 * std::numbers::pi * hertz * n / format.sampleRate);
                for (int c = 0; c < format.channels; ++c) {
                    std::int16_t got = 0;
                    std::memcpy(&got, b.data.data() + (i * static_cast<std::size_t>(format.channels) + static_cast<std::size_t>(c)) * 2, 2);
                    worst = std::max(worst, static_cast<int>(std::lround(std::abs(got - want))));
                }
                ++checked;
            }
        }
        EXPECT_LE(worst, 1) << format.sampleRate << " Hz";
        EXPECT_GT(checked, static_cast<std::size_t>(format.sampleRate) / 4);
    }
}

// The tone's buffers are views into one block of samples computed once, not filled anew.
TEST_F(AudioSourceTest, BuffersShareTheSamplesOfOneCycle) {
    struct Seen {
        std::mutex mutex;
        std::vector<GstMemory*> parents;  // compared by address only
    } seen;
    GstOwned<GstPad> out(gst_element_get_static_pad(source_->Element(), "capture"));
    gst_pad_add_probe(
        out.get(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            auto* s = static_cast<Seen*>(data);
            GstMemory* memory = gst_buffer_peek_memory(GST_PAD_PROBE_INFO_BUFFER(info), 0);
            std::lock_guard lock(s->mutex);
            // A view shares the block it was cut from: its memory has that block as parent.
            s->parents.push_back(memory->parent);
            return GST_PAD_PROBE_OK;
        },
        &seen, nullptr);
    ASSERT_TRUE(source_->SetBufferBytes(TenMilliseconds(source_->Format())));
    Record(300);
    std::lock_guard lock(seen.mutex);
    ASSERT_GE(seen.parents.size(), 10u);
    EXPECT_NE(seen.parents.front(), nullptr);
    for (GstMemory* parent : seen.parents) EXPECT_EQ(parent, seen.parents.front());
}

TEST_F(AudioSourceTest, FormatMustBeACapability) {
    EXPECT_FALSE(source_->SetFormat({22050, 2, 16}));
    EXPECT_FALSE(source_->SetFormat({48000, 2, 8}));
    EXPECT_TRUE(source_->SetFormat({44100, 1, 16}));
    Record(200);
    EXPECT_NE(caps_.find("rate=(int)44100"), std::string::npos) << caps_;
}

// The loudest sample of a 16-bit recording.
int Peak(const std::vector<test::FrameRecord>& buffers) {
    int peak = 0;
    for (const auto& b : buffers) {
        for (std::size_t i = 0; i + 1 < b.data.size(); i += 2) {
            std::int16_t sample = 0;
            std::memcpy(&sample, b.data.data() + i, 2);
            peak = std::max(peak, std::abs(static_cast<int>(sample)));
        }
    }
    return peak;
}

TEST_F(AudioSourceTest, MutingSilencesTheSamplesAndUnmutingBringsTheToneBack) {
    const auto loud = Record(200);
    ASSERT_FALSE(loud.empty());
    EXPECT_GT(Peak(loud), 10000);  // the tone at 0.4 of full scale

    source_->SetMuted(true);
    EXPECT_TRUE(source_->Muted());
    const auto muted = Record(200);
    ASSERT_FALSE(muted.empty());
    EXPECT_EQ(Peak(muted), 0);

    source_->SetMuted(false);
    EXPECT_FALSE(source_->Muted());
    EXPECT_GT(Peak(Record(200)), 10000);
}

TEST_F(AudioSourceTest, DisappearingPostsDeviceLost) {
    FrameCollector capture;  // outlives the pipeline that feeds it
    TestPipeline pipeline;
    pipeline.Add(source_->Element());
    ASSERT_TRUE(pipeline.Link(source_->CapturePad(), capture.Sink()));
    ASSERT_TRUE(pipeline.Play());
    pipeline.RunFor(200);
    source_->Disappear();
    pipeline.RunFor(100);
    const std::size_t afterLoss = capture.Frames().size();
    pipeline.RunFor(200);
    EXPECT_EQ(pipeline.DeviceLostMessages(), 1);
    EXPECT_EQ(capture.Frames().size(), afterLoss);
    EXPECT_TRUE(pipeline.Stop());
}

}  // namespace
}  // namespace media
