#include "platform/file_locks.h"

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

namespace morvelin {

namespace {

class FlockHold final : public FileLockPort::Hold {
public:
    explicit FlockHold(int fd) : fd_(fd) {}
    ~FlockHold() override { ::close(fd_); } // closing the only descriptor drops the lock
    FlockHold(const FlockHold&) = delete;
    FlockHold& operator=(const FlockHold&) = delete;

private:
    int fd_;
};

} // namespace

std::unique_ptr<FileLockPort::Hold> LinuxFileLocks::lock_exclusive(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return nullptr;
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<FlockHold>(fd);
}

bool LinuxFileLocks::process_running(long pid) {
    if (pid <= 0 || pid > INT_MAX) return false;
    // EPERM: it runs, under another user.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace morvelin
