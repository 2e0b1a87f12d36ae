// Asks a top-level window to close the way a window manager's close button
// does: a WM_DELETE_WINDOW client message (ICCCM). The end-to-end tests run
// without a window manager, so they send it themselves.
//
//   brelon-e2e-wmdelete WINDOW-ID
//
// Exits 0 when the message was sent, 2 when the window does not take part in
// the delete protocol (closing it would need a kill instead), 1 on any other
// failure.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

namespace {

int onXError(Display* display, XErrorEvent* error)
{
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "brelon-e2e-wmdelete: %s\n", text);
    std::exit(1);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: brelon-e2e-wmdelete WINDOW-ID\n", stderr);
        return 1;
    }
    char* end = nullptr;
    const unsigned long id = std::strtoul(argv[1], &end, 0);
    if (!end || *end != '\0' || id == 0) {
        std::fprintf(stderr, "brelon-e2e-wmdelete: not a window id: %s\n", argv[1]);
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("brelon-e2e-wmdelete: cannot open the display\n", stderr);
        return 1;
    }
    XSetErrorHandler(onXError);
    const Window window = id;
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);

    bool offered = false;
    Atom* list = nullptr;
    int count = 0;
    if (XGetWMProtocols(display, window, &list, &count)) {
        for (int i = 0; i < count; ++i)
            offered = offered || list[i] == deleteWindow;
        XFree(list);
    }
    if (!offered) {
        std::fprintf(stderr, "brelon-e2e-wmdelete: window 0x%lx does not offer WM_DELETE_WINDOW\n", id);
        XCloseDisplay(display);
        return 2;
    }

    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
