// The qdmedia commands; each returns the process exit code.
#pragma once

#include <string>

namespace qdmedia {

int Preview(const std::string& device, double seconds);
int Grab(const std::string& device, const std::string& bitmapPath);

}  // namespace qdmedia
