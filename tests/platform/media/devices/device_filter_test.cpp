// The filter for the machine's own devices, run on a stand-in GstDevice whose element is
// videotestsrc or audiotestsrc: formats from the device's caps, the chosen format reaching
// the stream, frame counts, and the interfaces such a device lacks.
#include <gtest/gtest.h>

#include "platform/media/gst.h"

#include "platform/media/capture_filters/capture_filters.h"
#include "platform/media/capture_filters/v4l2_crossbar.h"
#include "platform/media/interfaces/gst_filter.h"
#include "tests/platform/media/devices/device_fixture.h"
#include "tests/platform/media/pipeline_harness.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/stream_config.h"
#include "platform/media/interfaces/tv_hardware.h"

extern "C" {
struct StandInDevice {
    GstDevice parent;
};
struct StandInDeviceClass {
    GstDeviceClass parentClass;
};
}

G_DEFINE_TYPE(StandInDevice, stand_in_device, GST_TYPE_DEVICE)

static GstElement* StandInCreateElement(GstDevice* device, const gchar* name) {
    const bool video = gst_device_has_classes(device, "Video/Source");
    GstElement* e = gst_element_factory_make(video ? "videotestsrc" : "audiotestsrc", name);
    if (e) g_object_set(e, "is-live", TRUE, nullptr);
    return e;
}

static void stand_in_device_class_init(StandInDeviceClass* klass) {
    GST_DEVICE_CLASS(klass)->create_element = StandInCreateElement;
}
static void stand_in_device_init(StandInDevice*) {}

namespace media::test {
namespace {

GstDevice* NewDevice(const char* deviceClass, const char* caps) {
    GstCaps* c = gst_caps_from_string(caps);
    auto* device = GST_DEVICE(g_object_new(stand_in_device_get_type(), "caps", c, "device-class", deviceClass,
                                           "display-name", "Stand-in Camera", nullptr));
    gst_caps_unref(c);
    return device;
}

class DeviceFilterTest : public DeviceTest {};

TEST_F(DeviceFilterTest, FormatsComeFromTheDeviceCapsAndTheChosenOneIsStreamed) {
    GstDevice* device = NewDevice("Video/Source",
                                  "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, "
                                  "framerate=(fraction){ 30/1, 15/1 }; "
                                  "video/x-raw, format=(string)YUY2, width=(int)320, height=(int)240, "
                                  "framerate=(fraction)[ 5/1, 60/1 ]; "
                                  "video/x-bayer, width=(int)640, height=(int)480");
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, CreateDeviceCaptureFilter(device, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()));
    gst_object_unref(device);

    FILTER_INFO info{};
    ASSERT_EQ(S_OK, filter->QueryFilterInfo(&info));
    EXPECT_EQ(std::u16string(u"Stand-in Camera"), std::u16string(info.achName));
    ComPtr<IPin> pin = PinNamed(filter.Get(), u"Capture");
    ASSERT_TRUE(pin);
    EXPECT_EQ(PIN_CATEGORY_CAPTURE, PinCategory(pin.Get()));
    EXPECT_FALSE(As<IAMVideoProcAmp>(filter.Get())) << "videotestsrc has no picture controls";
    EXPECT_FALSE(As<IAMCrossbar>(filter.Get()));
    EXPECT_FALSE(PinNamed(filter.Get(), u"Analog Video In"));

    ComPtr<IAMStreamConfig> config = As<IAMStreamConfig>(pin.Get());
    ASSERT_TRUE(config);
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(3, count);  // 640x480 at 30 and 15, 320x240 at 30; the bayer caps have no media type
    AM_MEDIA_TYPE* small = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    for (int i = 0; i < count && !small; ++i) {
        ASSERT_EQ(S_OK, config->GetStreamCaps(i, &small, reinterpret_cast<BYTE*>(&caps)));
        if (caps.InputSize.cx != 320) {
            DeleteMediaType(small);
            small = nullptr;
        }
    }
    ASSERT_NE(nullptr, small);
    EXPECT_EQ(240, caps.InputSize.cy);
    EXPECT_EQ(333333, caps.MinFrameInterval) << "a rate range is offered at 30 fps";
    ASSERT_EQ(S_OK, config->SetFormat(small));
    DeleteMediaType(small);

    FrameCollector frames;
    {
        TestPipeline pipeline;
        pipeline.Add(As<IGstFilter>(filter.Get())->GetElement());
        ASSERT_TRUE(pipeline.Link(As<IGstPin>(pin.Get())->GetPad(), frames.Sink()));
        ASSERT_TRUE(pipeline.Play());
        pipeline.RunFor(500);
        EXPECT_TRUE(pipeline.Errors().empty());
        EXPECT_TRUE(pipeline.Stop());
    }
    ASSERT_FALSE(frames.Frames().empty());
    EXPECT_EQ(320u * 240u * 2u, frames.Frames().front().size);
    LONG delivered = 0;
    ASSERT_EQ(S_OK, As<IAMDroppedFrames>(pin.Get())->GetNumNotDropped(&delivered));
    EXPECT_EQ(static_cast<LONG>(frames.Frames().size()), delivered);
}

TEST_F(DeviceFilterTest, AnAudioDeviceHasOneCapturePinWithPcmFormats) {
    GstDevice* device = NewDevice("Audio/Source",
                                  "audio/x-raw, format=(string){ S16LE, F32LE }, layout=(string)interleaved, "
                                  "rate=(int)[ 8000, 96000 ], channels=(int)[ 1, 8 ]");
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, CreateDeviceCaptureFilter(device, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()));
    gst_object_unref(device);
    ComPtr<IAMStreamConfig> config = As<IAMStreamConfig>(PinNamed(filter.Get(), u"Capture").Get());
    ASSERT_TRUE(config);
    EXPECT_FALSE(As<IAMDroppedFrames>(config.Get()));
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(2, count);
    EXPECT_EQ(static_cast<int>(sizeof(AUDIO_STREAM_CONFIG_CAPS)), size);
    AM_MEDIA_TYPE* format = nullptr;
    ASSERT_EQ(S_OK, config->GetFormat(&format));
    ASSERT_GE(format->cbFormat, sizeof(WAVEFORMATEX));
    WAVEFORMATEX wfx{};
    std::memcpy(&wfx, format->pbFormat, sizeof wfx);
    EXPECT_EQ(48000u, wfx.nSamplesPerSec);
    EXPECT_EQ(2u, wfx.nChannels);
    DeleteMediaType(format);
}

TEST_F(DeviceFilterTest, MissingDevicesFailClearly) {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(E_POINTER, CreateDeviceCaptureFilter(nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()));
    EXPECT_FALSE(CreateV4l2Crossbar("/dev/video-that-is-not-there").filter);
}

}  // namespace
}  // namespace media::test
