/* pixelwait X Y [!]RRGGBB TIMEOUT_MS START_NS: waits until the screen's pixel at X,Y
   is within 32 of the colour in each channel (with "!": until it is not), and prints
   the milliseconds since START_NS (CLOCK_REALTIME nanoseconds, as date +%s%N gives
   them); exits 1 when the time runs out. One pixel read a millisecond, through
   XGetImage. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static double NowNs(void) {
    struct timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return t.tv_sec * 1e9 + t.tv_nsec;
}

int main(int argc, char** argv) {
    if (argc != 6) return 2;
    int x = atoi(argv[1]), y = atoi(argv[2]);
    const int unlike = argv[3][0] == '!';
    unsigned long want = strtoul(argv[3] + unlike, NULL, 16);
    double deadline = NowNs() + atof(argv[4]) * 1e6, start = atof(argv[5]);
    Display* display = XOpenDisplay(NULL);
    if (!display) return 2;
    Window root = DefaultRootWindow(display);
    while (NowNs() < deadline) {
        XImage* image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
        if (image) {
            unsigned long p = XGetPixel(image, 0, 0);
            XDestroyImage(image);
            int dr = (int)((p >> 16) & 255) - (int)((want >> 16) & 255);
            int dg = (int)((p >> 8) & 255) - (int)((want >> 8) & 255);
            int db = (int)(p & 255) - (int)(want & 255);
            if ((abs(dr) <= 32 && abs(dg) <= 32 && abs(db) <= 32) != unlike) {
                printf("%.0f\n", (NowNs() - start) / 1e6);
                return 0;
            }
        }
        usleep(1000);
    }
    return 1;
}
