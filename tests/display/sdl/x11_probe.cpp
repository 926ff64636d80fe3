// x11_probe.cpp - what the X tests of the gauge window ask the X server.
//
//   x11_probe close WINDOW   ask the window to close, as a window manager's
//                            close box does (WM_DELETE_WINDOW); the window
//                            itself is left alone
//   x11_probe where WINDOW   print "X Y WIDTH HEIGHT": the top-left corner of
//                            the outer frame (client area less the frame
//                            extents the window manager set, none without
//                            one) and the client area's size
//   x11_probe above WINDOW   exit 0 when the window manager keeps it above
//                            others (_NET_WM_STATE_ABOVE), 1 otherwise
//
// WINDOW is a decimal or 0x window id, as xdotool prints it. Exit 2 on any
// failure to talk to the server.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool frameExtents(Display* d, Window w, long* left, long* top) {
    *left = 0;
    *top = 0;
    Atom extents = XInternAtom(d, "_NET_FRAME_EXTENTS", True);
    if (extents == None) {
        return true;
    }
    Atom type = None;
    int format = 0;
    unsigned long n = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, extents, 0, 4, False, XA_CARDINAL, &type, &format, &n, &after,
                           &data) != Success) {
        return false;
    }
    if (data && type == XA_CARDINAL && format == 32 && n == 4) {
        const long* v = reinterpret_cast<const long*>(data);
        *left = v[0];
        *top = v[2];
    }
    if (data) {
        XFree(data);
    }
    return true;
}

int where(Display* d, Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) {
        return 2;
    }
    int x = 0;
    int y = 0;
    Window child = None;
    if (!XTranslateCoordinates(d, w, a.root, 0, 0, &x, &y, &child)) {
        return 2;
    }
    long left = 0;
    long top = 0;
    if (!frameExtents(d, w, &left, &top)) {
        return 2;
    }
    std::printf("%ld %ld %d %d\n", x - left, y - top, a.width, a.height);
    return 0;
}

int requestClose(Display* d, Window w) {
    XEvent e;
    std::memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    if (!XSendEvent(d, w, False, NoEventMask, &e)) {
        return 2;
    }
    XSync(d, False);
    return 0;
}

int isAbove(Display* d, Window w) {
    Atom state = XInternAtom(d, "_NET_WM_STATE", True);
    Atom above = XInternAtom(d, "_NET_WM_STATE_ABOVE", True);
    if (state == None || above == None) {
        return 1;
    }
    Atom type = None;
    int format = 0;
    unsigned long n = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, state, 0, 64, False, XA_ATOM, &type, &format, &n, &after, &data) !=
        Success) {
        return 2;
    }
    int result = 1;
    if (data && type == XA_ATOM && format == 32) {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < n; ++i) {
            if (atoms[i] == above) {
                result = 0;
            }
        }
    }
    if (data) {
        XFree(data);
    }
    return result;
}

int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: x11_probe close|where|above WINDOW\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "x11_probe: cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(ignoreErrors);
    Window w = static_cast<Window>(std::strtoul(argv[2], nullptr, 0));
    int rc = 2;
    if (std::strcmp(argv[1], "close") == 0) {
        rc = requestClose(d, w);
    } else if (std::strcmp(argv[1], "where") == 0) {
        rc = where(d, w);
    } else if (std::strcmp(argv[1], "above") == 0) {
        rc = isAbove(d, w);
    }
    XCloseDisplay(d);
    return rc;
}
