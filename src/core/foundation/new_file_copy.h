#pragma once
// Copying one file into a folder being filled (a copy of a disc's media folders): the target is new, so
// no temporary file and no flush per file are needed; whoever fills the folder flushes its file system
// once at the end and only then puts the folder to use.

#include <functional>
#include <string>

namespace morvelin {

enum class NewFileCopy {
    copied,
    failed,  // errno tells why; no target is left
    stopped, // keep_going answered false; no target is left
};

// Copies the regular file source to target, which must not exist yet, in blocks of a few megabytes
// (the kernel copies them when it can), asking keep_going before each block. The copy gets the
// source's modification time and the permissions of a new file of the user (never the read-only bits
// of a disc, so the copy can be refreshed and removed later).
NewFileCopy copy_new_file(const std::string& source, const std::string& target,
                          const std::function<bool()>& keep_going = {});

// Writes everything cached for the file system that holds path to the disk; false when it cannot.
bool flush_file_system(const std::string& path);

} // namespace morvelin
