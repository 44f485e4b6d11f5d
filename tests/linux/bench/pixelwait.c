/* pixelwait X Y [!]RRGGBB TIMEOUT_MS START_NS [SHOT.ppm]: waits until the screen's
   pixel at X,Y is within 32 of the colour in each channel (with "!": until it is
   not), and prints the milliseconds since START_NS (CLOCK_REALTIME nanoseconds, as
   date +%s%N gives them); exits 1 when the time runs out. One pixel read a
   millisecond, through XGetImage. With SHOT, the whole screen is written there (a
   binary PPM) at once when the pixel shows: quicker than a screenshot tool. */
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

static int WriteScreen(Display* display, Window root, const char* file) {
    int width = DisplayWidth(display, DefaultScreen(display)), height = DisplayHeight(display, DefaultScreen(display));
    XImage* image = XGetImage(display, root, 0, 0, width, height, AllPlanes, ZPixmap);
    FILE* out = image ? fopen(file, "wb") : NULL;
    if (!out) return 0;
    fprintf(out, "P6\n%d %d\n255\n", width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned long p = XGetPixel(image, x, y);
            unsigned char rgb[3] = {(unsigned char)(p >> 16), (unsigned char)(p >> 8), (unsigned char)p};
            fwrite(rgb, 1, 3, out);
        }
    XDestroyImage(image);
    return fclose(out) == 0;
}

int main(int argc, char** argv) {
    if (argc != 6 && argc != 7) return 2;
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
                return argc == 7 && !WriteScreen(display, root, argv[6]) ? 2 : 0;
            }
        }
        usleep(1000);
    }
    return 1;
}
