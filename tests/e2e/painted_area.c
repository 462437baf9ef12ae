/* Adds up the area that is drawn in a window, as the X server reports it (its damage), for a
 * while. Usage: e2e-painted-area WINDOW-ID SECONDS. Prints "ready" once it watches, then, when
 * the time is up, the number of pixels drawn: a pixel drawn twice counts twice. Exits 1 when
 * it cannot watch. */
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s WINDOW-ID SECONDS\n", argv[0]);
        return 1;
    }
    Display* display = XOpenDisplay(NULL);
    int damageEvent = 0, damageError = 0;
    if (!display || !XDamageQueryExtension(display, &damageEvent, &damageError)) {
        fprintf(stderr, "no display with the damage extension\n");
        return 1;
    }
    const Window window = (Window)strtoul(argv[1], NULL, 0);
    const double end = now() + atof(argv[2]);
    /* Every drawing request reports the rectangles it drew, none merged with earlier ones. */
    XDamageCreate(display, window, XDamageReportRawRectangles);
    /* A new damage object reports the whole window at once: that report is no drawing. */
    XSync(display, False);
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
    }
    printf("ready\n");
    fflush(stdout);

    unsigned long long area = 0;
    struct pollfd connection = {ConnectionNumber(display), POLLIN, 0};
    for (double left; (left = end - now()) > 0;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == damageEvent + XDamageNotify) {
                const XDamageNotifyEvent* damage = (const XDamageNotifyEvent*)&event;
                area += (unsigned long long)damage->area.width * damage->area.height;
            }
        }
        poll(&connection, 1, (int)(left * 1000) + 1);
    }
    printf("%llu\n", area);
    XCloseDisplay(display);
    return 0;
}
