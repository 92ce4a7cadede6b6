#include "app/termination_signals.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace morvelin {

namespace {

int signal_fds[2] = {-1, -1};

void on_signal(int) {
    // Only async-signal-safe work here: wake the event loop through the socket.
    char one = 1;
    [[maybe_unused]] auto n = ::write(signal_fds[0], &one, 1);
}

} // namespace

void quit_on_termination_signals(QApplication& app, std::function<void()> close_windows) {
    if (signal_fds[0] >= 0) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_fds) != 0) return;
    auto* notifier = new QSocketNotifier(signal_fds[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app, close_windows] {
        char buffer[16];
        [[maybe_unused]] auto n = ::read(signal_fds[1], buffer, sizeof buffer);
        if (close_windows) close_windows();
        app.closeAllWindows();
        app.quit();
    });
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

} // namespace morvelin
