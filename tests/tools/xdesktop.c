/* Does to a program's window what the rest of an X desktop does to it:
 *
 *   xdesktop ping <window title> <seconds>
 *     asks the top-level window of that title whether its program is alive, the way a window
 *     manager does (_NET_WM_PING), one question at a time, again and again for the given time,
 *     and prints how many answers came and how long the slowest took. Exits 0 when every ping
 *     was answered within 5 s, 1 when one was not or no window has that title.
 *
 *   xdesktop cover <x> <y> <width> <height> <seconds>
 *     lays a magenta window over that part of the screen for the given time, unmanaged by the
 *     window manager (override-redirect), as a notification is, and takes it away again.
 *
 *   xdesktop close <window title>
 *     asks the top-level window of that title to close, the way a window manager does when its
 *     close button is pressed (a WM_DELETE_WINDOW client message). Exits 1 when no window has
 *     that title.
 *
 * Exits 2 when there is no display or the arguments are wrong. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

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

/* Waits until the answer to ping number `serial` arrives or `deadline` passes. */
static int awaitAnswer(Display *display, Atom ping, long serial, double deadline)
{
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && (Atom)event.xclient.data.l[0] == ping &&
                event.xclient.data.l[1] == serial)
                return 1;
        }
        const double left = deadline - now();
        if (left <= 0)
            return 0;
        struct timeval timeout = {(time_t)left, (suseconds_t)((left - (double)(time_t)left) * 1e6)};
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(ConnectionNumber(display), &readable);
        select(ConnectionNumber(display) + 1, &readable, NULL, NULL, &timeout);
    }
}

static int pingWindow(Display *display, const char *title, double seconds)
{
    const Window window = findByTitle(display, DefaultRootWindow(display), title);
    if (!window) {
        fprintf(stderr, "no window titled %s\n", title);
        return 1;
    }
    /* The answer goes to the root window, to whoever listens there for changes of its structure
     * (among Qt's choice of masks) or of its children's (Wine's choice), or redirects them, as
     * the window manager does. */
    XSelectInput(display, DefaultRootWindow(display), StructureNotifyMask | SubstructureNotifyMask);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    const double end = now() + seconds;
    double slowest = 0;
    long answered = 0;
    while (now() < end) {
        XEvent event;
        memset(&event, 0, sizeof event);
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = protocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = (long)ping;
        event.xclient.data.l[1] = answered + 1; /* the ping's timestamp, here its number */
        event.xclient.data.l[2] = (long)window;
        const double sent = now();
        XSendEvent(display, window, False, NoEventMask, &event);
        XFlush(display);
        if (!awaitAnswer(display, ping, answered + 1, sent + 5)) {
            printf("ping %ld not answered within 5 s\n", answered + 1);
            return 1;
        }
        const double took = now() - sent;
        slowest = took > slowest ? took : slowest;
        ++answered;
        const struct timespec pause = {0, 100 * 1000 * 1000};
        nanosleep(&pause, NULL);
    }
    printf("%ld pings answered, the slowest in %.1f ms\n", answered, slowest * 1000);
    return 0;
}

static int closeWindow(Display *display, const char *title)
{
    const Window window = findByTitle(display, DefaultRootWindow(display), title);
    if (!window) {
        fprintf(stderr, "no window titled %s\n", title);
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
    return 0;
}

static int cover(Display *display, int x, int y, unsigned width, unsigned height, double seconds)
{
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes;
    attributes.override_redirect = True;
    attributes.background_pixel = 0xff00ff;
    const Window window =
        XCreateWindow(display, RootWindow(display, screen), x, y, width, height, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(display, window);
    XSync(display, False);
    const struct timespec pause = {(time_t)seconds, (long)((seconds - (double)(time_t)seconds) * 1e9)};
    nanosleep(&pause, NULL);
    XDestroyWindow(display, window);
    XSync(display, False);
    return 0;
}

int main(int argc, char **argv)
{
    const int pinging = argc == 4 && strcmp(argv[1], "ping") == 0;
    const int covering = argc == 7 && strcmp(argv[1], "cover") == 0;
    const int closing = argc == 3 && strcmp(argv[1], "close") == 0;
    if (!pinging && !covering && !closing) {
        fprintf(stderr,
                "usage: %s ping <window title> <seconds>\n"
                "       %s cover <x> <y> <width> <height> <seconds>\n"
                "       %s close <window title>\n",
                argv[0], argv[0], argv[0]);
        return 2;
    }
    Display *display = XOpenDisplay(NULL);
    if (!display)
        return 2;
    const int status = closing   ? closeWindow(display, argv[2])
                       : pinging ? pingWindow(display, argv[2], atof(argv[3]))
                                 : cover(display, atoi(argv[2]), atoi(argv[3]), (unsigned)atoi(argv[4]),
                                       (unsigned)atoi(argv[5]), atof(argv[6]));
    XCloseDisplay(display);
    return status;
}
