#pragma once
// Advisory locks between processes, for the read-modify-replace of files that several running programs
// may change at once (the settings file). Core makes no system calls itself: the platform installs the
// real implementation; without one, nothing is locked and every process counts as running.

#include <memory>
#include <string>

namespace morvelin {

class FileLockPort {
public:
    // Holds a lock until it is destroyed.
    class Hold {
    public:
        virtual ~Hold() = default;
    };

    virtual ~FileLockPort() = default;
    // Waits until this process holds the exclusive lock of the lock file at path (made when missing).
    // Null when the lock file cannot be made or locked; the caller then goes on without the lock.
    virtual std::unique_ptr<Hold> lock_exclusive(const std::string& path) = 0;
    // False only when it is certain that no process with this id runs on this machine.
    virtual bool process_running(long pid) = 0;
};

// The pointer is not owned and must outlive its use; nullptr restores the default (no locks).
void install_file_lock_port(FileLockPort* port);
FileLockPort& file_lock_port();

} // namespace morvelin
