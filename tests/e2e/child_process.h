#pragma once
// Child processes for end-to-end tests: the program, the X server and the command-line tools that
// drive and watch them. Every child runs in a process group of its own, is killed when the test
// process dies (so a killed test leaves nothing behind), and is stopped by its owner's destructor.
// A time limit kills every running child and ends the test process when a test runs far too long.

#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace morvelin::e2e {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The full path of a program found on PATH (or the name itself when it holds a '/'); empty when none.
inline std::string find_program(const std::string& name) {
    if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string candidate = folders.substr(start, end - start);
        candidate = (candidate.empty() ? "." : candidate) + "/" + name;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

// ---- the children that are running, for the time limit (signal-safe: a fixed table of atomics)

inline std::array<std::atomic<pid_t>, 32>& running_children() {
    static std::array<std::atomic<pid_t>, 32> table{};
    return table;
}
inline void remember_child(pid_t pid) {
    for (auto& slot : running_children()) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, pid)) return;
    }
}
inline void forget_child(pid_t pid) {
    for (auto& slot : running_children()) {
        pid_t expected = pid;
        if (slot.compare_exchange_strong(expected, 0)) return;
    }
}

// While it exists, the test process ends with exit code 1 once the limit has passed, after killing
// every running child. Polls all have deadlines of their own; this catches what they cannot.
class TimeLimit {
public:
    explicit TimeLimit(std::chrono::seconds limit) {
        std::signal(SIGALRM, &TimeLimit::expired);
        ::alarm(static_cast<unsigned>(limit.count()));
    }
    ~TimeLimit() { ::alarm(0); }
    TimeLimit(const TimeLimit&) = delete;
    TimeLimit& operator=(const TimeLimit&) = delete;

private:
    static void expired(int) {
        static const char message[] = "\nend-to-end test: time limit exceeded; its processes were killed\n";
        [[maybe_unused]] auto written = ::write(2, message, sizeof message - 1);
        for (auto& slot : running_children()) {
            pid_t pid = slot.load();
            if (pid > 0) ::kill(-pid, SIGKILL);
        }
        ::_exit(1);
    }
};

// ---- starting a child

struct Launch {
    std::vector<std::string> arguments; // the program (a name on PATH, or a path) and its arguments
    // Environment changes: a name with a value is set, a name without one removed.
    std::map<std::string, std::optional<std::string>> changes;
    std::string folder; // working folder; empty: the test's own
    // Files for standard output and standard error (the same name shares one file); empty: /dev/null.
    std::string output;
    std::string errors;
    int output_fd = -1; // instead of the files: one descriptor for both
    int keep_fd = -1;   // a descriptor the child inherits as it is
};

struct ExitStatus {
    int code = -1;  // exit code when it exited
    int signal = 0; // the signal that ended it, else 0
    bool exited_with(int expected) const { return signal == 0 && code == expected; }
    std::string text() const {
        return signal ? "killed by signal " + std::to_string(signal) : "exit code " + std::to_string(code);
    }
};

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False, with the reason, when the program cannot be found or the process cannot be made.
    bool start(const Launch& launch, std::string& error) {
        stop();
        status_.reset();
        if (launch.arguments.empty()) {
            error = "nothing to start";
            return false;
        }
        const std::string program = find_program(launch.arguments[0]);
        if (program.empty()) {
            error = launch.arguments[0] + " was not found";
            return false;
        }
        // Everything the child needs is made before fork: after it only async-signal-safe calls.
        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry) {
            const std::string text = *entry;
            if (!launch.changes.count(text.substr(0, text.find('=')))) environment.push_back(text);
        }
        for (const auto& [name, value] : launch.changes)
            if (value) environment.push_back(name + "=" + *value);
        std::vector<char*> argv, envp;
        for (const auto& a : launch.arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        for (const auto& e : environment)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        const std::string output = launch.output.empty() ? "/dev/null" : launch.output;
        const std::string errors = launch.errors.empty() ? "/dev/null" : launch.errors;
        const pid_t parent = ::getpid();

        const pid_t pid = ::fork();
        if (pid < 0) {
            error = std::string("fork failed: ") + std::strerror(errno);
            return false;
        }
        if (pid == 0) {
            ::setpgid(0, 0);
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) ::_exit(127);
            if (!launch.folder.empty() && ::chdir(launch.folder.c_str()) != 0) ::_exit(126);
            const int in = ::open("/dev/null", O_RDONLY);
            int out = launch.output_fd;
            int err = launch.output_fd;
            if (out < 0) out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (err < 0)
                err = errors == output ? out : ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (in < 0 || out < 0 || err < 0) ::_exit(126);
            ::dup2(in, 0);
            ::dup2(out, 1);
            ::dup2(err, 2);
            if (launch.keep_fd >= 0) ::fcntl(launch.keep_fd, F_SETFD, 0);
            ::execve(program.c_str(), argv.data(), envp.data());
            ::_exit(127);
        }
        ::setpgid(pid, pid); // also here, so that the group exists before anyone signals it
        pid_ = pid;
        remember_child(pid_);
        return true;
    }

    pid_t pid() const { return pid_; }

    // The exit status once the process has ended; no value while it runs.
    std::optional<ExitStatus> poll() {
        if (pid_ <= 0) return status_;
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == pid_)
            reap();
        return status_;
    }

    // Waits up to the timeout for the end; no value when it still runs.
    std::optional<ExitStatus> wait(std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (!poll() && Clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        return poll();
    }

    void signal(int number) {
        if (pid_ > 0) ::kill(-pid_, number);
    }

    // Asks the process group to end (SIGTERM), kills it after the grace time, and reaps the process.
    void stop(std::chrono::milliseconds grace = 3s) {
        if (pid_ <= 0 || poll()) return;
        signal(SIGTERM);
        if (wait(grace)) return;
        signal(SIGKILL);
        reap();
    }

private:
    // Ends what is left of the group while the leader is not yet reaped (so that its number cannot
    // name another process yet), then reaps the leader.
    void reap() {
        ::kill(-pid_, SIGKILL);
        int raw = 0;
        ExitStatus status;
        if (::waitpid(pid_, &raw, 0) == pid_) {
            if (WIFEXITED(raw)) status.code = WEXITSTATUS(raw);
            if (WIFSIGNALED(raw)) status.signal = WTERMSIG(raw);
        }
        status_ = status;
        forget_child(pid_);
        pid_ = -1;
    }

    pid_t pid_ = -1;
    std::optional<ExitStatus> status_;
};

// ---- running a command to its end

struct Ran {
    bool started = false;
    bool timed_out = false;
    ExitStatus status;
    std::string output; // standard output and error together
    bool ok() const { return started && !timed_out && status.exited_with(0); }
};

inline Ran run(Launch launch, std::chrono::milliseconds timeout = 20s) {
    Ran ran;
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
        ran.output = "no pipe";
        return ran;
    }
    launch.output_fd = pipe_fds[1];
    ChildProcess child;
    std::string error;
    ran.started = child.start(launch, error);
    ::close(pipe_fds[1]);
    if (!ran.started) {
        ::close(pipe_fds[0]);
        ran.output = error;
        return ran;
    }
    const auto deadline = Clock::now() + timeout;
    char buffer[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            ran.timed_out = true;
            break;
        }
        pollfd p{pipe_fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        const ssize_t n = ::read(pipe_fds[0], buffer, sizeof buffer);
        if (n > 0) ran.output.append(buffer, static_cast<std::size_t>(n));
        if (n == 0 || (n < 0 && errno != EINTR)) break;
    }
    ::close(pipe_fds[0]);
    if (ran.timed_out) {
        child.stop(0ms);
        return ran;
    }
    const auto status = child.wait(std::chrono::duration_cast<std::chrono::milliseconds>(
        std::max(deadline - Clock::now(), Clock::duration(100ms))));
    if (!status) {
        ran.timed_out = true;
        child.stop(0ms);
        return ran;
    }
    ran.status = *status;
    return ran;
}

inline Ran run(std::vector<std::string> arguments, std::chrono::milliseconds timeout = 20s) {
    Launch launch;
    launch.arguments = std::move(arguments);
    return run(std::move(launch), timeout);
}

} // namespace morvelin::e2e
