#include "common/path_utils.h"

void AppendBackslash(std::string& path) {
    if (!path.empty() && path.back() != '/') path.push_back('/');
}
