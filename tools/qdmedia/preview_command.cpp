// qdmedia preview: capture pin -> Smart Tee -> Null Renderer, run headless for N seconds,
// then the capture pin's delivered and dropped frame counts.
#include "tools/qdmedia/commands.h"

#include <cstdio>

#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/grabber.h"
#include "tools/qdmedia/session.h"
#include "platform/media/interfaces/filters.h"
#include "platform/media/interfaces/stream_config.h"

namespace qdmedia {

int Preview(const std::string& device, double seconds) {
    Session session;
    if (!session.Open(device)) return 1;
    ComPtr<IBaseFilter> tee = session.Add(CLSID_SmartTee, u"Smart Tee");
    ComPtr<IBaseFilter> sink = session.Add(CLSID_NullRenderer, u"Null Renderer");
    if (!tee || !sink) return 1;
    if (Failed(session.builder->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, session.capture.Get(), tee.Get(), sink.Get()),
               "RenderStream capture -> Smart Tee -> Null Renderer"))
        return 1;
    ComPtr<IAMDroppedFrames> dropped;
    session.builder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, session.capture.Get(), IID_IAMDroppedFrames,
                                   dropped.ReleaseAndGetVoidAddress());

    std::printf("previewing \"%s\" for %.1f s\n", session.deviceName.c_str(), seconds);
    const LONG ended = session.RunFor(static_cast<long>(seconds * 1000));
    if (ended < 0) return 1;
    if (ended == EC_DEVICE_LOST) std::printf("the device was lost\n");
    if (ended == EC_ERRORABORT) std::printf("the graph stopped with an error\n");
    if (!dropped) {
        std::printf("frames delivered: unknown (the device does not count them)\n");
        return ended == 0 || ended == EC_COMPLETE ? 0 : 1;
    }
    LONG delivered = 0, lost = 0;
    dropped->GetNumNotDropped(&delivered);
    dropped->GetNumDropped(&lost);
    std::printf("frames delivered: %ld\nframes dropped: %ld\n", static_cast<long>(delivered), static_cast<long>(lost));
    return ended == 0 || ended == EC_COMPLETE ? 0 : 1;
}

}  // namespace qdmedia
