// Starts a program and prints the milliseconds until its first top-level window with a title is
// mapped on the X display, then kills it. Started programs are timed from outside, the same way for
// every program, so that two of them can be compared side by side in one run (bench/startup.sh).
//
//   window_map_timer [--title TEXT] -- PROGRAM [ARGUMENTS...]
// TEXT: a part of the title to wait for (default: any title). Exit status 0 when a window was seen.

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string property_text(Display* display, Window window, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format, &items,
                           &after, &data) == Success &&
        data != nullptr) {
        if (format == 8) text.assign(reinterpret_cast<const char*>(data), items);
        XFree(data);
    }
    return text;
}

std::string window_title(Display* display, Window window) {
    std::string title = property_text(display, window, XInternAtom(display, "_NET_WM_NAME", False));
    return title.empty() ? property_text(display, window, XA_WM_NAME) : title;
}

int ignore_x_errors(Display*, XErrorEvent*) { return 0; } // a window may be gone before it is read

} // namespace

int main(int argc, char** argv) {
    std::string wanted;
    int first = 1;
    for (; first < argc; ++first) {
        if (std::strcmp(argv[first], "--title") == 0 && first + 1 < argc) {
            wanted = argv[++first];
        } else if (std::strcmp(argv[first], "--") == 0) {
            ++first;
            break;
        } else {
            std::fprintf(stderr, "usage: window_map_timer [--title TEXT] -- PROGRAM [ARGUMENTS...]\n");
            return 2;
        }
    }
    if (first >= argc) {
        std::fprintf(stderr, "window_map_timer: no program given\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "window_map_timer: cannot open the display (is DISPLAY set?)\n");
        return 2;
    }
    XSetErrorHandler(ignore_x_errors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("window_map_timer: fork");
        return 2;
    }
    if (child == 0) {
        close(ConnectionNumber(display));
        execvp(argv[first], argv + first);
        std::perror("window_map_timer: exec");
        _exit(127);
    }

    // A program that never shows a window is given up after two minutes, so that a broken build
    // ends the benchmark with a message rather than hanging it.
    const auto give_up = start + std::chrono::minutes(2);
    int result = 1;
    bool running = true;
    while (running && std::chrono::steady_clock::now() < give_up) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != MapNotify || event.xmap.event != root) continue;
            const std::string title = window_title(display, event.xmap.window);
            if (title.empty() || (!wanted.empty() && title.find(wanted) == std::string::npos)) continue;
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            std::printf("%.2f\n", took.count());
            result = 0;
            running = false;
            break;
        }
        if (!running) break;
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "window_map_timer: %s ended before it showed a window\n", argv[first]);
            return 1;
        }
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, 50);
    }
    if (result != 0) std::fprintf(stderr, "window_map_timer: no window with a title within two minutes\n");
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    return result;
}
