// The display system's own video sinks, drawing straight into a native window through
// GstVideoOverlay. Which sink is used is settled once per process, on the first native
// window: the first of xvimagesink, glimagesink and ximagesink that opens on this display.
#pragma once

#include "platform/media/gst.h"

#include "platform/system/window.h"

namespace media {

// A video sink for `window`, with its window handle set, drawing nothing of its own (no
// events taken from the window, so the toolkit keeps the input) and keeping only the newest
// frame; null when the window has no native window or no sink works on this display.
// `scalesItself` tells whether the sink stretches the picture to its render rectangle; a sink
// that does not (ximagesink) needs the frames at the rectangle's size.
GstElement* MakeNativeVideoSink(const NativeWindow& window, bool* scalesItself);

// The factory MakeNativeVideoSink uses on this display, or null (settled on first call).
const char* NativeVideoSinkFactory();

}  // namespace media
