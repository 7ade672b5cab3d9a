// The profile directory the recorder benchmarks run qdrecord with: one compressor profile,
// current, naming the x264 compressor with its encoder at the ultrafast preset (its saved
// filter state), and otherwise a fresh configuration.
#pragma once

#include <string>
#include <vector>

namespace bench {

// Writes the profile files into `directory` (ending with '/'). False with `error` set when the
// compressor or its encoder cannot be had. `encoderArguments`, when given, receives every
// setting of the saved encoder as gst-launch-1.0 property arguments, so a pipeline can encode
// exactly as the recording does (a restored state sets each property, which overrides what
// the preset alone would choose).
bool WriteX264RecordProfiles(const std::string& directory, std::string& error,
                             std::vector<std::string>* encoderArguments = nullptr);

}  // namespace bench
