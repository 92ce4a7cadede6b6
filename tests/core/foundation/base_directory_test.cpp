#include "core/foundation/base_directory.h"
#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "core/foundation/textfile_handler.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace morvelin;
using namespace morvelin::testing;
namespace fs = std::filesystem;

namespace {

class BaseDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = environment();
        environment().settings_file_path = dir_.file("Morvelin.ini");
        environment().settings_on_cdrom = false;
        install_language_texts(Ttextfile_handler::from_bytes("$[BASEDIR]\nWhere are the sounds?\n", "t.txt"));
    }
    void TearDown() override {
        environment() = saved_;
        install_language_texts(Ttextfile_handler());
        set_base_directory_changed_hook({});
    }

    std::string stored() const { return settings_read_string("", "GENERAL", "Base Directory", "<absent>"); }
    bool just_installed() const { return settings_read_yes_no("", "GENERAL", "Just Installed", true); }

    TempDir dir_;
    Environment saved_;
};

// The installer stores a folder on the disc; the first start uses the disc's root, the mount point.
// /proc is a mount point on every Linux system.
TEST_F(BaseDirectoryTest, JustInstalledKeepsOnlyTheMountPoint) {
    write_file(dir_.file("Morvelin.ini"), "[GENERAL]\nBase Directory=/proc/Data\nJust Installed=Yes\n");
    init_base_directory();
    EXPECT_EQ(environment().base_directory, "/proc/");
    EXPECT_EQ(stored(), "/proc"); // written back at once
    finalise_base_directory();
    EXPECT_FALSE(just_installed());
    EXPECT_EQ(stored(), "/proc/");
}

// The first start may come before the disc is mounted: its folder then lies on the root file system,
// and the root would lose the installer's choice.
TEST_F(BaseDirectoryTest, JustInstalledKeepsAFolderWhoseFileSystemIsNotMounted) {
    const std::string file = "[GENERAL]\nBase Directory=/nonexistent-morvelin-disc/Data\nJust Installed=Yes\n";
    write_file(dir_.file("Morvelin.ini"), file);
    init_base_directory();
    EXPECT_EQ(environment().base_directory, "/nonexistent-morvelin-disc/Data/");
    EXPECT_EQ(read_file(dir_.file("Morvelin.ini")), file);
    finalise_base_directory();
    EXPECT_FALSE(just_installed());
    EXPECT_EQ(stored(), "/nonexistent-morvelin-disc/Data/");
}

TEST_F(BaseDirectoryTest, StoredFolderGetsATrailingSeparatorAndEmptyMeansTheRoot) {
    const std::pair<const char*, const char*> cases[] = {
        {"[GENERAL]\nBase Directory=/media/disc/Data\n", "/media/disc/Data/"},
        {"[GENERAL]\nBase Directory=/media/disc/\n", "/media/disc/"},
        {"[GENERAL]\nBase Directory=\n", "/"},
        {"", "/"},
        {"[GENERAL]\nBase Directory=\nJust Installed=Yes\n", "/"},
    };
    for (const auto& [file, expected] : cases) {
        write_file(dir_.file("Morvelin.ini"), file);
        init_base_directory();
        EXPECT_EQ(environment().base_directory, expected) << file;
        EXPECT_EQ(read_file(dir_.file("Morvelin.ini")), file) << "only Just Installed writes at start";
    }
}

TEST_F(BaseDirectoryTest, ChoosingANewFolderSavesItAndRunsTheHook) {
    init_base_directory();
    const std::string chosen = dir_.file("media");
    fs::create_directory(chosen);
    int hook_runs = 0;
    set_base_directory_changed_hook([&] { ++hook_runs; });

    ScriptedDialogs dialogs;
    dialogs.answer(chosen);
    EXPECT_TRUE(select_base_directory());
    ASSERT_EQ(dialogs.calls().size(), 1u);
    EXPECT_EQ(dialogs.calls()[0].kind, "folder");
    EXPECT_EQ(dialogs.calls()[0].caption, "Where are the sounds?");
    EXPECT_EQ(dialogs.calls()[0].start, "");
    EXPECT_EQ(environment().base_directory, chosen + "/");
    EXPECT_EQ(stored(), chosen + "/");
    EXPECT_EQ(hook_runs, 1);

    // The same existing folder again: nothing changes, nothing is saved.
    write_file(dir_.file("Morvelin.ini"), "");
    dialogs.answer(chosen + "/");
    EXPECT_TRUE(select_base_directory());
    EXPECT_EQ(stored(), "<absent>");
    EXPECT_EQ(hook_runs, 1);
}

TEST_F(BaseDirectoryTest, CancelKeepsThePreviousFolderAndSavesNothing) {
    write_file(dir_.file("Morvelin.ini"), "[GENERAL]\nBase Directory=/media/disc-not-inserted/\n");
    init_base_directory();
    int hook_runs = 0;
    set_base_directory_changed_hook([&] { ++hook_runs; });
    ScriptedDialogs dialogs;
    dialogs.cancel();
    EXPECT_FALSE(select_base_directory());
    EXPECT_EQ(environment().base_directory, "/media/disc-not-inserted/");
    EXPECT_EQ(hook_runs, 0);
    finalise_base_directory();
    EXPECT_EQ(stored(), "/media/disc-not-inserted/");
}

TEST_F(BaseDirectoryTest, AFolderOnTheHardDiskIsNotOnADisc) {
    environment().base_directory = dir_.path();
    EXPECT_FALSE(base_directory_on_cdrom());
    environment().base_directory = "";
    EXPECT_FALSE(base_directory_on_cdrom());
}

} // namespace

// Started from a desktop menu, the program finds its texts and data on the disc it used last.
TEST_F(BaseDirectoryTest, ProgramStartedAwayFromItsDiscUsesTheRememberedOne) {
    TempDir disc, program, elsewhere;
    write_file(disc.file("Morvelin.txt"), "$[BASEDIR]\nWhere?\n");
    struct Case {
        const char* what;
        std::string remembered;
        bool texts_beside_program;
        bool moves;
    };
    for (const Case& c : {Case{"remembered disc holds the texts", disc.path(), false, true},
                          Case{"without the trailing separator", disc.path().substr(0, disc.path().size() - 1),
                               false, true},
                          Case{"texts beside the program win", disc.path(), true, false},
                          Case{"remembered folder without texts", elsewhere.path(), false, false},
                          Case{"nothing remembered", "", false, false}}) {
        SCOPED_TRACE(c.what);
        environment().startup_folder = elsewhere.path();
        environment().program_folder = program.path();
        fs::remove(program.file("Morvelin.txt"));
        if (c.texts_beside_program) write_file(program.file("Morvelin.txt"), "$[X]\n");
        settings_write_string("", "GENERAL", "Base Directory", c.remembered);
        EXPECT_EQ(start_in_remembered_disc_folder(), c.moves);
        EXPECT_EQ(environment().startup_folder, c.moves ? disc.path() : elsewhere.path());
    }
}
