#include "core/foundation/environment.h"
#include "core/foundation/text_encoding.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

using namespace morvelin;
using namespace morvelin::testing;
namespace fs = std::filesystem;

namespace {

const char* const mountinfo = "22 1 0:21 / /proc rw,relatime - proc proc rw\n"
                              "28 1 254:1 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
                              "40 28 11:0 / /media/cd ro,relatime shared:20 - iso9660 /dev/sr0 ro\n"
                              "41 40 8:1 / /media/cd/inner rw - ext4 /dev/sda1 rw\n"
                              "42 28 11:1 / /media/with\\040space ro master:3 shared:7 - udf /dev/sr1 ro\n"
                              "43 28 7:0 / /media/cd2 ro - ext4 /dev/loop0 ro\n"
                              "44 28 7:1 / /media/cd2 ro - iso9660 /dev/loop1 ro\n"
                              "broken line\n";

TEST(Mounts, TheNearestAndLatestMountHoldsAPath) {
    struct Case {
        const char* path;
        const char* mount_point;
        const char* fs_type;
    };
    const Case cases[] = {
        {"/media/cd/Voices/x.wav", "/media/cd", "iso9660"},
        {"/media/cd", "/media/cd", "iso9660"},
        {"/media/cdrom/x", "/", "ext4"}, // a prefix of the name is no mount point
        {"/media/cd/inner/y", "/media/cd/inner", "ext4"},
        {"/media/with space/a", "/media/with space", "udf"},
        {"/media/cd2/a", "/media/cd2", "iso9660"}, // mounted over the earlier one
        {"/media/cd/./Voices/../x", "/media/cd", "iso9660"},
    };
    for (const auto& c : cases) {
        std::istringstream in(mountinfo);
        auto m = find_mount(c.path, in);
        ASSERT_TRUE(m) << c.path;
        EXPECT_EQ(m->mount_point, c.mount_point) << c.path;
        EXPECT_EQ(m->fs_type, c.fs_type) << c.path;
    }
    std::istringstream in(mountinfo);
    auto mounts = read_mounts(in);
    ASSERT_EQ(mounts.size(), 7u);
    EXPECT_EQ(mounts[4].source, "/dev/sr1");
    std::istringstream empty("");
    EXPECT_FALSE(find_mount("/x", empty));
}

TEST(Mounts, DiscFileSystems) {
    EXPECT_TRUE(is_cdrom_file_system("iso9660"));
    EXPECT_TRUE(is_cdrom_file_system("udf"));
    EXPECT_FALSE(is_cdrom_file_system("ext4"));
    TempDir dir;
    EXPECT_FALSE(is_cdrom_path(dir.path()));
    EXPECT_FALSE(is_cdrom_path(""));
}

TEST(TimeSeparator, TakenFromTheFormattedTime) {
    const std::pair<const char*, char> cases[] = {
        {"13:45:56", ':'}, {"13.45.56", '.'}, {"01:45:56 PM", ':'}, {"PM 01.45.56", '.'}, {"13 h 45", ':'},
        {"13h45", ':'},    {"", ':'},         {"1345", ':'}};
    for (const auto& [text, separator] : cases)
        EXPECT_EQ(time_separator_of(text), separator) << text;
}

class InitEnvironmentTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_env_ = environment();
        saved_cwd_ = fs::current_path();
        const char* config = std::getenv("XDG_CONFIG_HOME");
        if (config) saved_config_ = config;
        setenv("XDG_CONFIG_HOME", (config_.path() + "cfg").c_str(), 1);
        fs::current_path(start_.path());
    }
    void TearDown() override {
        fs::current_path(saved_cwd_);
        environment() = saved_env_;
        if (saved_config_)
            setenv("XDG_CONFIG_HOME", saved_config_->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

    TempDir program_, start_, config_;
    Environment saved_env_;
    fs::path saved_cwd_;
    std::optional<std::string> saved_config_;
};

TEST_F(InitEnvironmentTest, FoldersAndSettingsBesideAWritableProgram) {
    ScriptedMessages messages;
    init_environment(program_.file("morvelin"));
    EXPECT_EQ(environment().startup_folder, start_.path());
    EXPECT_EQ(environment().program_folder, program_.path());
    EXPECT_EQ(environment().settings_file_path, program_.file("Morvelin.ini"));
    EXPECT_FALSE(environment().settings_on_cdrom);
    EXPECT_TRUE(messages.shown().empty()) << "a first start has no settings file yet";
}

TEST_F(InitEnvironmentTest, SettingsGoToTheConfigFolderWhenTheProgramFolderIsNotWritable) {
    ScriptedMessages messages;
    init_environment("/nonexistent-morvelin-test/bin/morvelin");
    EXPECT_EQ(environment().program_folder, "/nonexistent-morvelin-test/bin/");
    EXPECT_EQ(environment().settings_file_path, config_.path() + "cfg/Morvelin/Morvelin.ini");
    EXPECT_TRUE(fs::is_directory(config_.path() + "cfg/Morvelin"));
    EXPECT_TRUE(messages.shown().empty());
}

// An installer's settings in a program folder the user cannot write seed the user's own file once.
TEST_F(InitEnvironmentTest, ASettingsFileInAReadOnlyProgramFolderSeedsTheUsersFile) {
    write_file(program_.file("Morvelin.ini"), "[GENERAL]\nBase Directory=/media/cdrom/\n");
    const std::string personal = config_.path() + "cfg/Morvelin/Morvelin.ini";
    EXPECT_EQ(settings_file_location(program_.path(), false), personal);
    EXPECT_EQ(read_file(personal), "[GENERAL]\nBase Directory=/media/cdrom/\n");

    // Later starts keep the user's own settings.
    write_file(personal, "[GENERAL]\nBase Directory=/home/user/disc/\n");
    EXPECT_EQ(settings_file_location(program_.path(), false), personal);
    EXPECT_EQ(read_file(personal), "[GENERAL]\nBase Directory=/home/user/disc/\n");

    // A writable program folder keeps its file where it is.
    EXPECT_EQ(settings_file_location(program_.path(), true), program_.file("Morvelin.ini"));
}

TEST_F(InitEnvironmentTest, ASettingsPathThatIsNoFileIsReported) {
    fs::create_directory(program_.file("Morvelin.ini"));
    ScriptedMessages messages;
    init_environment(program_.file("morvelin"));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text,
              "There is a problem with the file " + to_upper_ascii(program_.file("Morvelin.ini")));
    EXPECT_EQ(messages.shown()[0].flags, 16);
}

TEST_F(InitEnvironmentTest, WithoutAPathTheRunningProgramIsUsed) {
    ScriptedMessages messages;
    init_environment("");
    EXPECT_EQ(environment().program_folder, fs::read_symlink("/proc/self/exe").parent_path().string() + "/");
}

} // namespace
