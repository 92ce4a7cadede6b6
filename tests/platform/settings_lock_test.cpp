#include "core/foundation/settings_file.h"
#include "platform/file_locks.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/wait.h>
#include <unistd.h>

using namespace morvelin;
using namespace morvelin::testing;
namespace fs = std::filesystem;

namespace {

class SettingsLockTest : public ::testing::Test {
protected:
    void SetUp() override { install_file_lock_port(&locks_); }
    void TearDown() override { install_file_lock_port(nullptr); }

    std::string ini() const { return dir_.file("Morvelin.ini"); }

    // A process id that no process has now: a child that has ended and been reaped.
    static pid_t ended_process() {
        const pid_t child = fork();
        if (child == 0) _exit(0);
        int status = 0;
        waitpid(child, &status, 0);
        return child;
    }

    LinuxFileLocks locks_;
    TempDir dir_;
};

// Two programs that save their settings at the same moment: each writes its own keys one by one, and
// every key of both must be in the file at the end.
TEST_F(SettingsLockTest, TwoProcessesWritingTheSameFileLoseNothing) {
    constexpr int keys_each = 150;
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) {
            close(start[1]);
            char c;
            (void)read(start[0], &c, 1); // both begin when the pipe closes
            for (int i = 0; i < keys_each; ++i)
                if (!settings_write_integer(ini(), "KEYS", std::string(1, 'A' + w) + std::to_string(i), i))
                    _exit(3);
            _exit(0);
        }
    }
    close(start[0]);
    close(start[1]);
    for (pid_t writer : writers) {
        int status = 0;
        waitpid(writer, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
    }
    EXPECT_EQ(settings_read_section_keys(ini(), "KEYS").size(), 2u * keys_each);
}

// A writer killed between making its temporary file and renaming it leaves the file behind; the next
// writer removes it when its process is gone, and leaves those of running processes and other files.
TEST_F(SettingsLockTest, TemporaryFilesOfEndedWritersAreRemoved) {
    const std::string stale = dir_.file(".Morvelin.ini.tmp-" + std::to_string(ended_process()) + "-0");
    const std::string running = dir_.file(".Morvelin.ini.tmp-" + std::to_string(getpid()) + "-99");
    const std::string other = dir_.file(".Other.ini.tmp-" + std::to_string(ended_process()) + "-0");
    const std::string lookalike = dir_.file(".Morvelin.ini.tmp-notapid-0");
    for (const auto& path : {stale, running, other, lookalike})
        write_file(path, "[GENERAL]\nWindows=2\n");

    ASSERT_TRUE(settings_write_integer(ini(), "GENERAL", "Windows", 1));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(lookalike));
    EXPECT_EQ(read_file(ini()), "[GENERAL]\nWindows=1\n");
}

TEST(LinuxFileLocks, ProcessesThatRunAndThatDoNot) {
    LinuxFileLocks locks;
    EXPECT_TRUE(locks.process_running(getpid()));
    EXPECT_TRUE(locks.process_running(1)) << "init runs, as another user's process may";
    EXPECT_FALSE(locks.process_running(0));
    EXPECT_FALSE(locks.process_running(-5));
    EXPECT_FALSE(locks.process_running(1L << 40));
}

} // namespace
