#pragma once
// Desktop services: trash, opening documents and addresses.
// Paths and addresses are native (UTF-8); messages are Windows-1252 texts.

#include "platform/drives.h"

#include <string>

namespace morvelin {

// Moves the files (not the sub-folders) of folder to the trash without asking, so the user can undo it.
// True when every file went; a file that cannot be trashed is left in place (never deleted outright)
// and makes the result false.
bool delete_folder_contents(const std::string& folder);

// Opens a document (path) or a web address with the desktop's handler; false when that failed.
bool open_with_shell(const std::string& document_or_address);

} // namespace morvelin
