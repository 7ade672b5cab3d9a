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
    // --sink split: the splitting AVI multiplexer (talvinmux.ax, registered with regsvr).
    bool splitSink = false;
    long splitFiles = -1;  // -1: the multiplexer's own default
    long splitMegabytes = -1;
    bool avi2 = false;  // one OpenDML file instead of numbered AVI 1.0 pieces
};

int Preview(const std::string& device, double seconds);
int Grab(const std::string& device, const std::string& bitmapPath);
int Record(const RecordRequest& request);
// Makes an AVI file cut off by a crash readable: 0 repaired or complete, 1 refused or failed.
int Repair(const std::string& path);

}  // namespace qdmedia
