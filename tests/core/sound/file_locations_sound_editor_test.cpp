// Handing a recording to the sound editing program.

#include "core/data/records.h"
#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/foundation/settings_file.h"
#include "scripted_services.h"
#include "core/sound/program_starter.h"
#include "core/sound/sound_editor.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace morvelin {
namespace {

using testing::ScriptedDialogs;
using testing::ScriptedMessages;
using testing::TempDir;

class SoundEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = environment();
        environment().base_directory = data.path();
        environment().settings_file_path = settings.file("Morvelin.ini");
        std::filesystem::create_directories(data.path() + "tapes/07");
        data.write("tapes/07/A03_MF.WAV", "RIFF");
        cut.is_sound_file = true;
        cut.number = 7;
        cut.carrier_letter = 'A';
        cut.sub_number = 3;
        cut.compression = 2;
        install_program_starter([this](const std::vector<std::string>& arguments, bool) {
            started.push_back(arguments);
            return program_starts;
        });
    }
    void TearDown() override {
        install_program_starter({});
        environment() = saved_;
    }

    // What starts program on the test's recording: the program, then the file.
    std::vector<std::string> last_start(const std::string& program) const {
        return {program, data.path() + "tapes/07/A03_MF.WAV"};
    }

    std::string stored_program() const {
        return settings_read_string("", "GENERAL", "Sound Editing Program", "(none)");
    }

    TempDir data;
    TempDir settings;
    TempDir programs;
    ScriptedDialogs dialogs;
    ScriptedMessages messages;
    Tcutpart cut;
    std::vector<std::vector<std::string>> started;
    bool program_starts = true;
    Environment saved_;
};

TEST_F(SoundEditorTest, MissingProgramIsChosenStoredAndStartedOnTheFile) {
    EXPECT_EQ(sound_editing_program(), "c:\\Program Files\\Cool2000\\Cool2000.exe");
    programs.write("editor", "");
    const std::string editor = programs.file("editor");
    dialogs.answer(editor);
    ASSERT_TRUE(open_in_sound_editing_program(cut));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started.back(), last_start(editor));
    ASSERT_EQ(dialogs.calls().size(), 1u);
    EXPECT_EQ(dialogs.calls()[0].kind, "open");
    EXPECT_EQ(stored_program(), editor);
    EXPECT_TRUE(messages.shown().empty());

    // Known now: no question, and the choice starts in the program's folder.
    ASSERT_TRUE(open_in_sound_editing_program(cut));
    EXPECT_EQ(dialogs.calls().size(), 1u);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started.back(), last_start(editor));
    EXPECT_FALSE(choose_sound_editing_program("Sound editor"));
    EXPECT_EQ(dialogs.calls()[1].caption, "Sound editor");
    EXPECT_EQ(dialogs.calls()[1].start, programs.path());
}

TEST_F(SoundEditorTest, CancellingTheChoiceEndsQuietly) {
    dialogs.answer(programs.file("does not exist")); // asked again: still no program
    dialogs.cancel();
    EXPECT_FALSE(open_in_sound_editing_program(cut));
    EXPECT_EQ(dialogs.calls().size(), 2u);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(SoundEditorTest, ChoiceThatCannotBeStoredIsStillUsed) {
    programs.write("editor", "");
    dialogs.answer(programs.file("editor"));
    environment().settings_on_cdrom = true; // the settings file is not written
    ASSERT_TRUE(open_in_sound_editing_program(cut));
    EXPECT_EQ(dialogs.calls().size(), 1u);
    EXPECT_EQ(stored_program(), "(none)");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started.back(), last_start(programs.file("editor")));
}

TEST_F(SoundEditorTest, ProgramThatCannotBeStartedIsReported) {
    programs.write("readme.txt", "not a program");
    settings_write_string("", "GENERAL", "Sound Editing Program", programs.file("readme.txt"));
    program_starts = false;
    EXPECT_FALSE(open_in_sound_editing_program(cut));
    EXPECT_EQ(started.size(), 1u);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].caption, "Error when executing program");
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_warning);
    EXPECT_EQ(messages.shown()[0].text,
              "Either the sound editing program is not present, or its file name is incorrect.\n"
              "If you are looking for a good program: Adobe's Audition is excellent.\n"
              "If the file name is incorrect: please correct it in the Options dialog.");
}

TEST_F(SoundEditorTest, AudioCdSliceHandsOverTheWholeTrackFileMaximisedWhenAsked) {
    std::filesystem::create_directories(data.path() + "copy");
    data.write("copy/Track 04.wav", "RIFF");
    TaudioCD cd;
    cd.hard_disk_folder = data.path() + "copy";
    Tcutpart slice;
    slice.audio_cd = &cd;
    slice.track = 4;
    slice.offset = 30000;
    slice.length = 5000;
    programs.write("editor", "");
    settings_write_string("", "GENERAL", "Sound Editing Program", programs.file("editor"));
    settings_write_yes_no("", "GENERAL", "Maximize Sound Editing Program", true);
    std::vector<std::string> started;
    bool maximised = false;
    install_program_starter([&](const std::vector<std::string>& arguments, bool max) {
        started = arguments;
        maximised = max;
        return true;
    });
    EXPECT_TRUE(open_in_sound_editing_program(slice));
    install_program_starter({});
    EXPECT_EQ(started,
              (std::vector<std::string>{programs.file("editor"), data.path() + "copy/Track 04.wav"}));
    EXPECT_TRUE(maximised);
}

} // namespace
} // namespace morvelin
