#pragma once
// The start-up sequence from process entry to the message loop, and the finalisation after it.
// The order is fixed: data is loaded before any window exists and before the single-instance
// question, so a damaged disc ends the program before a window appears.

#include <memory>
#include <string>

class QApplication;

namespace morvelin {

class TChildForm;
class SingleInstanceLock;
class WindowRegistry;

class Startup {
public:
    Startup();
    ~Startup();
    Startup(const Startup&) = delete;
    Startup& operator=(const Startup&) = delete;

    // Runs every step before the message loop. Returns false when the user chose not to start a
    // second instance: the windows exist, but the message loop must end at once.
    bool start(const std::string& executable_path);
    // Runs the message loop unless start() asked to terminate; returns the application's exit code.
    int run_message_loop(QApplication& app);
    // Finalises the modules in reverse order; they write their settings.
    void finish();

    TChildForm* main_window() const { return main_window_; }
    // Makes, finds and connects the windows the main windows ask for; exists from start() to finish().
    WindowRegistry* window_registry() const { return windows_.get(); }
    bool terminate_requested() const { return terminate_; }

private:
    bool terminate_ = false;
    bool finished_ = false;
    TChildForm* main_window_ = nullptr;
    std::unique_ptr<SingleInstanceLock> instance_lock_;
    std::unique_ptr<WindowRegistry> windows_;
};

} // namespace morvelin
