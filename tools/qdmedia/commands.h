// The qdmedia commands; each returns the process exit code.
#pragma once

#include <string>

namespace qdmedia {

struct RecordRequest {
    std::string device;
    std::string audioDevice;
    std::string videoCompressor;
    std::string audioCompressor;
    std::string wmProfile;
    double seconds = 0;
    std::string file;
};

int Preview(const std::string& device, double seconds);
int Grab(const std::string& device, const std::string& bitmapPath);
int Record(const RecordRequest& request);

}  // namespace qdmedia
