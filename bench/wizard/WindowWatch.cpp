#include "WindowWatch.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <stdexcept>
#include <thread>

namespace windowbench {

namespace {

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A window may go away while it is looked at: that is not a reason to end the benchmark.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

WindowWatch::WindowWatch(const std::string& display)
    : FDisplay(XOpenDisplay(display.c_str())) {
    if (FDisplay == nullptr) {
        throw std::runtime_error("cannot connect to the X server " + display);
    }
    XSetErrorHandler(IgnoreErrors);
    XSelectInput(FDisplay, DefaultRootWindow(FDisplay), SubstructureNotifyMask);
    XSync(FDisplay, False);
}

WindowWatch::~WindowWatch() {
    XCloseDisplay(FDisplay);
}

WindowTimes WindowWatch::WaitForWindow(Clock::time_point start, std::chrono::milliseconds timeout) {
    const auto deadline = start + timeout;
    WindowTimes times;
    Window window = 0;
    while (window == 0) {
        if (XPending(FDisplay) == 0) {
            pollfd wait{ConnectionNumber(FDisplay), POLLIN, 0};
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) != 1) {
                throw std::runtime_error("no window came up in time");
            }
        }
        XEvent event;
        XNextEvent(FDisplay, &event);
        if (event.type == MapNotify && !event.xmap.override_redirect) {
            window = event.xmap.window;
            times.mappedSeconds = Since(start);
        }
    }
    // Drawing leaves no event for another client to see: the window's pixels are read until one shows.
    while (!Painted(window)) {
        if (Clock::now() > deadline) {
            throw std::runtime_error("the window was not painted in time");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    times.paintedSeconds = Since(start);
    return times;
}

bool WindowWatch::Painted(unsigned long window) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(FDisplay, window, &attributes) == 0 || attributes.map_state != IsViewable) {
        return false;
    }
    XImage* image = XGetImage(FDisplay, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    bool painted = false;
    for (int y = 0; y < image->height && !painted; y += 4) {
        for (int x = 0; x < image->width && !painted; x += 4) {
            painted = XGetPixel(image, x, y) != 0;
        }
    }
    XDestroyImage(image);
    return painted;
}

} // namespace windowbench
