#include "core/foundation/file_lock_port.h"

namespace morvelin {

namespace {

class NoFileLocks final : public FileLockPort {
public:
    std::unique_ptr<Hold> lock_exclusive(const std::string&) override { return nullptr; }
    bool process_running(long) override { return true; }
};

NoFileLocks no_locks;
FileLockPort* current = &no_locks;

} // namespace

void install_file_lock_port(FileLockPort* port) {
    current = port ? port : &no_locks;
}

FileLockPort& file_lock_port() {
    return *current;
}

} // namespace morvelin
