// A small capture graph for the commands: the filter graph, its capture graph builder and
// the chosen device's capture filter, added to the graph.
#pragma once

#include <string>

#include "platform/media/interfaces/capture_builder.h"
#include "platform/media/interfaces/control.h"

namespace qdmedia {

struct Session {
    ComPtr<IGraphBuilder> graph;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IBaseFilter> capture;
    std::string deviceName;
    std::string displayName;

    // Prints what failed and returns false.
    bool Open(const std::string& device);
    // Adds a filter of a built-in class to the graph.
    ComPtr<IBaseFilter> Add(REFCLSID clsid, const char16_t* name);
    // Runs until `milliseconds` pass or the graph reports completion, an abort or a lost
    // device (returned; 0 when the time ran out). -1, with a message, when the graph does not
    // run or does not stop; an abort's error is printed.
    LONG RunFor(long milliseconds);
};

bool Failed(HRESULT hr, const char* step);

}  // namespace qdmedia
