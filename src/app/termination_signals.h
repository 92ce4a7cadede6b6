#pragma once

#include <functional>

class QApplication;

namespace morvelin {

// SIGTERM, SIGINT and SIGHUP (session end, Ctrl+C in a terminal) end the message loop like closing
// the main window does, so that the settings are written instead of lost. close_windows runs first
// (the program's windows save themselves without asking); then every window closes and the loop ends.
void quit_on_termination_signals(QApplication& app, std::function<void()> close_windows = {});

} // namespace morvelin
