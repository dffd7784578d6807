// The real program's start-up seen from outside, as a user's X server sees it: launches PROGRAM on the display
// of $DISPLAY (a bare X server such as Xvfb, no window manager), and waits for the first drawing to any window it
// creates that shows the window's content: pixels of the notes box's light yellow. The drawings before it are
// the server filling a new window with its background, which the user sees as an empty (black) window. Then
// prints, one figure a line, and ends the program with SIGTERM:
//   total MS           from the launch to that drawing
//   cpu MS             the program's utime + stime from /proc/PID/stat then (clock ticks: 10 ms)
//   memory VmHWM KB    its peak memory then, from /proc/PID/status
//   first_paint_probe PROGRAM [ARGUMENTS...]
// With FIRST_PAINT_SHOT=FILE.ppm it also saves the window as it is then, to see what the figure stops at (the
// saving lengthens the CPU figure of that run).
// scripts/run-startup-bench.sh runs it under Xvfb.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The notes box's base, LightYellow in ui/toolkit/Look.h; nothing the server draws by itself has it.
constexpr unsigned ContentRed = 255;
constexpr unsigned ContentGreen = 255;
constexpr unsigned ContentBlue = 128;
// Pixels of that colour in the drawn row looked at that make the content shown, so that a stray one does not.
constexpr int ContentPixels = 16;

struct DisplayClose {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

struct ImageDestroy {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using Image = std::unique_ptr<XImage, ImageDestroy>;

double MillisecondsSince(const timespec& start)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec - start.tv_sec) * 1000 +
           static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e6;
}

// utime + stime, the 14th and 15th fields, counted after the command name's closing parenthesis.
double CpuMilliseconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::vector<std::string> values;
    for (std::string value; fields >> value;)
        values.push_back(value);
    if (values.size() < 13)
        return -1;
    const double ticks = std::stod(values[11]) + std::stod(values[12]);
    return ticks * 1000 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long PeakMemoryKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// A window may be gone before its damage is created or its pixels read (a short-lived helper window, an
// unmapped one): not a failure.
int IgnoreXErrors(Display*, XErrorEvent*)
{
    return 0;
}

// One channel of a true-colour pixel, on 0..255 whatever the screen's depth.
unsigned Channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0)
        ++shift;
    const unsigned long maximum = mask >> shift;
    return static_cast<unsigned>(((pixel & mask) >> shift) * 255 / maximum);
}

// Within the rounding of a 16-bit screen.
bool Near(unsigned channel, unsigned wanted)
{
    return channel + 8 >= wanted && channel <= wanted + 8;
}

bool IsContentColour(const XImage& image, unsigned long pixel)
{
    return Near(Channel(pixel, image.red_mask), ContentRed) && Near(Channel(pixel, image.green_mask), ContentGreen) &&
           Near(Channel(pixel, image.blue_mask), ContentBlue);
}

// Whether the drawn `area` of `window` shows the content, from its middle row. One row, which the
// notes box spans across most of the window, costs the server a tenth of a millisecond; the whole area would
// cost it milliseconds, taken from the program it is drawing for.
bool ShowsContent(Display* display, Window window, const XRectangle& area)
{
    const Image row(XGetImage(display, window, area.x, area.y + area.height / 2, area.width, 1, AllPlanes, ZPixmap));
    int found = 0;
    for (int x = 0; row && x < row->width; ++x) {
        if (IsContentColour(*row, XGetPixel(row.get(), x, 0)) && ++found == ContentPixels)
            return true;
    }
    return false;
}

// The whole window as a binary PPM.
void SaveShot(Display* display, Window window, const char* path)
{
    XWindowAttributes attributes{};
    Image image;
    if (XGetWindowAttributes(display, window, &attributes))
        image.reset(XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap));
    std::ofstream shot(path, std::ios::binary);
    if (!image || !shot) {
        std::fprintf(stderr, "first_paint_probe: cannot save the window to %s\n", path);
        return;
    }
    shot << "P6\n" << image->width << ' ' << image->height << "\n255\n";
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image.get(), x, y);
            shot.put(static_cast<char>(Channel(pixel, image->red_mask)));
            shot.put(static_cast<char>(Channel(pixel, image->green_mask)));
            shot.put(static_cast<char>(Channel(pixel, image->blue_mask)));
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    // A program that never draws (a message box on another display, a crash) must not hang the script.
    alarm(120);
    std::unique_ptr<Display, DisplayClose> display(XOpenDisplay(nullptr));
    if (!display) {
        std::fprintf(stderr, "first_paint_probe: no X display (DISPLAY=%s)\n", std::getenv("DISPLAY"));
        return 1;
    }
    int damageEvent = 0;
    int damageError = 0;
    if (!XDamageQueryExtension(display.get(), &damageEvent, &damageError)) {
        std::fprintf(stderr, "first_paint_probe: the X server has no DAMAGE extension\n");
        return 1;
    }
    XSetErrorHandler(IgnoreXErrors);
    // Every top-level window is created as a child of the root: its creation is seen before anything is drawn.
    const Window root = DefaultRootWindow(display.get());
    XSelectInput(display.get(), root, SubstructureNotifyMask);
    XSync(display.get(), False);

    timespec launched{};
    clock_gettime(CLOCK_MONOTONIC, &launched);
    const pid_t program = fork();
    if (program < 0) {
        std::perror("first_paint_probe: fork");
        return 1;
    }
    if (program == 0) {
        execv(argv[1], argv + 1);
        std::perror("first_paint_probe: exec");
        _exit(127);
    }

    std::vector<Damage> damages;
    double total = 0;
    Window painted = None;
    while (painted == None) {
        XEvent event{};
        XNextEvent(display.get(), &event);
        if (event.type == CreateNotify) {
            // Each drawing reported with its rectangle, so that only what was drawn is looked at.
            damages.push_back(XDamageCreate(display.get(), event.xcreatewindow.window, XDamageReportRawRectangles));
            XSync(display.get(), False);
        } else if (event.type == damageEvent + XDamageNotify) {
            // Taken before the pixels are read, which the figure should not include.
            total = MillisecondsSince(launched);
            const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
            if (ShowsContent(display.get(), damage.drawable, damage.area))
                painted = damage.drawable;
        }
    }
    if (const char* shot = std::getenv("FIRST_PAINT_SHOT"))
        SaveShot(display.get(), painted, shot);
    const double cpu = CpuMilliseconds(program);
    const long peak = PeakMemoryKb(program);
    kill(program, SIGTERM);
    int status = 0;
    waitpid(program, &status, 0);
    std::printf("total %.2f\ncpu %.2f\nmemory VmHWM %ld\n", total, cpu, peak);
    return 0;
}
