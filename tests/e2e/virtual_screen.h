#pragma once
// A private X server (Xvfb, one 1280x1024 true-colour screen, no window manager unless
// MORVELIN_E2E_WINDOW_MANAGER names one) and the tools that
// work on it: xdotool for windows, mouse and keys, ImageMagick's import for screenshots. Xvfb picks a
// free display number itself (-displayfd), so tests running in parallel never share a screen. It runs
// without resets: by default it resets whenever its last client leaves, and a program or tool that
// connects during a reset is refused.

#include "child_process.h"

#include <QImage>
#include <QRect>

#include <sstream>
#include <string>
#include <vector>

namespace morvelin::e2e {

struct ScreenWindow {
    std::string id;   // the X window id as xdotool prints it
    std::string name; // its caption
    QRect geometry;   // in screen pixels
};

class VirtualScreen {
public:
    static constexpr int width = 1280;
    static constexpr int height = 1024;

    VirtualScreen() = default;
    ~VirtualScreen() { stop(); }
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    // size: of the screen in pixels; a larger one for programs drawn at a scale factor above 1.
    bool start(std::string& error, const std::string& log_file, QSize size = QSize(width, height)) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            error = "no pipe for Xvfb";
            return false;
        }
        Launch launch;
        const std::string geometry = std::to_string(size.width()) + "x" + std::to_string(size.height()) + "x24";
        launch.arguments = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", geometry, "-nolisten",
                            "tcp",  "-noreset"};
        launch.keep_fd = fds[1];
        launch.output = log_file;
        launch.errors = log_file;
        const bool started = server_.start(launch, error);
        ::close(fds[1]);
        // Xvfb writes the display number once it accepts connections.
        std::string number;
        const auto deadline = Clock::now() + 30s;
        while (started && Clock::now() < deadline && number.find('\n') == std::string::npos) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 200) <= 0) {
                if (server_.poll()) break;
                continue;
            }
            char c[64];
            const ssize_t n = ::read(fds[0], c, sizeof c);
            if (n <= 0) break;
            number.append(c, static_cast<std::size_t>(n));
        }
        ::close(fds[0]);
        if (!started) return false;
        while (!number.empty() && (number.back() == '\n' || number.back() == ' '))
            number.pop_back();
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
            error = "Xvfb did not report a display number (see " + log_file + ")";
            server_.stop();
            return false;
        }
        display_ = ":" + number;
        return start_window_manager(error, log_file);
    }

    void stop() {
        window_manager_.stop();
        server_.stop();
        display_.clear();
    }

    // The window manager named by MORVELIN_E2E_WINDOW_MANAGER (e.g. openbox); none when it is unset.
    static std::string window_manager() {
        const char* name = std::getenv("MORVELIN_E2E_WINDOW_MANAGER");
        return name ? name : "";
    }

    const std::string& display() const { return display_; }

    // A command with DISPLAY set to this screen.
    Ran x_command(std::vector<std::string> arguments, std::chrono::milliseconds timeout = 20s) const {
        Launch launch;
        launch.arguments = std::move(arguments);
        launch.changes["DISPLAY"] = display_;
        return run(std::move(launch), timeout);
    }

    // The mapped windows of a process (found by _NET_WM_PID), with caption and geometry. Windows that
    // vanish while they are looked at are left out.
    std::vector<ScreenWindow> windows_of(pid_t pid) const {
        std::vector<ScreenWindow> found;
        const Ran ids = x_command({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)});
        std::istringstream lines(ids.output);
        std::string id;
        while (lines >> id) {
            if (id.find_first_not_of("0123456789") != std::string::npos) continue;
            const Ran name = x_command({"xdotool", "getwindowname", id});
            const Ran shape = x_command({"xdotool", "getwindowgeometry", "--shell", id});
            if (!name.ok() || !shape.ok()) continue;
            ScreenWindow window;
            window.id = id;
            window.name = name.output.substr(0, name.output.find('\n'));
            int x = 0, y = 0, w = 0, h = 0;
            std::istringstream values(shape.output);
            std::string line;
            while (std::getline(values, line)) {
                const auto equals = line.find('=');
                if (equals == std::string::npos) continue;
                const std::string key = line.substr(0, equals);
                const int value = std::atoi(line.c_str() + equals + 1);
                if (key == "X") x = value;
                if (key == "Y") y = value;
                if (key == "WIDTH") w = value;
                if (key == "HEIGHT") h = value;
            }
            window.geometry = QRect(x, y, w, h);
            found.push_back(window);
        }
        return found;
    }

    // The whole screen as an image, kept as a PNG file too.
    QImage screenshot(const std::string& file) const {
        const Ran made = x_command({"import", "-window", "root", file}, 30s);
        if (!made.ok()) return {};
        return QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32);
    }

    // Clicks the left button at a screen point, then moves the pointer off to the bare screen
    // corner, so that hover looks and tooltips do not change what the next screenshot shows.
    bool click(QPoint at) const {
        return x_command({"xdotool", "mousemove", "--sync", std::to_string(at.x()), std::to_string(at.y()),
                          "click", "1", "mousemove", "--sync", "0", "0"})
            .ok();
    }

    // The X input focus; without a window manager nobody else gives it.
    bool focus(const ScreenWindow& window) const {
        return x_command({"xdotool", "windowfocus", "--sync", window.id}).ok();
    }
    std::string focused_window() const {
        const Ran focused = x_command({"xdotool", "getwindowfocus"});
        return focused.ok() ? focused.output.substr(0, focused.output.find('\n')) : std::string();
    }

    // Keys typed into the focused window, in xdotool's names ("alt+f", "Return").
    bool key(const std::string& keys) const { return x_command({"xdotool", "key", keys}).ok(); }
    // Text typed into the focused window, character by character.
    bool type(const std::string& text) const {
        return x_command({"xdotool", "type", "--delay", "40", text}).ok();
    }

    bool move(const ScreenWindow& window, QPoint to) const {
        return x_command({"xdotool", "windowmove", "--sync", window.id, std::to_string(to.x()),
                          std::to_string(to.y())})
            .ok();
    }

private:
    // Starts the window manager and waits until it has claimed the screen (it names its check window
    // on the root window).
    bool start_window_manager(std::string& error, const std::string& log_file) {
        const std::string manager = window_manager();
        if (manager.empty()) return true;
        Launch launch;
        launch.arguments = {manager};
        launch.changes["DISPLAY"] = display_;
        launch.output = log_file + "." + manager + ".log";
        launch.errors = launch.output;
        if (!window_manager_.start(launch, error)) return false;
        const auto deadline = Clock::now() + 30s;
        while (Clock::now() < deadline) {
            const Ran check = x_command({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"});
            if (check.ok() && check.output.find("window id #") != std::string::npos) return true;
            if (window_manager_.poll()) break;
            std::this_thread::sleep_for(50ms);
        }
        error = manager + " did not take the screen (see " + launch.output + ")";
        window_manager_.stop();
        return false;
    }

    ChildProcess window_manager_;
    ChildProcess server_;
    std::string display_;
};

} // namespace morvelin::e2e
