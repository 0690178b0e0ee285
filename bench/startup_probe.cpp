// Start-up of a whole program to its first painted window, as a user waits for
// it: the time from starting the process until its top-level window is mapped
// on the X display and painted (the window's pixels are no longer one plain
// colour). The program is then ended and the next run starts. Needs an X
// display (bench/startup.sh starts Xvfb for it).
//
//   startup_probe [--runs N] PROGRAM [ARGS...]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

// Colours a painted window shows at least (background, text, lines); a window
// that is mapped but not painted yet is one plain colour.
constexpr std::size_t kPaintedColours = 3;
// Give up on a run after this long.
constexpr auto kTimeout = std::chrono::seconds(20);

bool Painted(Display* display, Window window) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) return false;
  XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  std::set<unsigned long> colours;
  for (int y = 0; y < image->height && colours.size() < kPaintedColours; y += 2)
    for (int x = 0; x < image->width && colours.size() < kPaintedColours; x += 2) colours.insert(XGetPixel(image, x, y));
  XDestroyImage(image);
  return colours.size() >= kPaintedColours;
}

// One run: milliseconds to the painted window, or a negative number when none came.
double Run(Display* display, char** program) {
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, True);
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execv(program[0], program);
    std::perror(program[0]);
    _exit(127);
  }
  Window mapped = 0;
  double result = -1;
  while (Clock::now() - start < kTimeout) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify && event.xmap.event == root && !event.xmap.override_redirect)
        mapped = event.xmap.window;
    }
    if (mapped != 0 && Painted(display, mapped)) {
      result = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      break;
    }
    if (waitpid(child, nullptr, WNOHANG) == child) return -1;
    usleep(500);
  }
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  XSelectInput(display, root, NoEventMask);
  XSync(display, True);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 10;
  int first = 1;
  if (argc > 2 && std::strcmp(argv[1], "--runs") == 0) {
    runs = std::max(1, std::atoi(argv[2]));
    first = 3;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: startup_probe [--runs N] PROGRAM [ARGS...]\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "startup_probe: no X display (DISPLAY=%s)\n", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
    return 2;
  }
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double ms = Run(display, argv + first);
    if (ms < 0) {
      std::fprintf(stderr, "startup_probe: run %d: no painted window\n", i + 1);
      return 1;
    }
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  std::printf("start-up to a painted window: min %.1f ms  median %.1f ms  max %.1f ms  (%d runs)\n", times.front(),
              times[times.size() / 2], times.back(), runs);
  XCloseDisplay(display);
  return 0;
}
