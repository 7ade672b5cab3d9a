// The profile directory the recorder benchmarks run qdrecord with: a current compressor profile
// naming the x264 compressor with its encoder at the ultrafast preset (its saved filter state),
// a current device profile that records the virtual TV card's picture and sound at a chosen
// capture size, a current multiplexer profile for the chosen layout, and otherwise a fresh
// configuration.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct RecordSetup {
    int width = 1280;
    int height = 720;
    unsigned long muxMode = 0;  // 0 the platform's AVI multiplexer, 1 numbered pieces, 2 one OpenDML file
};

// Writes the profile files into `directory` (ending with '/'). False with `error` set when the
// compressor or its encoder cannot be had. `encoderArguments`, when given, receives the
// settings of the restored encoder that differ from their defaults as gst-launch-1.0 property
// arguments, so a pipeline encodes exactly as the recording does (the restored state sets just
// those, and x264 lets its preset choose the rest).
bool WriteX264RecordProfiles(const std::string& directory, const RecordSetup& setup, std::string& error,
                             std::vector<std::string>* encoderArguments = nullptr);

}  // namespace bench
