#pragma once
// The single-instance guard. A running instance holds a shared flock on a lock file named after the
// mutex name, in $XDG_RUNTIME_DIR (or the temp folder), for the life of the process; a new instance
// finds out whether any other holds it. Like a named mutex, every instance that keeps running holds
// the lock, so a third start is asked even when the first has ended and the second still runs.

#include <string>

namespace morvelin {

// "Morvelin Mutex" + title + " " + version: "Morvelin MutexT 1.0".
std::string single_instance_mutex_name(const std::string& title, const std::string& version);

// The lock file for a name: characters other than letters, digits, '.', '-' and '_' become '_'.
// folder empty: $XDG_RUNTIME_DIR, else the temp folder.
std::string single_instance_lock_path(const std::string& mutex_name, const std::string& folder = {});

// Takes the lock for this process (kept until release or exit; child processes do not inherit it).
// Returns false when another process (or another acquisition) holds it already, true otherwise: also
// when the lock file cannot be made, since then no check is possible.
bool acquire_single_instance(const std::string& mutex_name, const std::string& folder = {});
// Drops the lock (tests; the program keeps it until it ends).
void release_single_instance();

// The same as an object, for tests that need several holders in one process.
class SingleInstanceLock {
public:
    SingleInstanceLock(const std::string& mutex_name, const std::string& folder = {});
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    bool held() const { return fd_ >= 0; }                  // the lock file could be made and locked
    bool other_instance() const { return other_instance_; } // someone held it when this was made

private:
    int fd_ = -1;
    bool other_instance_ = false;
};

} // namespace morvelin
