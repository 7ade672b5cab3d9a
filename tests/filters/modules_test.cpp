// Both modules end to end: registered with regsvr into a temporary registry, created by
// class identifier, and run inside real GStreamer pipelines on the virtual TV card.
#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/module_interfaces.h"
#include "platform/com/com_runtime.h"
#include "platform/com/wide_text.h"
#include "platform/media/base/clock_adapter.h"
#include "platform/media/interfaces/property_pages.h"
#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/control.h"
#include "platform/media/interfaces/gst_filter.h"
#include "platform/media/virtual_card/video_source.h"
#include "platform/registry/registry.h"
#include "tests/platform/media/pipeline_harness.h"
#include "tests/support/temp_environment.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

int RunRegsvr(const std::string& arguments) {
    const std::string command = std::string("'") + QD_REGSVR_PATH + "' " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

class ModulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        gst_init(nullptr, nullptr);
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ASSERT_EQ(0, RunRegsvr(Quoted(QD_STAMPFIX_PATH)));
        ASSERT_EQ(0, RunRegsvr(Quoted(QD_METRONEL_PATH)));
    }
    void TearDown() override {
        CoFreeUnusedLibraries();
        CoUninitialize();
    }

    std::string Hive() {
        std::string text;
        EXPECT_EQ(ERROR_SUCCESS, RegExportHiveText(HKEY_CLASSES_ROOT, &text));
        return text;
    }

    TempEnvironment environment;
};

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

TEST_F(ModulesTest, RegistrationWritesServersAndOneFilterEntry) {
    ASSERT_EQ(0, RunRegsvr(Quoted(QD_STAMPFIX_PATH)));  // twice: still one entry
    const std::string hive = Hive();
    const std::string stampfix = GuidToString(CLSID_Stampfix);
    const std::string entry = "CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\" + stampfix + "]";
    EXPECT_EQ(1u, Count(hive, entry)) << hive;
    EXPECT_THAT(hive, HasSubstr("[HKEY_CLASSES_ROOT\\CLSID\\" + stampfix + "]\n@=\"Talvin Stampfix\""));
    EXPECT_THAT(hive, HasSubstr("@=\"Talvin Stampfix Property Page\""));
    EXPECT_THAT(hive, HasSubstr("@=\"Talvin Clock\""));
    EXPECT_THAT(hive, HasSubstr("\"ThreadingModel\"=\"Both\""));
    EXPECT_THAT(hive, HasSubstr(std::filesystem::canonical(QD_STAMPFIX_PATH).string()));
    EXPECT_THAT(hive, HasSubstr("\"FriendlyName\"=\"Talvin Stampfix\""));
    // The clock is in no filter category.
    EXPECT_THAT(hive, Not(HasSubstr("Instance\\" + GuidToString(CLSID_TalvinClock))));
    // FilterData: version 2, merit 0x200000, two pins (input, then output with flag 8).
    EXPECT_THAT(hive, HasSubstr("\"FilterData\"=hex:02,00,00,00,00,00,20,00,02,00,00,00,00,00,00,00"));

    ASSERT_EQ(0, RunRegsvr("-u " + Quoted(QD_STAMPFIX_PATH)));
    ASSERT_EQ(0, RunRegsvr("-u " + Quoted(QD_STAMPFIX_PATH)));  // a missing entry is no failure
    EXPECT_THAT(Hive(), Not(HasSubstr(stampfix)));
}

TEST_F(ModulesTest, ObjectsAreCreatedByClassIdentifier) {
    ComPtr<IStampfix> stampfix;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Stampfix, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(stampfix.ReleaseAndGetAddressOf())));
    REFERENCE_TIME interval = 0;
    BOOL fixed = TRUE;
    EXPECT_EQ(S_OK, stampfix->get_TimePerFrame(&interval, &fixed));
    EXPECT_EQ(333667, interval);
    ComPtr<IPropertyPage> page;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_StampfixPropertyPage, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(page.ReleaseAndGetAddressOf())));
    ComPtr<IReferenceClock> clock;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_TalvinClock, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(clock.ReleaseAndGetAddressOf())));
    ComPtr<ITalvinClock> talvin;
    ASSERT_EQ(S_OK, clock.As(&talvin));
    EXPECT_EQ(S_OK, talvin->put_Speed(2.0, TRUE));
    ComPtr<IUnknown> outer;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(CLSID_TalvinClock, clock.Get(), CLSCTX_INPROC_SERVER,
                                                       IID_PPV_ARGS(outer.ReleaseAndGetAddressOf())));
}

// Virtual card with jittered stamps and dropped frames -> Stampfix -> appsink.
TEST_F(ModulesTest, StampfixRegularisesAJitteryCaptureInAPipeline) {
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Stampfix, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(filter.ReleaseAndGetAddressOf())));
    ComPtr<IGstFilter> element;
    ASSERT_EQ(S_OK, filter.As(&element));

    auto source = media::VirtualVideoSource::Create("virtual-tv");
    ASSERT_TRUE(source);
    source->Gate().SetJitter(8'000'000);  // ±8 ms
    source->Gate().DropFrames(0);
    media::test::FrameCollector sink;
    {
        media::test::TestPipeline pipeline;
        pipeline.Add(source->Element());
        pipeline.Add(element->GetElement());
        GstPad* input = gst_element_get_static_pad(element->GetElement(), "sink");
        GstPad* output = gst_element_get_static_pad(element->GetElement(), "src");
        ASSERT_EQ(GST_PAD_LINK_OK, gst_pad_link(source->CapturePad(), input));
        ASSERT_TRUE(pipeline.Link(output, sink.Sink()));
        gst_object_unref(input);
        gst_object_unref(output);
        ASSERT_TRUE(pipeline.Play());
        pipeline.RunFor(400);
        source->Gate().DropFrames(3);
        pipeline.RunFor(800);
        for (const auto& error : pipeline.Errors()) ADD_FAILURE() << error;
        EXPECT_TRUE(pipeline.Stop());
    }
    const auto frames = sink.Frames();
    ASSERT_GE(frames.size(), 20u);
    // The card runs at 30000/1001 frames per second: the format's interval, in 100 ns.
    constexpr GstClockTime kIntervalNs = 333667 * 100;
    bool sawGap = false;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        const GstClockTime gap = frames[i].pts - frames[i - 1].pts;
        const std::uint64_t skipped = frames[i].offset - frames[i - 1].offset;
        EXPECT_EQ(skipped * kIntervalNs, gap) << "frame " << i;
        EXPECT_EQ(kIntervalNs, frames[i].duration);
        sawGap |= skipped > 1;
    }
    EXPECT_TRUE(sawGap) << "dropped frames must leave gaps of whole intervals";
}

// Frames delivered by a live source synchronised to a pipeline clocked by the adjustable clock.
double FramesPerSecond(IReferenceClock* clock, int milliseconds) {
    auto source = media::VirtualVideoSource::Create("virtual-tv");
    media::test::FrameCollector sink;
    media::test::TestPipeline pipeline;
    GstClock* adapter = media::CreateGstClockForReferenceClock(clock);
    gst_pipeline_use_clock(GST_PIPELINE(pipeline.Get()), adapter);
    pipeline.Add(source->Element());
    g_object_set(sink.Sink(), "sync", TRUE, nullptr);
    pipeline.Link(source->CapturePad(), sink.Sink());
    pipeline.Play();
    pipeline.RunFor(200);  // settle
    const std::size_t before = sink.Frames().size();
    pipeline.RunFor(milliseconds);
    const std::size_t after = sink.Frames().size();
    pipeline.Stop();
    gst_object_unref(adapter);
    return static_cast<double>(after - before) * 1000.0 / milliseconds;
}

class ClockRateTest : public ModulesTest, public ::testing::WithParamInterface<double> {};

TEST_P(ClockRateTest, PipelineRunsAtTheClocksSpeed) {
    ComPtr<IReferenceClock> clock;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_TalvinClock, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(clock.ReleaseAndGetAddressOf())));
    ComPtr<ITalvinClock> talvin;
    ASSERT_EQ(S_OK, clock.As(&talvin));
    talvin->put_Speed(GetParam(), TRUE);
    const double rate = FramesPerSecond(clock.Get(), 1500);
    const double expected = 29.97 * GetParam();
    std::printf("clock speed %.1f: %.1f frames/s (expected %.1f)\n", GetParam(), rate, expected);
    EXPECT_NEAR(expected, rate, expected * 0.2);
}

INSTANTIATE_TEST_SUITE_P(Speeds, ClockRateTest, ::testing::Values(1.0, 2.0));

TEST_F(ModulesTest, StampfixJoinsAFilterGraph) {
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(graph.ReleaseAndGetAddressOf())));
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Stampfix, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(filter.ReleaseAndGetAddressOf())));
    ASSERT_EQ(S_OK, graph->AddFilter(filter.Get(), nullptr));
    FILTER_INFO info{};
    ASSERT_EQ(S_OK, filter->QueryFilterInfo(&info));
    EXPECT_EQ(static_cast<IFilterGraph*>(graph.Get()), info.pGraph);
    if (info.pGraph) info.pGraph->Release();
    ComPtr<IPin> input;
    EXPECT_EQ(S_OK, filter->FindPin(u"Input", input.ReleaseAndGetAddressOf()));
    EXPECT_EQ(S_OK, graph->RemoveFilter(filter.Get()));
}

}  // namespace
