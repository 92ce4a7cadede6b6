#include "platform/single_instance.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace morvelin {

namespace {

std::unique_ptr<SingleInstanceLock> process_lock;

} // namespace

std::string single_instance_mutex_name(const std::string& title, const std::string& version) {
    return "Morvelin Mutex" + title + " " + version;
}

std::string single_instance_lock_path(const std::string& mutex_name, const std::string& folder) {
    std::string dir = folder;
    if (dir.empty()) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        std::error_code ec;
        dir = (runtime && *runtime) ? runtime : std::filesystem::temp_directory_path(ec).string();
        if (dir.empty()) dir = "/tmp";
    }
    if (dir.back() != '/') dir += '/';
    std::string name;
    for (char c : mutex_name) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                     c == '-' || c == '_';
        name += plain ? c : '_';
    }
    return dir + name + ".lock";
}

SingleInstanceLock::SingleInstanceLock(const std::string& mutex_name, const std::string& folder) {
    std::string path = single_instance_lock_path(mutex_name, folder);
    // Close-on-exec: programs we start (the sound editor) must not keep the lock after we end.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    // An exclusive lock succeeds only when no instance holds the file. Then every instance keeps a
    // shared lock, so that the file counts as held while any instance runs.
    // (Waiting for the shared lock only outlasts another instance's moment between its two calls.)
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) other_instance_ = true;
    if (::flock(fd, LOCK_SH) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

SingleInstanceLock::~SingleInstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool acquire_single_instance(const std::string& mutex_name, const std::string& folder) {
    process_lock = std::make_unique<SingleInstanceLock>(mutex_name, folder);
    return !process_lock->other_instance();
}

void release_single_instance() {
    process_lock.reset();
}

} // namespace morvelin
