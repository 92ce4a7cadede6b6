#include "core/sound/file_locations.h"

#include "core/data/data_texts.h"
#include "core/data/records.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace morvelin {
namespace {

using testing::ScriptedDialogs;
using testing::ScriptedMessages;
using testing::TempDir;

// A private base directory and settings file; the edition and language texts the rules read.
class FileLocationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = environment();
        environment().base_directory = base.path();
        environment().settings_file_path = settings.file("Morvelin.ini");
        determine_edition_from_code(60);
    }
    void TearDown() override { environment() = saved_; }

    void make_file(const std::string& path) const {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        testing::write_file(path, "x");
    }

    TempDir base;
    TempDir settings;
    Environment saved_;
};

Tcutpart sound_file_cut_part(int number, char carrier, int sub_number, char variant, int compression) {
    Tcutpart c;
    c.is_sound_file = true;
    c.number = number;
    c.carrier_letter = carrier;
    c.sub_number = sub_number;
    c.variant_letter = variant;
    c.compression = std::uint8_t(compression);
    return c;
}

TEST(SoundFileFormTest, SuffixExtensionAndMp3FlagFollowTheCompressionNumber) {
    const char* suffixes[] = {"", "_R", "_MF", "_MC", "_MT", "_M4", "_M2", "_WM", "_WH", "_MH"};
    for (int compression = 0; compression < 10; ++compression) {
        SCOPED_TRACE(compression);
        auto form = sound_file_form(compression);
        ASSERT_TRUE(form);
        EXPECT_STREQ(form->suffix, suffixes[compression]);
        EXPECT_STREQ(form->extension, compression == 7 || compression == 8 ? "WMA" : "WAV");
        EXPECT_EQ(form->mp3, compression >= 2 && compression <= 6);
    }
    EXPECT_FALSE(sound_file_form(10));
    EXPECT_FALSE(sound_file_form(255));
}

TEST(CutPartFileNameTest, NumbersLettersAndSuffix) {
    struct Case {
        int number;
        char carrier;
        int sub_number;
        char variant;
        int compression;
        const char* expected;
    };
    const Case cases[] = {
        {7, 'A', 3, ' ', 2, "tapes/07/A03_MF.WAV"},
        {123, 'B', 5, ' ', 0, "tapes/123/B05.WAV"},
        {12, 'C', 123, 'b', 7, "tapes/12/C123b_WM.WMA"},
        {5, ' ', 1, ' ', 9, "tapes/05/01_MH.WAV"},
        {0, 'D', 0, 'x', 1, "tapes/00/D00x_R.WAV"},
        {40, 'E', 12, ' ', 10, ""}, // a compression the program does not know
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(cut_part_file_name(
                      sound_file_cut_part(c.number, c.carrier, c.sub_number, c.variant, c.compression)),
                  c.expected);
    }
}

TEST_F(FileLocationsTest, CutPartFileIsFoundWhateverTheCaseOnDisk) {
    Tcutpart c = sound_file_cut_part(7, 'A', 3, ' ', 2);
    EXPECT_EQ(sound_file_path(c), base.path() + "tapes/07/A03_MF.WAV"); // missing: the path as built
    make_file(base.path() + "Tapes/07/a03_mf.wav");
    EXPECT_EQ(sound_file_path(c), base.path() + "Tapes/07/a03_mf.wav");
}

TEST_F(FileLocationsTest, TrackFileIsTheFirstNameHoldingTheTwoDigits) {
    const std::string folder = base.path() + "copy/";
    make_file(folder + "01 Intro.wav");
    make_file(folder + "Track 10.wav");
    std::filesystem::create_directories(folder + "00 01 not a file");
    EXPECT_EQ(find_track_file(folder, 1), folder + "01 Intro.wav");
    EXPECT_EQ(find_track_file(folder, 10), folder + "Track 10.wav");
    EXPECT_FALSE(find_track_file(folder, 2));
    // A name holding both "01" and "10" goes to whichever track finds it first in name order.
    make_file(folder + "0 Track 101.wav");
    EXPECT_EQ(find_track_file(folder, 1), folder + "0 Track 101.wav");
    EXPECT_EQ(find_track_file(folder, 10), folder + "0 Track 101.wav");
    EXPECT_FALSE(find_track_file(base.path() + "no such folder/", 1));
}

TEST_F(FileLocationsTest, HardDiskFolderWithOrWithoutTrailingSeparatorGivesOnePath) {
    const std::string folder = base.path() + "my cd";
    make_file(folder + "/track03.wav");
    TaudioCD cd;
    Tcutpart c;
    c.audio_cd = &cd;
    c.track = 3;
    for (const std::string& stored : {folder, folder + "/", folder + "//"}) {
        cd.hard_disk_folder = stored;
        EXPECT_EQ(sound_file_path(c), folder + "/track03.wav") << stored;
    }
    c.track = 4;
    EXPECT_EQ(sound_file_path(c), "");
    // A CD that was never copied has no folder; the root folder must not be searched instead.
    cd.hard_disk_folder.clear();
    EXPECT_FALSE(audio_cd_track_folder(cd));
    EXPECT_EQ(sound_file_path(c), "");
}

TEST_F(FileLocationsTest, AlwaysAvailableCdAsksForTheBaseDirectoryUntilItsFolderIsThere) {
    TempDir data;
    make_file(data.path() + "audio cds/CD10/10 - Track 02.wav");
    TaudioCD cd;
    cd.always_available = true;
    cd.text_6 = "cd10";
    Tcutpart c;
    c.audio_cd = &cd;
    c.track = 2;

    ScriptedDialogs dialogs;
    ScriptedMessages messages;
    dialogs.answer(base.path()); // still the wrong folder
    dialogs.answer(data.path());
    EXPECT_EQ(sound_file_path(c), data.path() + "audio cds/CD10/10 - Track 02.wav");
    ASSERT_EQ(dialogs.calls().size(), 2u);
    EXPECT_EQ(dialogs.calls()[0].kind, "folder");
    EXPECT_EQ(environment().base_directory, data.path());
    EXPECT_TRUE(messages.shown().empty());

    // Found at once now: no question.
    EXPECT_EQ(sound_file_path(c), data.path() + "audio cds/CD10/10 - Track 02.wav");
    EXPECT_EQ(dialogs.calls().size(), 2u);
}

// Disc texts are Windows-1252 and the file system's names UTF-8: a CD folder or a media folder with a
// non-ASCII letter is found once converted, and still ignoring ASCII case.
TEST_F(FileLocationsTest, DiscTextsBecomeNativePathComponents) {
    make_file(base.path() + "Audio CDs/M\xC3\xBAsica7/07 Night.wav");
    TaudioCD cd;
    cd.always_available = true;
    cd.text_6 = "m\xFAsica7";
    Tcutpart c;
    c.audio_cd = &cd;
    c.track = 7;
    ScriptedDialogs dialogs;
    EXPECT_EQ(sound_file_path(c), base.path() + "Audio CDs/M\xC3\xBAsica7/07 Night.wav");
    EXPECT_TRUE(dialogs.calls().empty()) << "asked for the base directory: the folder was not found";

    Tspecies species;
    species.media_folder = "Cuculid\xE6"
                           "e"; // 8.3: "Cuculid\xE6.e"
    species.unique_id = 301;
    const std::string voice = base.path() + "voices/lang1/Cuculid\xC3\xA6.e/301.wav";
    make_file(voice);
    EXPECT_EQ(spoken_name_path(&species), voice);
    EXPECT_EQ(thumbnail_path(species, base.path()), base.path() + "smalpict/Cuculid\xC3\xA6.e/301.jpg");
}

TEST_F(FileLocationsTest, GivingUpTheBaseDirectoryQuestionGivesNoPathAndNoMessage) {
    TaudioCD cd;
    cd.always_available = true;
    cd.text_6 = "cd10";
    Tcutpart c;
    c.audio_cd = &cd;
    c.track = 2;
    ScriptedDialogs dialogs;
    ScriptedMessages messages;
    dialogs.cancel();
    EXPECT_EQ(sound_file_path(c), "");
    EXPECT_EQ(dialogs.calls().size(), 1u);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(environment().base_directory, base.path());
}

TEST(HasAFileTest, SoundFilesAlwaysAndCdsWhenAvailableOrCopied) {
    TaudioCD regular;
    regular.sequence = 3;
    TaudioCD always;
    always.sequence = 4;
    always.always_available = true;
    Tcutpart sound_file;
    sound_file.is_sound_file = true;
    Tcutpart on_regular;
    on_regular.audio_cd = &regular;
    Tcutpart on_always;
    on_always.audio_cd = &always;
    Tcutpart no_cd;

    const NumberSet none;
    const NumberSet copied{3};
    EXPECT_TRUE(has_a_file(sound_file, none));
    EXPECT_FALSE(has_a_file(on_regular, none));
    EXPECT_TRUE(has_a_file(on_regular, copied));
    EXPECT_FALSE(has_a_file(on_regular, NumberSet{4}));
    EXPECT_TRUE(has_a_file(on_always, none));
    EXPECT_FALSE(has_a_file(no_cd, copied));
}

TEST_F(FileLocationsTest, SpokenNameLiesInTheLanguageFolderOfTheInterface) {
    Tspecies species;
    species.media_folder = "PHASIANIDAE";
    species.unique_id = 1001;
    EXPECT_EQ(spoken_name_path(nullptr), "");

    struct Case {
        int code;
        const char* language;
    };
    // 60 English, 40 Spanish, 71 Portuguese, 80 Dutch, 41 English.
    for (Case c : {Case{60, "1"}, Case{40, "2"}, Case{71, "2"}, Case{80, "2"}, Case{41, "1"}}) {
        determine_edition_from_code(c.code);
        EXPECT_EQ(spoken_name_path(&species),
                  base.path() + "voices/lang" + c.language + "/PHASIANI.DAE/1001.wav")
            << c.code;
    }
    determine_edition_from_code(60);
    make_file(base.path() + "Voices/LANG1/phasiani.dae/1001.WAV");
    EXPECT_EQ(spoken_name_path(&species), base.path() + "Voices/LANG1/phasiani.dae/1001.WAV");
}

} // namespace
} // namespace morvelin
