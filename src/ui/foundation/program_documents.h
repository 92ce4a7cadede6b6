#pragma once
// The documents that come with the program: the HTML help and the read-me. They lie beside the program
// in a build or a portable copy, and in <prefix>/share/morvelin after `cmake --install`.

#include <optional>
#include <string>

class QWidget;

namespace morvelin {

inline constexpr const char* help_file_name = "Morvelin.html";
inline constexpr const char* readme_file_name = "Readme.html";

// The path of a program document: the program folder first, then ../share/morvelin beside it.
std::optional<std::string> program_document(const std::string& name);

// Shows a program document in the program's own help window (one for the program, reused), scrolled
// to anchor when one is given. The help is read in-program so that it works without a browser and
// opens at the anchor. The window belongs to owner, so that it never keeps the program running on its
// own. A missing document is told to the user (flags 16); returns whether it is shown.
bool show_program_document(const std::string& name, const std::string& anchor, QWidget* owner);

// Opens the document with the desktop's handler (a web browser for HTML); when the desktop has no
// handler, shows it in the help window instead. A missing document is told to the user (flags 16).
bool open_program_document(const std::string& name, QWidget* owner);

// The help window when it exists (for tests), else null.
QWidget* help_window();

} // namespace morvelin
