#pragma once

class QApplication;

namespace morvelin {

// SIGTERM, SIGINT and SIGHUP (session end, Ctrl+C in a terminal) end the message loop like closing
// the main window does, so that the settings are written instead of lost.
void quit_on_termination_signals(QApplication& app);

} // namespace morvelin
