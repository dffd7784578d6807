// The real program's start-up seen from outside, as a user's X server sees it: launches PROGRAM on the display
// of $DISPLAY (a bare X server such as Xvfb, no window manager), and waits for the first damage (drawing) to any
// window it creates. Then prints, one figure a line, and ends the program with SIGTERM:
//   total MS           from the launch to the first damage
//   cpu MS             the program's utime + stime from /proc/PID/stat then (clock ticks: 10 ms)
//   memory VmHWM KB    its peak memory then, from /proc/PID/status
//   first_paint_probe PROGRAM [ARGUMENTS...]
// scripts/run-startup-bench.sh runs it under Xvfb.

#include <X11/Xlib.h>
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

struct DisplayClose {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

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

// A window may be gone before its damage is created (a short-lived helper window): not a failure.
int IgnoreXErrors(Display*, XErrorEvent*)
{
    return 0;
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
    bool painted = false;
    while (!painted) {
        XEvent event{};
        XNextEvent(display.get(), &event);
        if (event.type == CreateNotify) {
            damages.push_back(XDamageCreate(display.get(), event.xcreatewindow.window, XDamageReportNonEmpty));
            XSync(display.get(), False);
        } else if (event.type == damageEvent + XDamageNotify) {
            painted = true;
        }
    }
    const double total = MillisecondsSince(launched);
    const double cpu = CpuMilliseconds(program);
    const long peak = PeakMemoryKb(program);
    kill(program, SIGTERM);
    int status = 0;
    waitpid(program, &status, 0);
    std::printf("total %.2f\ncpu %.2f\nmemory VmHWM %ld\n", total, cpu, peak);
    return 0;
}
