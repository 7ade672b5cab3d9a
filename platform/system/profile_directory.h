// Where the program keeps its data files.
#pragma once

#include <string>

// The directory of the running executable, with a trailing '/', or "" when it cannot be had.
std::string ExecutableDirectory();

// The executable's directory for a portable copy (a file named "portable" lies beside the
// executable); otherwise $XDG_CONFIG_HOME/quilldeck/ (or ~/.config/quilldeck/), created on
// first use. Always ends with '/'; "" when no directory can be had or made.
std::string ResolveProfileDirectory();
// The same rule for an executable lying in `executableDirectory`.
std::string ResolveProfileDirectoryFor(const std::string& executableDirectory);

// $XDG_CONFIG_HOME (or ~/.config) with a trailing '/'; "" when neither is known.
std::string ConfigHomeDirectory();
// $XDG_CACHE_HOME (or ~/.cache) with a trailing '/'; "" when neither is known.
std::string CacheHomeDirectory();
