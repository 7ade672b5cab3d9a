#include "platform/media/virtual_card/crossbar_state.h"
#include "platform/media/capture_constants.h"

#include <cassert>
#include <utility>

namespace media {

bool IsAudioConnector(LONG physicalType) { return physicalType >= PhysConn_Audio_Tuner; }

std::string ConnectorName(LONG physicalType) {
    switch (physicalType) {
        case PhysConn_Video_Tuner: return "Tuner";
        case PhysConn_Video_Composite: return "Composite";
        case PhysConn_Video_SVideo: return "S-Video";
        case PhysConn_Video_VideoDecoder: return "Video Decoder";
        case PhysConn_Audio_Tuner: return "Tuner Audio";
        case PhysConn_Audio_Line: return "Line";
        case PhysConn_Audio_Mic: return "Microphone";
        case PhysConn_Audio_AudioDecoder: return "Audio Decoder";
        default: return IsAudioConnector(physicalType) ? "Audio" : "Video";
    }
}

CrossbarState::CrossbarState(std::vector<CrossbarPin> inputs, std::vector<CrossbarPin> outputs,
                             std::vector<LONG> initialRoutes)
    : inputs_(std::move(inputs)), outputs_(std::move(outputs)), routes_(std::move(initialRoutes)) {
    assert(routes_.size() == outputs_.size());
}

HRESULT CrossbarState::CanRoute(LONG output, LONG input) const {
    if (!ValidOutput(output)) return E_INVALIDARG;
    if (input == kNotRouted) return S_OK;
    if (!ValidInput(input)) return E_INVALIDARG;
    const bool sameKind = IsAudioConnector(inputs_[static_cast<std::size_t>(input)].type) ==
                          IsAudioConnector(outputs_[static_cast<std::size_t>(output)].type);
    return sameKind ? S_OK : S_FALSE;
}

HRESULT CrossbarState::Route(LONG output, LONG input) {
    if (CanRoute(output, input) != S_OK) return E_INVALIDARG;
    routes_[static_cast<std::size_t>(output)] = input;
    return S_OK;
}

HRESULT CrossbarState::GetIsRoutedTo(LONG output, LONG* input) const {
    if (!input) return E_POINTER;
    if (!ValidOutput(output)) return E_INVALIDARG;
    *input = routes_[static_cast<std::size_t>(output)];
    return S_OK;
}

HRESULT CrossbarState::GetPinInfo(bool isInput, LONG index, LONG* relatedPin, LONG* physicalType) const {
    if (!relatedPin || !physicalType) return E_POINTER;
    if (isInput ? !ValidInput(index) : !ValidOutput(index)) return E_INVALIDARG;
    const CrossbarPin& pin = (isInput ? inputs_ : outputs_)[static_cast<std::size_t>(index)];
    *relatedPin = pin.relatedPin;
    *physicalType = pin.type;
    return S_OK;
}

CrossbarState CrossbarState::VideoCrossbar() {
    return CrossbarState({{PhysConn_Video_Tuner, 3},
                          {PhysConn_Video_Composite, 4},
                          {PhysConn_Video_SVideo, 4},
                          {PhysConn_Audio_Tuner, 0},
                          {PhysConn_Audio_Line, 1}},
                         {{PhysConn_Video_VideoDecoder, 1}, {PhysConn_Audio_AudioDecoder, 0}},
                         {0, 3});
}

CrossbarState CrossbarState::AudioCrossbar() {
    return CrossbarState({{PhysConn_Audio_Tuner, -1}, {PhysConn_Audio_Line, -1}, {PhysConn_Audio_Mic, -1}},
                         {{PhysConn_Audio_AudioDecoder, -1}},
                         {0});
}

}  // namespace media
