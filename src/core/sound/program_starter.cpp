#include "sound/program_starter.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace morvelin {

namespace {

ProgramStarter& installed_starter() {
    static ProgramStarter starter;
    return starter;
}

std::function<void()>& installed_end_handler() {
    static std::function<void()> handler;
    return handler;
}

// Forks twice so that the started program is adopted by init and never lingers as our zombie, and
// learns through a close-on-exec pipe whether the exec succeeded: the pipe closes without data when
// it did, and carries errno when it did not. Only async-signal-safe calls run after the fork.
bool start_detached(const std::vector<std::string>& arguments) {
    if (arguments.empty() || arguments[0].empty()) return false;
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return false;
    pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (child == 0) {
        close(report[0]);
        setsid();
        pid_t grandchild = fork();
        if (grandchild == 0) {
            execvp(argv[0], argv.data());
            int error = errno;
            (void)!write(report[1], &error, sizeof error);
            _exit(127);
        }
        if (grandchild < 0) {
            int error = errno;
            (void)!write(report[1], &error, sizeof error);
        }
        _exit(0);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    return got == 0;
}

} // namespace

void install_program_starter(ProgramStarter starter) {
    installed_starter() = std::move(starter);
}

bool start_program(const std::vector<std::string>& arguments, bool maximised) {
    if (installed_starter()) return installed_starter()(arguments, maximised);
    return start_detached(arguments);
}

void install_program_end_handler(std::function<void()> handler) {
    installed_end_handler() = std::move(handler);
}

void end_program() {
    if (installed_end_handler()) {
        installed_end_handler()();
        return;
    }
    std::exit(0);
}

} // namespace morvelin
