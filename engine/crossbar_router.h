// The router that lists and selects crossbar routes for a capture filter's analogue video input.
// It is made on that input pin and lives as long as the graph session.
#pragma once

#include <vector>

#include "platform/com/unknown.h"
#include "platform/media/interfaces/capture.h"

struct CrossbarRoute {
    LONG OutputPin = -1;
    LONG InputPin = -1;
    LONG PhysicalType = 0;
};

class CrossbarRouter {
public:
    explicit CrossbarRouter(IPin* analogVideoIn, ICaptureGraphBuilder2* builder);

    IPin* AnalogVideoIn() const { return pin_.Get(); }
    // The video inputs that the crossbar upstream of the pin can route to it.
    std::vector<CrossbarRoute> VideoRoutes() const;
    HRESULT Route(const CrossbarRoute& route);

private:
    ComPtr<IPin> pin_;
    ComPtr<IAMCrossbar> crossbar_;
};
