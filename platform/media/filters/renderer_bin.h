// A bin that lets its owner see its children's messages as they are posted, on the posting
// thread: a video sink asks for its window handle that way (prepare-window-handle), and the
// answer must be given before the sink goes on.
#pragma once

#include "platform/media/gst.h"

namespace media {

using ChildMessageHook = void (*)(GstMessage* message, void* context);

// A new, empty bin (floating reference) without a hook.
GstElement* MakeRendererBin();

// Sets or clears (null hook) the function called for every message of a child. Once a call
// that clears it has returned, the hook is no longer running and will not run again.
void SetChildMessageHook(GstElement* rendererBin, ChildMessageHook hook, void* context);

}  // namespace media
