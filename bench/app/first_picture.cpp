// Waits until the virtual TV card's colour bars appear anywhere on an X screen and prints how
// long after a given start time they did, in seconds.
//
//   first_picture START_NS TIMEOUT_S
//
// START_NS is the wall-clock time (date +%s%N) at which the program was started. The screen
// ($DISPLAY) is read every 10 ms; the picture counts as shown once both the yellow and the
// magenta bar cover a good patch of it, which nothing else in the program's window does.
// Exit status 0 when the picture appeared, 1 on timeout, 2 on a bad command line or display.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr int kStep = 3;              // every third pixel in both directions
constexpr int kMinimumPatch = 300;    // sampled pixels of each bar colour

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

struct Channels {
    unsigned r, g, b;
};

int ShiftOf(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

Channels Split(unsigned long pixel, const XImage* image) {
    return {static_cast<unsigned>((pixel & image->red_mask) >> ShiftOf(image->red_mask)) & 0xFF,
            static_cast<unsigned>((pixel & image->green_mask) >> ShiftOf(image->green_mask)) & 0xFF,
            static_cast<unsigned>((pixel & image->blue_mask) >> ShiftOf(image->blue_mask)) & 0xFF};
}

bool ShowsColourBars(XImage* image) {
    int yellow = 0, magenta = 0;
    for (int y = 0; y < image->height; y += kStep) {
        for (int x = 0; x < image->width; x += kStep) {
            const Channels c = Split(XGetPixel(image, x, y), image);
            if (c.r > 150 && c.g > 150 && c.b < 60) ++yellow;
            if (c.r > 150 && c.g < 60 && c.b > 150) ++magenta;
        }
    }
    return yellow >= kMinimumPatch && magenta >= kMinimumPatch;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: first_picture START_NS TIMEOUT_S\n");
        return 2;
    }
    const double start = std::strtod(argv[1], nullptr) / 1e9;
    const double timeout = std::strtod(argv[2], nullptr);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "first_picture: cannot open the display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, root, &attributes);
    int status = 1;
    while (WallSeconds() - start < timeout) {
        XImage* image = XGetImage(display, root, 0, 0, static_cast<unsigned>(attributes.width),
                                  static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
        const double seen = WallSeconds();
        const bool shown = image && ShowsColourBars(image);
        if (image) XDestroyImage(image);
        if (shown) {
            std::printf("%.3f\n", seen - start);
            status = 0;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XCloseDisplay(display);
    return status;
}
