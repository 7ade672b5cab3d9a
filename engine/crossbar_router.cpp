#include "engine/crossbar_router.h"

namespace {
// PhysConn_Video_* connector types are below 0x1000; audio ones start there.
constexpr LONG kFirstAudioConnector = 0x1000;
}

CrossbarRouter::CrossbarRouter(IPin* analogVideoIn, ICaptureGraphBuilder2* builder) : pin_(analogVideoIn) {
    if (!analogVideoIn || !builder) return;
    PIN_INFO info{};
    if (FAILED(analogVideoIn->QueryPinInfo(&info)) || !info.pFilter) return;
    builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, info.pFilter, IidOf<IAMCrossbar>(),
                           crossbar_.ReleaseAndGetVoidAddress());
    info.pFilter->Release();
}

std::vector<CrossbarRoute> CrossbarRouter::VideoRoutes() const {
    std::vector<CrossbarRoute> routes;
    if (!crossbar_) return routes;
    LONG outputs = 0, inputs = 0;
    if (FAILED(crossbar_->get_PinCounts(&outputs, &inputs))) return routes;
    for (LONG out = 0; out < outputs; ++out) {
        LONG related = 0, outType = 0;
        if (FAILED(crossbar_->get_CrossbarPinInfo(FALSE, out, &related, &outType)) || outType >= kFirstAudioConnector)
            continue;
        for (LONG in = 0; in < inputs; ++in) {
            LONG inType = 0;
            if (FAILED(crossbar_->get_CrossbarPinInfo(TRUE, in, &related, &inType)) || inType >= kFirstAudioConnector)
                continue;
            if (crossbar_->CanRoute(out, in) == S_OK) routes.push_back({out, in, inType});
        }
    }
    return routes;
}

HRESULT CrossbarRouter::Route(const CrossbarRoute& route) {
    if (!crossbar_) return E_POINTER;
    return crossbar_->Route(route.OutputPin, route.InputPin);
}
