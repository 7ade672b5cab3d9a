// Chain filters and effects in running graphs, joined by the graph's Connect with converters
// where their formats do not meet.
#include <gtest/gtest.h>

#include "platform/com/stream.h"
#include "platform/com/wide_text.h"
#include "platform/media/interfaces/element_settings.h"
#include "tests/platform/media/codecs/codec_fixture.h"

namespace media::test {
namespace {

class EffectChainTest : public CodecGraphTest {};

TEST_F(EffectChainTest, TwoVideoEffectsWithAConverterBetweenRun) {
    auto source = AddBound(u"@device:virtual:tv-card");
    auto balance = AddBound(u"@device:sw:videobalance");
    auto median = AddBound(u"@device:sw:videomedian");
    auto renderer = AddNullRenderer();
    ASSERT_TRUE(source && balance && median && renderer);
    ASSERT_EQ(S_OK, graph->Connect(PinNamed(source.Get(), u"Capture").Get(), FirstPin(balance.Get(), PINDIR_INPUT).Get()));
    auto balanceOut = FirstPin(balance.Get(), PINDIR_OUTPUT);
    auto medianIn = FirstPin(median.Get(), PINDIR_INPUT);
    // The card's packed format passes through the picture controls; the median filter takes
    // planar formats only, so only a converter joins them.
    EXPECT_TRUE(FAILED(graph->ConnectDirect(balanceOut.Get(), medianIn.Get(), nullptr)));
    ASSERT_EQ(S_OK, graph->Connect(balanceOut.Get(), medianIn.Get()));
    auto medianOut = FirstPin(median.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(S_OK, graph->Connect(medianOut.Get(), FirstPin(renderer.Get(), PINDIR_INPUT).Get()));
    AM_MEDIA_TYPE out{}, in{};
    ASSERT_EQ(S_OK, balanceOut->ConnectionMediaType(&out));
    ASSERT_EQ(S_OK, medianIn->ConnectionMediaType(&in));
    EXPECT_NE(GuidToString(out.subtype), GuidToString(in.subtype));
    FreeMediaType(out);
    FreeMediaType(in);

    BufferCounter counter(medianOut.Get());
    std::string error;
    EXPECT_TRUE(RunUntil([&] { return counter.Buffers() >= 10; }, 6000, &error)) << error;
    EXPECT_EQ("video/x-raw", counter.CapsName());
}

TEST_F(EffectChainTest, TwoAudioEffectsRun) {
    auto source = AddBound(u"@device:virtual:tv-card-audio");
    auto echo = AddBound(u"@device:dmo:audioecho");
    auto dynamic = AddBound(u"@device:sw:audiodynamic");
    auto renderer = AddNullRenderer();
    ASSERT_TRUE(source && echo && dynamic && renderer);
    ASSERT_EQ(S_OK, graph->Connect(PinNamed(source.Get(), u"Capture").Get(), FirstPin(echo.Get(), PINDIR_INPUT).Get()));
    ASSERT_EQ(S_OK, graph->Connect(FirstPin(echo.Get(), PINDIR_OUTPUT).Get(), FirstPin(dynamic.Get(), PINDIR_INPUT).Get()));
    auto out = FirstPin(dynamic.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(S_OK, graph->Connect(out.Get(), FirstPin(renderer.Get(), PINDIR_INPUT).Get()));
    BufferCounter counter(out.Get());
    std::string error;
    EXPECT_TRUE(RunUntil([&] { return counter.Buffers() >= 10; }, 6000, &error)) << error;
}

struct EffectCase {
    const char16_t* name;
    const char16_t* source;
};

class EveryEffectTest : public CodecGraphTest, public ::testing::WithParamInterface<EffectCase> {};

TEST_P(EveryEffectTest, RunsOnTheCard) {
    auto source = AddBound(GetParam().source);
    auto effect = AddBound(GetParam().name);
    auto renderer = AddNullRenderer();
    ASSERT_TRUE(source && effect && renderer);
    ASSERT_EQ(S_OK, graph->Connect(PinNamed(source.Get(), u"Capture").Get(), FirstPin(effect.Get(), PINDIR_INPUT).Get()));
    auto out = FirstPin(effect.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(S_OK, graph->Connect(out.Get(), FirstPin(renderer.Get(), PINDIR_INPUT).Get()));
    BufferCounter counter(out.Get());
    std::string error;
    EXPECT_TRUE(RunUntil([&] { return counter.Buffers() >= 5; }, 6000, &error)) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Effects, EveryEffectTest,
    ::testing::Values(EffectCase{u"@device:sw:videobalance", u"@device:virtual:tv-card"},
                      EffectCase{u"@device:sw:deinterlace", u"@device:virtual:tv-card"},
                      EffectCase{u"@device:sw:videoflip", u"@device:virtual:tv-card"},
                      EffectCase{u"@device:sw:gamma", u"@device:virtual:tv-card"},
                      EffectCase{u"@device:sw:videomedian", u"@device:virtual:tv-card"},
                      EffectCase{u"@device:sw:timeoverlay", u"@device:virtual:tv-card"},
                      EffectCase{u"@device:sw:textoverlay", u"@device:virtual:tv-card"},
                      EffectCase{u"@device:sw:audioamplify", u"@device:virtual:tv-card-audio"},
                      EffectCase{u"@device:sw:equalizer-10bands", u"@device:virtual:tv-card-audio"},
                      EffectCase{u"@device:sw:audiodynamic", u"@device:virtual:tv-card-audio"},
                      EffectCase{u"@device:sw:audioecho", u"@device:virtual:tv-card-audio"},
                      EffectCase{u"@device:sw:audiopanorama", u"@device:virtual:tv-card-audio"},
                      EffectCase{u"@device:dmo:webrtcdsp", u"@device:virtual:tv-card-audio"}),
    [](const auto& param) {
        std::string name = WideToUtf8(param.param.name);
        name = name.substr(name.rfind(':') + 1);
        for (char& ch : name)
            if (ch == '-') ch = '_';
        return name;
    });

TEST_F(EffectChainTest, AnEffectKeepsItsSettingsThroughItsImage) {
    auto first = AddBound(u"@device:sw:audioamplify");
    auto second = AddBound(u"@device:dmo:audioamplify");
    ASSERT_TRUE(first && second);
    GstElement* a = As<IElementSettings>(first.Get())->GetSettingsElement();
    GstElement* b = As<IElementSettings>(second.Get())->GetSettingsElement();
    g_object_set(a, "amplification", 2.5f, nullptr);
    auto persist = As<IPersistStream>(first.Get());
    ComPtr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf());
    ASSERT_EQ(S_OK, persist->Save(stream.Get(), TRUE));
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(S_OK, As<IPersistStream>(second.Get())->Load(stream.Get()));
    gfloat amplification = 0;
    g_object_get(b, "amplification", &amplification, nullptr);
    EXPECT_FLOAT_EQ(2.5f, amplification);
    CLSID one{}, other{};
    persist->GetClassID(&one);
    As<IPersistStream>(second.Get())->GetClassID(&other);
    EXPECT_EQ(one, other);
}

}  // namespace
}  // namespace media::test
