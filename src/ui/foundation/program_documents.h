#pragma once
// The documents that come with the program: the HTML help and the read-me. They lie beside the program
// in a build or a portable copy, and in <prefix>/share/morvelin after `cmake --install`. The help window
// (ui/windows/help_window.h) shows them.

#include <QUrl>

#include <optional>
#include <string>

namespace morvelin {

inline constexpr const char* help_file_name = "Morvelin.html";
inline constexpr const char* readme_file_name = "Readme.html";

// The path of a program document: the program folder first, then ../share/morvelin beside it.
std::optional<std::string> program_document(const std::string& name);

// The address of a program document, at anchor when one is given. A missing document is told to the
// user (flags 16) and gives none.
std::optional<QUrl> program_document_url(const std::string& name, const std::string& anchor = {});

} // namespace morvelin
