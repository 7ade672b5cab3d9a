// One headless recording on the capture engine: the named profiles, the engine's recording
// graph into the options' directory, a fixed length, and what a script needs to know after.
#pragma once

#include <string>

namespace qdrecord {

struct Request {
    std::string profileDirectory;  // ends with '/'
    std::string device, compressor, mux;  // profile names; empty: the current profile
    double seconds = 0;
};

// Exit status: 0 recorded, 1 the recording failed (the failure reports are on stderr),
// 2 a profile named on the command line does not exist.
int Record(const Request& request);

}  // namespace qdrecord
