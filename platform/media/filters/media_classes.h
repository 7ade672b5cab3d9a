// The media framework's built-in classes: the filter graph, the capture graph builder and the
// platform filters. They are registered with RegisterBuiltinClass when qdplatform is loaded
// (a static registration in media_classes.cpp), so CoCreateInstance finds them without any
// set-up call; RegisterMediaClasses does it again (for a test that unregistered one).
#pragma once

namespace media {

void RegisterMediaClasses();

}  // namespace media
