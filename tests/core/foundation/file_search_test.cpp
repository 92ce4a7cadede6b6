#include "core/foundation/environment.h"
#include "core/foundation/file_search.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace morvelin;
using namespace morvelin::testing;
namespace fs = std::filesystem;

namespace {

// Three different folders: current, start-up and program folder.
class FileSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_env_ = environment();
        saved_cwd_ = fs::current_path();
        fs::current_path(current_.path());
        environment().startup_folder = startup_.path();
        environment().program_folder = program_.path();
    }
    void TearDown() override {
        fs::current_path(saved_cwd_);
        environment() = saved_env_;
    }

    TempDir current_, startup_, program_;
    Environment saved_env_;
    fs::path saved_cwd_;
};

TEST_F(FileSearchTest, CurrentThenStartUpThenProgramFolder) {
    program_.write("taxa.txt", "p");
    EXPECT_EQ(locate_file("taxa.txt"), program_.file("taxa.txt"));
    startup_.write("taxa.txt", "s");
    EXPECT_EQ(locate_file("taxa.txt"), startup_.file("taxa.txt"));
    current_.write("taxa.txt", "c");
    EXPECT_EQ(locate_file("taxa.txt"), current_.file("taxa.txt"));
    EXPECT_FALSE(locate_file("people.txt"));
    EXPECT_FALSE(locate_file(""));
}

TEST_F(FileSearchTest, AbsoluteNamesAreNotLookedForElsewhere) {
    program_.write("x/taxa.txt", "p");
    EXPECT_FALSE(locate_file("/x/taxa.txt"));
    EXPECT_EQ(locate_file(program_.file("x/taxa.txt")), program_.file("x/taxa.txt"));
    EXPECT_EQ(locate_file("x/taxa.txt"), program_.file("x/taxa.txt"));
}

TEST_F(FileSearchTest, FoldersAreNotFilesAndCaseIsForgiven) {
    fs::create_directory(startup_.file("Morvelin.txt"));
    program_.write("MORVELIN.TXT", "texts");
    EXPECT_EQ(locate_file("Morvelin.txt"), program_.file("MORVELIN.TXT"));
    // Folders are tried in order: a match ignoring case in an earlier folder beats an exact one later.
    program_.write("Morvelin.txt", "texts");
    current_.write("MORVELIN.txt", "texts");
    EXPECT_EQ(locate_file("Morvelin.txt"), current_.file("MORVELIN.txt"));
}

TEST_F(FileSearchTest, CaseInsensitivePathComponents) {
    current_.write("Voices/Bird 1/Song.WAV", "x");
    current_.write("abc", "");
    current_.write("ABC", "");
    const std::string p = current_.path();
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {p + "voices/bird 1/song.wav", p + "Voices/Bird 1/Song.WAV"},
        {p + "VOICES/", p + "Voices/"},
        {p + "Voices/Bird 1/Song.WAV", p + "Voices/Bird 1/Song.WAV"},
        {"voices/BIRD 1/../bird 1/song.wav", "Voices/Bird 1/../Bird 1/Song.WAV"},
        {p + "Abc", p + "ABC"}, // several matches: the first in byte order
        {p + "voices/missing/song.wav", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(find_path_case_insensitive(path), expected) << path;
}

} // namespace
