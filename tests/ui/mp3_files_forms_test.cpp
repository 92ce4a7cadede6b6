// The MP3 windows on the demo disc: the make-all window runs on its timer, asks before it stops and
// goes on after No; the audio-CD preparation makes 001, 002, 003 with the repeat counts, refuses
// targets it must not empty, asks before trashing files and always enables the other windows again.

#include "demo_disc_fixture.h"

#include "core/data/data_set.h"
#include "core/data/records.h"
#include "core/display/display_settings.h"
#include "core/foundation/services.h"
#include "core/sound/file_locations.h"
#include "core/sound/recording_tag_texts.h"
#include "ui/sound/mp3_files_forms.h"
#include "ui/windows/select_folder_form.h"
#include "ui/windows/window_registry.h"
#include "core/foundation/editions.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace morvelin {
namespace {

using testing::read_file;
using testing::ScriptedMessages;
using testing::TempDir;

std::size_t tag_length(const std::string& bytes) {
    if (bytes.size() < 10 || bytes.compare(0, 3, "ID3") != 0) return 0;
    const auto s = [&](int i) { return std::size_t(std::uint8_t(bytes[std::size_t(6 + i)]) & 0x7F); };
    return 10 + (s(0) << 21 | s(1) << 14 | s(2) << 7 | s(3));
}
std::string audio_of(const std::string& bytes) {
    return bytes.substr(tag_length(bytes));
}

class Mp3FormsTest : public testing::DemoDiscUiTest {
protected:
    void SetUp() override {
        DemoDiscUiTest::SetUp();
        const char* documents = std::getenv("XDG_DOCUMENTS_DIR");
        saved_documents_ = documents ? documents : "";
        had_documents_ = documents != nullptr;
        setenv("XDG_DOCUMENTS_DIR", docs.path().c_str(), 1);
        for (const Tspecies* species : data_set().species_by_id())
            for (const Tcupaitem* item = species->first_item; item; item = item->next_item) {
                if (!item->cut_part || !has_a_file(*item->cut_part, {})) continue;
                if (!mp3_capable_sound_file(*item->cut_part).empty())
                    capable.push_back(item);
                else if (fs::is_regular_file(sound_file_path(*item->cut_part)))
                    not_capable.push_back(item);
            }
        ASSERT_GE(capable.size(), 3u);
        ASSERT_FALSE(not_capable.empty());
        install_trash_folder_files([this](const std::string& folder) {
            trashed_from.push_back(folder);
            for (const std::string& file : files_in_folder(folder))
                fs::rename(file, trash.path() + fs::path(file).filename().string());
            return true;
        });
    }
    void TearDown() override {
        install_trash_folder_files({});
        install_modal_script({});
        if (had_documents_)
            setenv("XDG_DOCUMENTS_DIR", saved_documents_.c_str(), 1);
        else
            unsetenv("XDG_DOCUMENTS_DIR");
        DemoDiscUiTest::TearDown();
    }

    // The chooser answers with folder.
    void choose(const std::string& folder) {
        install_modal_script([this, folder](QDialog& dialog) {
            auto& form = dynamic_cast<TSelectFolderForm&>(dialog);
            proposed = form.chosen_folder();
            fs::create_directories(folder);
            form.select_folder(folder);
            return int(QDialog::Accepted);
        });
    }
    std::vector<AudioCdEntry> three_entries() const {
        return {{capable[0], "Wren", 1}, {capable[1], "Robin", 2}, {capable[2], "Lark", 1}};
    }
    static DriveSource roomy() {
        DriveSource source;
        source.free = [](const std::string&) { return std::optional<std::uint64_t>(1000000); };
        return source;
    }
    bool prepare(const std::vector<AudioCdEntry>& entries) {
        return prepare_for_audio_cd(entries, {}, recording_tag_texts_from_data, nullptr, roomy());
    }

    TempDir docs, target, trash;
    ScriptedMessages messages;
    std::vector<const Tcupaitem*> capable, not_capable;
    std::vector<std::string> trashed_from;
    std::string proposed;
    std::string saved_documents_;
    bool had_documents_ = false;
};

TEST_F(Mp3FormsTest, ThreeEntriesBecome001To003AndARepeatOfTwoDoublesTheFrames) {
    choose(target.path() + "CD");
    ASSERT_TRUE(prepare(three_entries()));
    EXPECT_EQ(proposed, docs.path() + "My Quellmark Files/Prepared Audio CD");
    const std::string folder = target.path() + "CD/";
    EXPECT_EQ(files_in_folder(folder),
              (std::vector<std::string>{folder + "001Wren.mp3", folder + "002Robin.mp3", folder + "003Lark.mp3"}));
    const std::string single = target.path() + "single.mp3";
    Mp3ExportRequest request = recording_export_request(*capable[1], sound_file_path(*capable[1]->cut_part));
    request.texts = recording_tag_texts_from_data(*capable[1]);
    request.output_file = single;
    ASSERT_TRUE(ExportRecordingToMP3(request));
    const std::string once = audio_of(read_file(single));
    ASSERT_FALSE(once.empty());
    EXPECT_EQ(audio_of(read_file(folder + "002Robin.mp3")), once + once);
    EXPECT_TRUE(messages.any_contains("The files for the audio CD are ready."));
    EXPECT_TRUE(trashed_from.empty());
}

TEST_F(Mp3FormsTest, EntriesThatCannotBeMadeStopBeforeAnyFolderIsAsked) {
    std::vector<AudioCdEntry> entries = three_entries();
    entries[1].recording = not_capable[0];
    install_modal_script([](QDialog&) -> int {
        ADD_FAILURE() << "no folder may be asked for";
        return QDialog::Rejected;
    });
    EXPECT_FALSE(prepare(entries));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text,
              "The sound file of sound #2 is a \"ripped\" track from an audio CD, but is not  an internally-MP3 "
              "compressed WAV file, nor an MP3 file. Please correct.");
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
}

TEST_F(Mp3FormsTest, TargetsInsideTheDiscOrHoldingTheListsOwnFilesAreRefused) {
    const std::string own = fs::path(sound_file_path(*capable[0]->cut_part)).parent_path().string();
    std::string disc = environment().base_directory;
    disc.pop_back();
    for (const std::string& folder : {disc, own}) {
        SCOPED_TRACE(folder);
        messages.clear();
        const auto before = files_in_folder(own);
        install_modal_script([folder](QDialog& dialog) {
            dynamic_cast<TSelectFolderForm&>(dialog).select_folder(folder);
            return int(QDialog::Accepted);
        });
        EXPECT_FALSE(prepare(three_entries()));
        EXPECT_EQ(files_in_folder(own), before);
        EXPECT_TRUE(trashed_from.empty());
        ASSERT_FALSE(messages.shown().empty());
        EXPECT_EQ(messages.shown().back().flags, mb::icon_error);
        EXPECT_TRUE(messages.any_contains("inside the folder of the disc's files"));
    }
}

TEST_F(Mp3FormsTest, FilesInTheTargetGoToTheTrashOnlyAfterYes) {
    const std::string folder = target.path() + "CD";
    fs::create_directories(folder);
    std::ofstream(folder + "/old.txt") << "old";
    choose(folder);
    messages.respond([](const testing::ShownMessage& m) {
        return m.text.find("already holds files") != std::string::npos ? id::no : id::yes;
    });
    EXPECT_FALSE(prepare(three_entries()));
    EXPECT_TRUE(fs::exists(folder + "/old.txt"));
    EXPECT_TRUE(trashed_from.empty());

    messages.respond({});
    ASSERT_TRUE(prepare(three_entries()));
    EXPECT_EQ(trashed_from, std::vector<std::string>{folder});
    EXPECT_TRUE(fs::exists(trash.file("old.txt")));
    EXPECT_EQ(files_in_folder(folder).size(), 3u);
}

TEST_F(Mp3FormsTest, OtherWindowsAreDisabledDuringTheRunAndEnabledAgainAfterAFailure) {
    QWidget other;
    other.show();
    const std::string folder = target.path() + "CD";
    choose(folder);
    fs::create_directories(folder + "/002Robin.mp3"); // the second file cannot be written
    std::vector<bool> enabled_while_making;
    const bool done = prepare_for_audio_cd(
        three_entries(), {},
        [&](const Tcupaitem& recording) {
            enabled_while_making.push_back(other.isEnabled());
            return recording_tag_texts_from_data(recording);
        },
        nullptr, roomy());
    EXPECT_FALSE(done);
    EXPECT_EQ(enabled_while_making, (std::vector<bool>{false, false}));
    EXPECT_TRUE(other.isEnabled());
    EXPECT_TRUE(messages.any_contains("Preparing the files for the audio CD was stopped."));
    EXPECT_TRUE(fs::exists(folder + "/001Wren.mp3"));
    EXPECT_FALSE(fs::exists(folder + "/003Lark.mp3"));
}

TEST_F(Mp3FormsTest, TheSoundBarsItemMakesTheFileInTheRunsFolderAskingForItOnce) {
    run_mp3_folder().forget();
    WindowFactory factory = make_mp3_file_factory();
    WindowRequest request;
    request.kind = WindowKind::make_mp3_file;
    request.recording = capable[0];
    request.tag_texts = [](const Tcupaitem& recording) {
        const Mp3TagTexts t = recording_tag_texts_from_data(recording);
        return std::vector<std::string>{"Dawn song", t.sound_description, t.genre, "", t.album, "", t.comment};
    };
    messages.respond([](const testing::ShownMessage& m) {
        return m.text.find("exists already") != std::string::npos ? id::no : id::yes;
    });
    EXPECT_FALSE(factory.prepare(request)); // answered without a window
    EXPECT_FALSE(factory.prepare(request));
    const std::string folder = docs.path() + "My Quellmark Files/MP3/" + program_text(8) + " 3/";
    EXPECT_EQ(run_mp3_folder().folder(), folder);
    const std::string name = "Dawn song #" + std::to_string(recording_number(*capable[0]));
    EXPECT_TRUE(fs::is_regular_file(folder + name + ".mp3"));
    EXPECT_TRUE(fs::is_regular_file(folder + name + " (2).mp3")) << "the second file must not replace the first";
    long folder_questions = 0;
    for (const auto& m : messages.shown())
        folder_questions += m.text.find("you can store your mp3 files") != std::string::npos;
    EXPECT_EQ(folder_questions, 1);
    run_mp3_folder().forget();
}

TEST_F(Mp3FormsTest, TheMakeAllWindowGoesOnAfterNoAndStopsAfterYes) {
    const SHST_TClassShowStringsData shown = SHST_TClassShowStringsData::create_default(data_set());
    Mp3Folder folder(target.path() + "MP3");
    int close_questions = 0;
    int answer_to_close = id::no;
    messages.respond([&](const testing::ShownMessage& m) {
        if (m.text == "MP3 files are still being made. Do you want to stop?") {
            ++close_questions;
            return answer_to_close;
        }
        return m.text.find("Do you want to stop making") != std::string::npos ? id::no : id::yes;
    });
    TMakeAllMP3FilesForm form(data_set(), shown, recording_tag_texts_from_data, nullptr, folder);
    form.show();
    QTRY_VERIFY_WITH_TIMEOUT(form.run().counter() >= 1, 20000);
    form.reject();
    EXPECT_EQ(close_questions, 1);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.run().running());
    const int made = form.run().counter();
    QTRY_VERIFY_WITH_TIMEOUT(form.run().counter() > made, 20000);

    answer_to_close = id::yes;
    form.reject();
    EXPECT_EQ(close_questions, 2);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.run().running());
    const int at_stop = form.run().counter();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.run().counter(), at_stop);
    EXPECT_LT(at_stop, form.run().total());
    EXPECT_TRUE(form.label().text().startsWith("Finished: "));
    EXPECT_TRUE(form.label().text().contains("The MP3 files are saved in the folder"));
}

} // namespace
} // namespace morvelin
