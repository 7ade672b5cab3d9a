// qdmedia grab: capture pin -> Sample Grabber (RGB24, one shot) -> Null Renderer; the one
// frame is written as a bitmap file.
#include "tools/qdmedia/commands.h"

#include <cstdio>
#include <vector>

#include "platform/media/interfaces/clsids.h"
#include "platform/media/interfaces/grabber.h"
#include "tools/qdmedia/bitmap_file.h"
#include "tools/qdmedia/session.h"

namespace qdmedia {
namespace {

// The capture pin's video into the grabber; a DV camcorder's interleaved stream goes
// through a DV Splitter first.
bool RenderToGrabber(Session& session, IBaseFilter* grabber, IBaseFilter* sink) {
    ComPtr<IPin> interleaved;
    if (FAILED(session.builder->FindPin(session.capture.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                        FALSE, 0, interleaved.ReleaseAndGetAddressOf())) &&
        SUCCEEDED(session.builder->FindPin(session.capture.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE,
                                           &MEDIATYPE_Interleaved, FALSE, 0, interleaved.ReleaseAndGetAddressOf()))) {
        ComPtr<IBaseFilter> splitter = session.Add(CLSID_DVSplitter, u"DV Splitter");
        ComPtr<IPin> input;
        if (!splitter ||
            Failed(session.builder->FindPin(splitter.Get(), PINDIR_INPUT, nullptr, nullptr, TRUE, 0,
                                            input.ReleaseAndGetAddressOf()),
                   "FindPin DV Splitter input") ||
            Failed(session.graph->Connect(interleaved.Get(), input.Get()), "Connect capture -> DV Splitter"))
            return false;
        return !Failed(session.builder->RenderStream(nullptr, &MEDIATYPE_Video, splitter.Get(), grabber, sink),
                       "RenderStream DV Splitter -> Sample Grabber -> Null Renderer");
    }
    return !Failed(session.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, session.capture.Get(),
                                                 grabber, sink),
                   "RenderStream capture -> Sample Grabber -> Null Renderer");
}

}  // namespace

int Grab(const std::string& device, const std::string& bitmapPath) {
    Session session;
    if (!session.Open(device)) return 1;
    ComPtr<IBaseFilter> grabberFilter = session.Add(CLSID_SampleGrabber, u"Sample Grabber");
    ComPtr<IBaseFilter> sink = session.Add(CLSID_NullRenderer, u"Null Renderer");
    if (!grabberFilter || !sink) return 1;
    ComPtr<ISampleGrabber> grabber;
    if (Failed(grabberFilter->QueryInterface(IID_ISampleGrabber, grabber.ReleaseAndGetVoidAddress()),
               "QueryInterface ISampleGrabber"))
        return 1;
    AM_MEDIA_TYPE rgb{};
    rgb.majortype = MEDIATYPE_Video;
    rgb.subtype = MEDIASUBTYPE_RGB24;
    rgb.formattype = FORMAT_VideoInfo;
    if (Failed(grabber->SetMediaType(&rgb), "ISampleGrabber SetMediaType") ||
        Failed(grabber->SetOneShot(TRUE), "ISampleGrabber SetOneShot") ||
        Failed(grabber->SetBufferSamples(TRUE), "ISampleGrabber SetBufferSamples") ||
        !RenderToGrabber(session, grabberFilter.Get(), sink.Get()))
        return 1;

    const LONG ended = session.RunFor(10'000);
    if (ended != EC_COMPLETE) {
        std::fprintf(stderr, "qdmedia: no frame arrived from \"%s\"\n", session.deviceName.c_str());
        return 1;
    }
    AM_MEDIA_TYPE type{};
    if (Failed(grabber->GetConnectedMediaType(&type), "ISampleGrabber GetConnectedMediaType")) return 1;
    BITMAPINFOHEADER header{};
    const bool videoInfo = type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER);
    if (videoInfo) header = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    FreeMediaType(type);
    if (!videoInfo) {
        std::fprintf(stderr, "qdmedia: the grabbed frame has no video header\n");
        return 1;
    }
    LONG size = 0;
    if (Failed(grabber->GetCurrentBuffer(&size, nullptr), "ISampleGrabber GetCurrentBuffer")) return 1;
    std::vector<LONG> words((static_cast<std::size_t>(size) + sizeof(LONG) - 1) / sizeof(LONG));
    if (Failed(grabber->GetCurrentBuffer(&size, words.data()), "ISampleGrabber GetCurrentBuffer")) return 1;
    if (!WriteBitmapFile(bitmapPath, header, reinterpret_cast<const BYTE*>(words.data()), static_cast<std::size_t>(size))) {
        std::fprintf(stderr, "qdmedia: cannot write %s\n", bitmapPath.c_str());
        return 1;
    }
    std::printf("grabbed %ldx%ld from \"%s\" into %s\n", static_cast<long>(header.biWidth),
                static_cast<long>(header.biHeight), session.deviceName.c_str(), bitmapPath.c_str());
    return 0;
}

}  // namespace qdmedia
