// qdmedia record: the device's capture pin -> optional compressor -> AVI multiplexer -> file
// writer (.avi), or -> ASF writer (.wmv), or -> the splitting AVI multiplexer (--sink split);
// audio the same way into the same writer. Runs for the given time (or until the splitting
// multiplexer reaches its file limit), stops (which finishes the files) and prints the capture
// pin's written and dropped frame counts.
#include "tools/qdmedia/commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/com/wide_text.h"
#include "platform/media/devices/virtual_devices.h"
#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/device_enum.h"
#include "platform/media/interfaces/file_writing.h"
#include "platform/media/interfaces/stream_config.h"
#include "tools/qdmedia/catalogue.h"
#include "tools/qdmedia/session.h"
#include "tools/qdmedia/split_sink.h"
#include "tools/qdmedia/windows_media.h"

namespace qdmedia {
namespace {

enum class Container { Avi, Wmv, Unknown };

Container ContainerOf(const std::string& file) {
    const auto dot = file.find_last_of('.');
    if (dot == std::string::npos) return Container::Unknown;
    std::string ext = file.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == "avi") return Container::Avi;
    if (ext == "wmv" || ext == "asf") return Container::Wmv;
    return Container::Unknown;
}

// A catalogue entry bound and added to the graph; null for an empty name (nothing asked for)
// and, with a message, when the name is unknown or the filter cannot be made.
bool AddCatalogueFilter(Session& session, REFGUID category, const std::string& name, const char* what,
                        ComPtr<IBaseFilter>* filter) {
    if (name.empty()) return true;
    ComPtr<IMoniker> moniker = FindEntry(category, name, what);
    if (!moniker) return false;
    const std::string step = std::string("BindToObject ") + what + " \"" + name + "\"";
    if (Failed(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter->ReleaseAndGetVoidAddress()),
               step.c_str()))
        return false;
    const std::u16string friendly = Utf8ToWide(FriendlyNameOf(moniker.Get()));
    return !Failed(session.graph->AddFilter(filter->Get(), friendly.c_str()), (std::string("AddFilter ") + what).c_str());
}

// The audio device recorded with the video: the one asked for, else the virtual TV card's own
// audio when the video comes from that card, else none.
std::string AudioDeviceFor(const RecordRequest& request, const std::string& videoDisplayName) {
    if (!request.audioDevice.empty()) return request.audioDevice;
    if (WideEqualsIgnoreCase(Utf8ToWide(videoDisplayName), media::kVirtualTvCardName))
        return WideToUtf8(media::kVirtualTvCardAudioName);
    return {};
}

// The writer the streams are rendered into: the AVI multiplexer (its file writer behind it)
// or the ASF writer.
ComPtr<IBaseFilter> AddWriter(Session& session, const RecordRequest& request) {
    if (request.splitSink) {
        if (ContainerOf(request.file) != Container::Avi || !request.wmProfile.empty()) {
            std::fprintf(stderr, "qdmedia: --sink split writes .avi files only\n");
            return nullptr;
        }
        return AddSplitMultiplexer(session, request);
    }
    switch (ContainerOf(request.file)) {
    case Container::Avi: {
        if (!request.wmProfile.empty()) {
            std::fprintf(stderr, "qdmedia: --wm-profile applies to .wmv files only\n");
            return nullptr;
        }
        ComPtr<IBaseFilter> mux;
        ComPtr<IFileSinkFilter> sink;
        if (Failed(session.builder->SetOutputFileName(&MEDIASUBTYPE_Avi, Utf8ToWide(request.file).c_str(),
                                                      mux.ReleaseAndGetAddressOf(), sink.ReleaseAndGetAddressOf()),
                   "SetOutputFileName"))
            return nullptr;
        ComPtr<IFileSinkFilter2> sink2;
        if (SUCCEEDED(sink->QueryInterface(IID_IFileSinkFilter2, sink2.ReleaseAndGetVoidAddress())) &&
            Failed(sink2->SetMode(AM_FILE_OVERWRITE), "IFileSinkFilter2 SetMode"))
            return nullptr;
        return mux;
    }
    case Container::Wmv:
        if (!request.videoCompressor.empty() || !request.audioCompressor.empty()) {
            std::fprintf(stderr, "qdmedia: a .wmv file is compressed by its Windows Media profile; "
                                 "--video-compressor and --audio-compressor apply to .avi files only\n");
            return nullptr;
        }
        return AddAsfWriter(session, request.file, request.wmProfile);
    case Container::Unknown:
        break;
    }
    std::fprintf(stderr, "qdmedia: cannot tell the file type of \"%s\" (use .avi or .wmv)\n", request.file.c_str());
    return nullptr;
}

void PrintFrameCounts(Session& session) {
    ComPtr<IAMDroppedFrames> dropped;
    if (FAILED(session.builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, session.capture.Get(),
                                              IID_IAMDroppedFrames, dropped.ReleaseAndGetVoidAddress()))) {
        std::printf("frames written: unknown (the device does not count them)\n");
        return;
    }
    LONG written = 0, lost = 0;
    dropped->GetNumNotDropped(&written);
    dropped->GetNumDropped(&lost);
    std::printf("frames written: %ld\nframes dropped: %ld\n", static_cast<long>(written), static_cast<long>(lost));
}

}  // namespace

int Record(const RecordRequest& request) {
    if (ContainerOf(request.file) == Container::Unknown) {
        std::fprintf(stderr, "qdmedia: cannot tell the file type of \"%s\" (use .avi or .wmv)\n", request.file.c_str());
        return 1;
    }
    Session session;
    if (!session.Open(request.device)) return 1;
    ComPtr<IBaseFilter> audio, videoCompressor, audioCompressor;
    const std::string audioName = AudioDeviceFor(request, session.displayName);
    if (!AddCatalogueFilter(session, CLSID_AudioInputDeviceCategory, audioName, "audio input device", &audio) ||
        !AddCatalogueFilter(session, CLSID_VideoCompressorCategory, request.videoCompressor, "video compressor",
                            &videoCompressor))
        return 1;
    if (!request.audioCompressor.empty() && !audio) {
        std::fprintf(stderr, "qdmedia: --audio-compressor needs an audio device (--audio-device)\n");
        return 1;
    }
    if (!AddCatalogueFilter(session, CLSID_AudioCompressorCategory, request.audioCompressor, "audio compressor",
                            &audioCompressor))
        return 1;
    ComPtr<IBaseFilter> writer = AddWriter(session, request);
    if (!writer) return 1;
    if (Failed(session.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, session.capture.Get(),
                                             videoCompressor.Get(), writer.Get()),
               "RenderStream video capture -> writer"))
        return 1;
    if (audio && Failed(session.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio.Get(),
                                                      audioCompressor.Get(), writer.Get()),
                        "RenderStream audio capture -> writer"))
        return 1;

    std::printf("recording \"%s\"%s%s%s into %s for %.1f s\n", session.deviceName.c_str(), audio ? " with \"" : "",
                audio ? audioName.c_str() : "", audio ? "\"" : "", request.file.c_str(), request.seconds);
    const LONG ended = session.RunFor(static_cast<long>(request.seconds * 1000));
    if (ended < 0) return 1;
    PrintFrameCounts(session);
    if (request.splitSink) PrintSplitStatistics(writer.Get());
    if (ended == EC_DEVICE_LOST) {
        std::fprintf(stderr, "qdmedia: recording failed: the device was lost\n");
        return 1;
    }
    if (ended == EC_ERRORABORT || ended == EC_USERABORT) {
        std::fprintf(stderr, "qdmedia: recording failed: the graph stopped with an error\n");
        return 1;
    }
    return 0;
}

}  // namespace qdmedia
