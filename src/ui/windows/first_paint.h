#pragma once
// Work that the first paint of a window need not wait for (asking the sound server or a drive,
// which loads the media module) runs once the window has painted for the first time.

#include <functional>

class QWidget;

namespace morvelin {

// Runs action from the event loop after the next paint of window or of any widget in it, or two
// seconds from now when none comes (a hidden or minimised window). The action is dropped when the
// window goes first.
void after_first_paint(QWidget& window, std::function<void()> action);

} // namespace morvelin
