#pragma once
// The file-lock port on Linux: flock(2) on a lock file, kill(pid, 0) for a process's existence.

#include "core/foundation/file_lock_port.h"

namespace morvelin {

class LinuxFileLocks final : public FileLockPort {
public:
    std::unique_ptr<Hold> lock_exclusive(const std::string& path) override;
    bool process_running(long pid) override;
};

} // namespace morvelin
