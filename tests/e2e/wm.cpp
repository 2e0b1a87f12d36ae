// SPDX-License-Identifier: GPL-3.0-or-later

// Plays the part of a window manager towards a top-level window; the
// end-to-end tests run without one.
//
//   brelon-e2e-wm delete WINDOW-ID
//     asks the window to close as a close button does: a WM_DELETE_WINDOW
//     client message (ICCCM). Exits 0 when sent, 2 when the window does not
//     take part in the delete protocol.
//   brelon-e2e-wm ping WINDOW-ID TIMEOUT-MS
//     pings it as a window manager does before it calls a program hung: a
//     _NET_WM_PING client message (EWMH), answered on the root window. Prints
//     the answer's delay in milliseconds; exits 0 when answered in time, 3
//     when not.
//
// Any other failure exits 1.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int onXError(Display* display, XErrorEvent* error)
{
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "brelon-e2e-wm: %s\n", text);
    std::exit(1);
}

bool offers(Display* display, Window window, Atom protocol)
{
    bool offered = false;
    Atom* list = nullptr;
    int count = 0;
    if (XGetWMProtocols(display, window, &list, &count)) {
        for (int i = 0; i < count; ++i)
            offered = offered || list[i] == protocol;
        XFree(list);
    }
    return offered;
}

XEvent protocolMessage(Display* display, Window window, Atom protocol, long data)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(protocol);
    event.xclient.data.l[1] = data;
    event.xclient.data.l[2] = long(window);
    return event;
}

int closeWindow(Display* display, Window window)
{
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    if (!offers(display, window, deleteWindow)) {
        std::fprintf(stderr, "brelon-e2e-wm: window 0x%lx does not offer WM_DELETE_WINDOW\n", window);
        return 2;
    }
    XEvent event = protocolMessage(display, window, deleteWindow, CurrentTime);
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return sent ? 0 : 1;
}

int ping(Display* display, Window window, int timeoutMs)
{
    const Atom netWmPing = XInternAtom(display, "_NET_WM_PING", False);
    if (!offers(display, window, netWmPing)) {
        std::fprintf(stderr, "brelon-e2e-wm: window 0x%lx does not offer _NET_WM_PING\n", window);
        return 2;
    }
    // The answer goes to the root window, to the window manager (which
    // redirects its children) and to those listening for its structure or
    // its children's; some toolkits name the one, some the other.
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, StructureNotifyMask | SubstructureNotifyMask);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const long stamp
        = long(std::chrono::duration_cast<std::chrono::microseconds>(start.time_since_epoch()).count() & 0x7FFFFFFF);
    XEvent event = protocolMessage(display, window, netWmPing, stamp);
    if (!XSendEvent(display, window, False, NoEventMask, &event))
        return 1;
    XFlush(display);
    const Clock::time_point deadline = start + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        while (XPending(display) > 0) {
            XEvent answer;
            XNextEvent(display, &answer);
            if (answer.type == ClientMessage && answer.xclient.window == root
                && Atom(answer.xclient.data.l[0]) == netWmPing && answer.xclient.data.l[1] == stamp) {
                const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
                std::printf("%.1f\n", double(delay.count()) / 1000);
                return 0;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd connection { ConnectionNumber(display), POLLIN, 0 };
        poll(&connection, 1, int(left));
    }
    std::printf("no answer within %d ms\n", timeoutMs);
    return 3;
}

} // namespace

int main(int argc, char** argv)
{
    const bool isDelete = argc == 3 && std::strcmp(argv[1], "delete") == 0;
    const bool isPing = argc == 4 && std::strcmp(argv[1], "ping") == 0;
    if (!isDelete && !isPing) {
        std::fputs("usage: brelon-e2e-wm delete WINDOW-ID | ping WINDOW-ID TIMEOUT-MS\n", stderr);
        return 1;
    }
    char* end = nullptr;
    const unsigned long id = std::strtoul(argv[2], &end, 0);
    if (!end || *end != '\0' || id == 0) {
        std::fprintf(stderr, "brelon-e2e-wm: not a window id: %s\n", argv[2]);
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("brelon-e2e-wm: cannot open the display\n", stderr);
        return 1;
    }
    XSetErrorHandler(onXError);
    const int status = isDelete ? closeWindow(display, id) : ping(display, id, std::atoi(argv[3]));
    XCloseDisplay(display);
    return status;
}
