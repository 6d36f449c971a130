// Captures a window of an X server as a PNG file, for the README's picture
// of the running program:
//
//   window_capture DISPLAY TITLE DELAY_MS OUT.png
//
// Waits (up to 20 s) for a viewable top-level window titled TITLE, then
// DELAY_MS more, and writes what the server shows of it. scripts/update-golden
// runs it against the real program on a private Xvfb.
#include <QImage>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

Window FindWindow(Display* dpy, const std::string& title) {
    Window root = DefaultRootWindow(dpy), parent = 0, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (!XQueryTree(dpy, root, &root, &parent, &children, &count)) return 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes a;
        char* name = nullptr;
        if (XGetWindowAttributes(dpy, children[i], &a) && a.map_state == IsViewable &&
            XFetchName(dpy, children[i], &name) && name && title == name) {
            found = children[i];
        }
        if (name) XFree(name);
    }
    if (children) XFree(children);
    return found;
}

int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: window_capture DISPLAY TITLE DELAY_MS OUT.png\n");
        return 2;
    }
    XSetErrorHandler(IgnoreXErrors);
    Display* dpy = XOpenDisplay(argv[1]);
    if (!dpy) {
        std::fprintf(stderr, "window_capture: cannot open display %s\n", argv[1]);
        return 1;
    }
    Window window = 0;
    for (auto end = std::chrono::steady_clock::now() + 20s;
         !window && std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(50ms)) {
        window = FindWindow(dpy, argv[2]);
    }
    if (!window) {
        std::fprintf(stderr, "window_capture: no window titled \"%s\" appeared\n", argv[2]);
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[3])));
    XWindowAttributes a;
    XImage* x = XGetWindowAttributes(dpy, window, &a)
                    ? XGetImage(dpy, window, 0, 0, static_cast<unsigned>(a.width),
                                static_cast<unsigned>(a.height), AllPlanes, ZPixmap)
                    : nullptr;
    if (!x) {
        std::fprintf(stderr, "window_capture: the window could not be read\n");
        return 1;
    }
    QImage image(a.width, a.height, QImage::Format_RGB32);
    for (int y = 0; y < a.height; ++y)
        for (int col = 0; col < a.width; ++col)
            image.setPixel(col, y,
                           0xFF000000u | static_cast<uint32_t>(XGetPixel(x, col, y) & 0xFFFFFFu));
    XDestroyImage(x);
    XCloseDisplay(dpy);
    if (!image.save(QString::fromLocal8Bit(argv[4]), "PNG")) {
        std::fprintf(stderr, "window_capture: cannot write %s\n", argv[4]);
        return 1;
    }
    return 0;
}
