#include "platform/media/graph/graph_walk.h"

namespace media {

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter) {
    std::vector<ComPtr<IPin>> pins;
    ComPtr<IEnumPins> e;
    if (!filter || FAILED(filter->EnumPins(e.ReleaseAndGetAddressOf()))) return pins;
    IPin* pin = nullptr;
    while (e->Next(1, &pin, nullptr) == S_OK) pins.push_back(ComPtr<IPin>::Attach(pin));
    return pins;
}

ComPtr<IBaseFilter> FilterOfPin(IPin* pin) {
    PIN_INFO info{};
    if (!pin || FAILED(pin->QueryPinInfo(&info))) return nullptr;
    return ComPtr<IBaseFilter>::Attach(info.pFilter);
}

ComPtr<IPin> PeerOf(IPin* pin) {
    ComPtr<IPin> peer;
    if (pin) pin->ConnectedTo(peer.ReleaseAndGetAddressOf());
    return peer;
}

PIN_DIRECTION DirectionOf(IPin* pin) {
    PIN_DIRECTION direction = PINDIR_INPUT;
    pin->QueryDirection(&direction);
    return direction;
}

bool IsConnected(IPin* pin) { return static_cast<bool>(PeerOf(pin)); }

}  // namespace media
