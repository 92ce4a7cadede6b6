// Starting programs without waiting for them.

#include "platform/processes.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace morvelin {
namespace {

using testing::TempDir;

// Waits (generously: the machine may be busy) for the file that a started program writes last.
std::string wait_for_file(const std::string& path) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(path + ".done") && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return std::filesystem::exists(path + ".done") ? testing::read_file(path) : std::string("(not written)");
}

// A shell script that writes its arguments, one a line, to the file log.
std::string argument_recorder(const TempDir& dir, const std::string& log) {
    const std::string script = dir.file("editor with blanks");
    testing::write_file(script, "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" + log + "'\ntouch '" +
                                    log + ".done'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return script;
}

TEST(ProgramStarterTest, StartsAProgramWithItsArgumentsAsTheyAre) {
    TempDir dir;
    const std::string log = dir.file("args");
    ASSERT_TRUE(
        start_detached_program({argument_recorder(dir, log), "a \"quoted\" file.wav", "$HOME"}, false));
    EXPECT_EQ(wait_for_file(log), "a \"quoted\" file.wav\n$HOME\n");
}

TEST(ProgramStarterTest, AProgramThatCannotRunIsNotStarted) {
    TempDir dir;
    dir.write("plain.txt", "not a program");
    EXPECT_FALSE(start_detached_program({dir.file("plain.txt")}, false));
    EXPECT_FALSE(start_detached_program({dir.file("missing")}, false));
    EXPECT_FALSE(start_detached_program({}, false));
    EXPECT_TRUE(start_detached_program({"true"}, false)); // found in PATH
}

} // namespace
} // namespace morvelin
