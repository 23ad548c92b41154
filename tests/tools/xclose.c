/* Asks a top-level window, found by its title, to close the way a window manager does:
 * a WM_DELETE_WINDOW client message. Exits 0 when the message was sent, 1 when no window
 * has that title, 2 when there is no display. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <string.h>

static Window findByTitle(Display *display, Window window, const char *title)
{
    char *name = NULL;
    if (XFetchName(display, window, &name) && name) {
        int same = strcmp(name, title) == 0;
        XFree(name);
        if (same)
            return window;
    }
    Window root, parent, *children = NULL;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !found; ++i)
            found = findByTitle(display, children[i], title);
        if (children)
            XFree(children);
    }
    return found;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s <window title>\n", argv[0]);
        return 2;
    }
    Display *display = XOpenDisplay(NULL);
    if (!display)
        return 2;
    Window window = findByTitle(display, DefaultRootWindow(display), argv[1]);
    if (!window) {
        XCloseDisplay(display);
        return 1;
    }
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return 0;
}
