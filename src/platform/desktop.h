#pragma once
// Desktop services: trash, processes, opening documents and addresses, special folders.
// All texts are Windows-1252 (the program's 8-bit texts); paths are converted at this edge.

#include "platform/drives.h"

#include <string>

namespace morvelin {

// Moves the files (not the sub-folders) of folder to the trash without asking, so the user can undo it.
// True when every file went; a file that cannot be trashed is left in place (never deleted outright)
// and makes the result false.
bool delete_folder_contents(const std::string& folder);

struct ExecuteOptions {
    // Window placement of the started program. Kept for callers; a Linux desktop offers no portable
    // way to size or place another program's window, so they are not acted on.
    bool maximised = false;
    int left = -1;
    bool wait = false; // wait until the program ends (the caller's thread blocks)
};
// Starts command_line (split like a shell would, quotes respected); program, when not empty, is the
// program to run and command_line its arguments. Failure to start: "Could not execute \"" + program and
// command line + "\".\nError code is " + the system's text (flags 16). Failure while waiting: "Something
// went wrong when waiting for the process \"<command line>\" to return!" (flags 16). Both return false.
bool execute_program(const std::string& program, const std::string& command_line,
                     const ExecuteOptions& options = {});

// Opens a document (path) or a web address with the desktop's handler; false when that failed.
bool open_with_shell(const std::string& document_or_address);

// The user's documents folder ending with '/', or empty when it does not exist.
std::string personal_documents_folder();

} // namespace morvelin
