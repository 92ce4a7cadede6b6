#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace morvelin;
using namespace morvelin::testing;
namespace fs = std::filesystem;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    std::string ini() const { return settings_.ini(); }
    void write_ini(const std::string& text) const { write_file(ini(), text); }
    std::string read_ini() const { return read_file(ini()); }

    ScratchSettings settings_;
};

TEST_F(SettingsFileTest, LookupIsCaseInsensitiveFirstMatchWinsAndTrimsAroundEquals) {
    write_ini("Orphan=before any section\r\n"
              "[General]\r\n"
              "  Base Directory  =  /media/disc/Data dir  \r\n"
              "Windows=2\r\n"
              "windows=3\r\n"
              "junk line without equals\r\n"
              "; Comment=not a key to us either way\r\n"
              "Empty=\r\n"
              "[ PLAYLISTS ]\r\n"
              "Open at Startup=Yes\r\n"
              "[GENERAL]\r\n"
              "Windows=9\r\n"
              "Hidden=in the second GENERAL section\r\n");
    EXPECT_EQ(settings_read_string("", "GENERAL", "base directory", "?"), "/media/disc/Data dir");
    EXPECT_EQ(settings_read_integer("", "general", "WINDOWS", 0), 2);
    EXPECT_EQ(settings_read_string("", "GENERAL", "Empty", "default"), "");
    EXPECT_EQ(settings_read_string("", "GENERAL", "Hidden", "default"), "default");
    EXPECT_EQ(settings_read_string("", "GENERAL", "Orphan", "default"), "default");
    EXPECT_TRUE(settings_read_yes_no("", "playlists", "open at startup", false));
    EXPECT_TRUE(settings_key_exists("", "GENERAL", "Empty"));
    EXPECT_FALSE(settings_key_exists("", "GENERAL", "Absent"));
    EXPECT_EQ(settings_read_section_keys("", "general"),
              (std::vector<std::string>{"Base Directory", "Windows", "windows", "; Comment", "Empty"}));
}

TEST_F(SettingsFileTest, MissingFileGivesEveryDefault) {
    const NumberSet def{1, 2, 3};
    EXPECT_EQ(settings_read_string("", "GENERAL", "Text File", "Morvelin.txt"), "Morvelin.txt");
    EXPECT_EQ(settings_read_integer("", "GENERAL", "Windows", 4), 4);
    EXPECT_TRUE(settings_read_yes_no("", "GENERAL", "Just Installed", true));
    EXPECT_EQ(settings_read_number_set("", "WINDOW 1", "Visible Audio CDs", def), def);
    EXPECT_TRUE(settings_read_section_keys("", "GENERAL").empty());
    EXPECT_FALSE(fs::exists(ini()));
}

TEST_F(SettingsFileTest, ReadsOfAFolderInsteadOfAFileGiveDefaults) {
    fs::create_directory(ini());
    EXPECT_EQ(settings_read_string("", "GENERAL", "Text File", "x"), "x");
}

TEST_F(SettingsFileTest, YesNoReadsTheFirstCharacter) {
    struct Case {
        const char* stored;
        bool expected;
    };
    const Case cases[] = {{"true", true}, {"Yes", true}, {"yes", true}, {"Y", true},  {"T", true},
                          {"TRUE", true}, {"no", false}, {"0", false},  {"1", false}, {"", false},
                          {"x", false},   {" yes", true}}; // the spaces around a value are not part of it
    for (const auto& c : cases) {
        write_ini(std::string("[S]\nk=") + c.stored + "\n");
        EXPECT_EQ(settings_read_yes_no("", "S", "k", !c.expected), c.expected) << '"' << c.stored << '"';
    }
    write_ini("[S]\n");
    EXPECT_TRUE(settings_read_yes_no("", "S", "k", true));
    EXPECT_FALSE(settings_read_yes_no("", "S", "k", false));
}

TEST_F(SettingsFileTest, IntegersAreNonNegativeDecimalsElseTheDefault) {
    struct Case {
        const char* stored;
        int expected;
    };
    const Case cases[] = {{"42", 42},
                          {" 7 ", 7},
                          {"+5", 5},
                          {"0", 0},
                          {"-3", -99},
                          {"abc", -99},
                          {"", -99},
                          {"12abc", -99},
                          {"99999999999", -99},
                          {"2147483647", 2147483647},
                          {"0x10", -99}};
    for (const auto& c : cases) {
        write_ini(std::string("[S]\nk=") + c.stored + "\n");
        EXPECT_EQ(settings_read_integer("", "S", "k", -99), c.expected) << '"' << c.stored << '"';
    }
}

TEST_F(SettingsFileTest, NumberSetsParseRunsOfDigitsBetweenDashes) {
    struct Case {
        std::string stored;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"0-5-300-7x8-", {5, 78}},
        {"3-17-200", {3, 17, 200}},
        {"", {}},
        {"255-1-256", {1, 255}},
        {"99999999999-4", {4}},
        {"5-5-05", {5}},
        {"--2--", {2}},
        // Only the first 1000 characters count: the 7 is character 999, the 9 character 1001.
        {std::string(997, 'x') + "-7-9", {7}},
    };
    for (const auto& c : cases) {
        write_ini("[S]\nk=" + c.stored + "\n");
        EXPECT_EQ(settings_read_number_set("", "S", "k", NumberSet{200}).members(), c.expected) << c.stored;
    }
}

TEST_F(SettingsFileTest, NumberSetsRoundTripIncludingTheEmptySet) {
    NumberSet set{200, 3, 17};
    ASSERT_TRUE(settings_write_number_set("", "AUDIO CDS", "Visible", set));
    EXPECT_EQ(settings_read_string("", "AUDIO CDS", "Visible", ""), "3-17-200");
    EXPECT_EQ(settings_read_number_set("", "AUDIO CDS", "Visible", {}), set);

    ASSERT_TRUE(settings_write_number_set("", "AUDIO CDS", "Visible", NumberSet{}));
    EXPECT_EQ(read_ini(), "[AUDIO CDS]\nVisible=\n");
    EXPECT_TRUE(settings_read_number_set("", "AUDIO CDS", "Visible", NumberSet{1, 2}).empty());
}

// One pair of matching quotes around a value is not part of it, as for the Windows reader; a value
// written with quotes of its own keeps them.
TEST_F(SettingsFileTest, MatchingQuotesAroundAValueAreNotPartOfIt) {
    write_ini("[GENERAL]\n"
              "Base Directory=\"/media/cdrom/\"\n"
              "Single= 'with spaces ' \n"
              "Windows=\"3\"\n"
              "Mixed=\"not a pair'\n"
              "Lone=\"\n"
              "Inner=a \"quoted\" word\n"
              "Empty=\"\"\n");
    EXPECT_EQ(settings_read_string("", "GENERAL", "Base Directory", ""), "/media/cdrom/");
    EXPECT_EQ(settings_read_string("", "GENERAL", "Single", ""), "with spaces ");
    EXPECT_EQ(settings_read_integer("", "GENERAL", "Windows", 0), 3);
    EXPECT_EQ(settings_read_string("", "GENERAL", "Mixed", ""), "\"not a pair'");
    EXPECT_EQ(settings_read_string("", "GENERAL", "Lone", ""), "\"");
    EXPECT_EQ(settings_read_string("", "GENERAL", "Inner", ""), "a \"quoted\" word");
    EXPECT_EQ(settings_read_string("", "GENERAL", "Empty", "default"), "");

    for (const std::string value : {"\"quoted\"", "'x'", "''", "plain", "\"open"}) {
        ASSERT_TRUE(settings_write_string("", "ROUND TRIP", "Value", value));
        EXPECT_EQ(settings_read_string("", "ROUND TRIP", "Value", "?"), value);
    }
}

TEST_F(SettingsFileTest, StringsAreCutTo200Characters) {
    std::string value(250, 'a');
    value[199] = 'z';
    ASSERT_TRUE(settings_write_string("", "S", "Long", value));
    EXPECT_EQ(settings_read_string("", "S", "Long", ""), value.substr(0, 200));
    // The file keeps the whole value; only reading cuts.
    EXPECT_NE(read_ini().find(value), std::string::npos);
}

TEST_F(SettingsFileTest, WritesChangeOneValueAndKeepTheRestOfTheFile) {
    const std::string original = "; Morvelin settings\r\n"
                                 "[GENERAL]\r\n"
                                 "Base directory = /old/\r\n"
                                 "Windows=1\r\n"
                                 "\r\n"
                                 "[WINDOW 1]\r\n"
                                 "Visible=1,1,0,1,0\r\n";
    write_ini(original);
    ASSERT_TRUE(settings_write_string("", "general", "BASE DIRECTORY", "/new/"));
    ASSERT_TRUE(settings_write_integer("", "GENERAL", "Text Size", 12));
    ASSERT_TRUE(settings_write_yes_no("", "PLAYLISTS", "Open at Startup", true));
    EXPECT_EQ(read_ini(), "; Morvelin settings\r\n"
                          "[GENERAL]\r\n"
                          "Base directory=/new/\r\n"
                          "Windows=1\r\n"
                          "Text Size=12\r\n"
                          "\r\n"
                          "[WINDOW 1]\r\n"
                          "Visible=1,1,0,1,0\r\n"
                          "\r\n"
                          "[PLAYLISTS]\r\n"
                          "Open at Startup=Yes\r\n");
}

TEST_F(SettingsFileTest, WritingTheSameValueLeavesTheFileAlone) {
    write_ini("[S]\nk=v\n");
    struct stat before {};
    ASSERT_EQ(::stat(ini().c_str(), &before), 0);
    ASSERT_TRUE(settings_write_string("", "S", "k", "v"));
    struct stat after {};
    ASSERT_EQ(::stat(ini().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(SettingsFileTest, RefusesWhatWouldNotReadBackAndLeavesTheFileAlone) {
    write_ini("[S]\nk=v\n");
    EXPECT_FALSE(settings_write_string("", "S", "k", "two\nlines"));
    EXPECT_FALSE(settings_write_string("", "S", "k", "cr\rvalue"));
    EXPECT_FALSE(settings_write_string("", "S", "a=b", "v"));
    EXPECT_FALSE(settings_write_string("", "S", "", "v"));
    EXPECT_FALSE(settings_write_string("", "S", "[T]", "v"));
    EXPECT_FALSE(settings_write_string("", "S]x", "k", "v"));
    EXPECT_EQ(read_ini(), "[S]\nk=v\n");
}

TEST_F(SettingsFileTest, NothingIsWrittenToTheSettingsFileOnADisc) {
    environment().settings_on_cdrom = true;
    EXPECT_TRUE(settings_write_string("", "GENERAL", "Base Directory", "/x/"));
    EXPECT_TRUE(settings_delete_section("", "GENERAL"));
    EXPECT_FALSE(fs::exists(ini()));
    // A named file (a play list) is still written.
    const std::string list = settings_.dir().file("birds.pl");
    EXPECT_TRUE(settings_write_string(list, "GENERAL", "Version", "3.14"));
    EXPECT_EQ(settings_read_string(list, "GENERAL", "Version", ""), "3.14");
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadIsNeverReplaced) {
    fs::create_directory(ini()); // stands for any path that exists but is no readable file
    EXPECT_FALSE(settings_write_string("", "S", "k", "v"));
    EXPECT_TRUE(fs::is_directory(ini()));
    EXPECT_FALSE(settings_write_string(settings_.dir().file("no/such/folder/x.ini"), "S", "k", "v"));
}

TEST_F(SettingsFileTest, WritesKeepPermissionsAndFollowSymbolicLinks) {
    const std::string real = settings_.dir().file("real.ini");
    write_file(real, "[S]\nk=1\n");
    ::chmod(real.c_str(), 0640);
    fs::create_symlink(real, ini());
    ASSERT_TRUE(settings_write_integer("", "S", "k", 2));
    EXPECT_TRUE(fs::is_symlink(ini()));
    EXPECT_EQ(read_file(real), "[S]\nk=2\n");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(settings_.dir().path()), fs::directory_iterator()), 2);
}

TEST_F(SettingsFileTest, DeletingKeysAndSections) {
    write_ini("[WINDOW 1]\nA=1\nB=2\n\n[WINDOW 2]\nA=3\n[window 1]\nC=4\n");
    ASSERT_TRUE(settings_delete_key("", "window 1", "b"));
    EXPECT_EQ(read_ini(), "[WINDOW 1]\nA=1\n\n[WINDOW 2]\nA=3\n[window 1]\nC=4\n");
    ASSERT_TRUE(settings_delete_section("", "WINDOW 2"));
    EXPECT_EQ(read_ini(), "[WINDOW 1]\nA=1\n\n[window 1]\nC=4\n");
    ASSERT_TRUE(settings_delete_section("", "Window 1")); // the first one only
    EXPECT_EQ(read_ini(), "[window 1]\nC=4\n");
    EXPECT_TRUE(settings_delete_key("", "nothing", "here"));
    EXPECT_TRUE(settings_delete_section("", "nothing"));
    EXPECT_EQ(read_ini(), "[window 1]\nC=4\n");
}

// A writer killed at any moment leaves the old or the new complete file, never a part of one.
TEST_F(SettingsFileTest, InterruptedWritesLeaveACompleteFile) {
    // A file of some size, so that writing it takes several system calls.
    std::string body = "[DATA]\n";
    for (int i = 0; i < 400; ++i)
        body += "Key " + std::to_string(i) + "=" + std::string(60, 'a' + i % 26) + "\n";
    auto expected = [&](int n) { return body + "\n[COUNTER]\nN=" + std::to_string(n) + "\n"; };
    write_ini(expected(0));

    std::mt19937 random(12345);
    int last = 0;
    for (int trial = 0; trial < 25; ++trial) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                int n = settings_read_integer("", "COUNTER", "N", -1);
                if (n < 0 || !settings_write_integer("", "COUNTER", "N", n + 1)) _exit(3);
            }
        }
        // The first writer is left to finish a few writes, so that later ones start from a changed file.
        if (trial == 0) {
            auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            while (settings_read_integer("", "COUNTER", "N", -1) < 3 &&
                   std::chrono::steady_clock::now() < give_up)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        // Kill moments spread over several writes' time, so that they fall into every phase of a write.
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<>(0, 20000)(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed by itself";

        int n = settings_read_integer("", "COUNTER", "N", -1);
        ASSERT_GE(n, last);
        ASSERT_EQ(read_ini(), expected(n)) << "trial " << trial;
        last = n;
    }
    EXPECT_GT(last, 0) << "the writer never completed a write";
}

} // namespace
