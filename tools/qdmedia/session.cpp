#include "tools/qdmedia/session.h"

#include <chrono>
#include <cstdio>

#include "common/module_interfaces.h"
#include "platform/com/com_runtime.h"
#include "platform/com/hresult.h"
#include "platform/media/interfaces/clsids.h"
#include "tools/qdmedia/catalogue.h"
#include "platform/media/interfaces/capture_builder.h"

namespace qdmedia {

bool Failed(HRESULT hr, const char* step) {
    if (SUCCEEDED(hr)) return false;
    std::fprintf(stderr, "qdmedia: %s failed: %08x %s\n", step, static_cast<unsigned>(hr), HResultText(hr).c_str());
    return true;
}

bool Session::Open(const std::string& device) {
    ComPtr<IMoniker> moniker = FindVideoDevice(device);
    if (!moniker) return false;
    deviceName = FriendlyNameOf(moniker.Get());
    displayName = DisplayNameOf(moniker.Get());
    if (Failed(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                                builder.ReleaseAndGetVoidAddress()),
               "CoCreateInstance CaptureGraphBuilder2") ||
        Failed(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                graph.ReleaseAndGetVoidAddress()),
               "CoCreateInstance FilterGraph") ||
        Failed(builder->SetFiltergraph(graph.Get()), "SetFiltergraph") ||
        Failed(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, capture.ReleaseAndGetVoidAddress()),
               "BindToObject VideoCaptureFilter") ||
        Failed(graph->AddFilter(capture.Get(), nullptr), "AddFilter VideoCaptureFilter"))
        return false;
    return true;
}

ComPtr<IBaseFilter> Session::Add(REFCLSID clsid, const char16_t* name) {
    ComPtr<IBaseFilter> filter;
    if (Failed(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()),
               "CoCreateInstance") ||
        Failed(graph->AddFilter(filter.Get(), name), "AddFilter"))
        return nullptr;
    return filter;
}

LONG Session::RunFor(long milliseconds) {
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEventEx> events;
    if (Failed(graph->QueryInterface(IID_IMediaControl, control.ReleaseAndGetVoidAddress()), "QueryInterface IMediaControl") ||
        Failed(graph->QueryInterface(IID_IMediaEventEx, events.ReleaseAndGetVoidAddress()), "QueryInterface IMediaEventEx"))
        return -1;
    if (Failed(control->Run(), "IMediaControl Run")) return -1;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    LONG ended = 0;
    while (!ended && std::chrono::steady_clock::now() < end) {
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (events->GetEvent(&code, &p1, &p2, 50) != S_OK) continue;
        if (code == EC_ERRORABORT)
            Failed(static_cast<HRESULT>(p1), "the running graph");
        events->FreeEventParams(code, p1, p2);
        // The splitting multiplexer's end at its file limit ends the run as a completion does.
        if (code == EC_TALVINMUX_FINISHED) code = EC_COMPLETE;
        if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_DEVICE_LOST || code == EC_USERABORT) ended = code;
    }
    if (Failed(control->Stop(), "IMediaControl Stop")) return -1;
    return ended;
}

}  // namespace qdmedia
