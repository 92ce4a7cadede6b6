// Making every MP3 file of the recordings a window shows, on the demo disc: one file for each
// MP3-capable visible recording under a name of its own, byte for byte what morvelin-disc export-mp3
// makes of that recording; the folder asked for once per program run; failures counted as skipped;
// a cancelled folder question ending the run.

#include "data_commands.h"
#include "demo_disc.h"
#include "export_mp3_command.h"
#include "scripted_services.h"

#include "core/data/data_set.h"
#include "core/data/visible_species_and_recordings.h"
#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/sound/file_locations.h"
#include "core/sound/mp3_files.h"
#include "core/sound/recording_tag_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace morvelin {
namespace {

using testing::read_file;
using testing::ScriptedMessages;
using testing::TempDir;

const std::vector<std::string> make_all_lines = {"Make All MP3 Files",
                                                 "Finished:",
                                                 "MP3 files were made.",
                                                 "Stop?",
                                                 "The MP3 files are saved in the folder",
                                                 "Making MP3 files:",
                                                 "of",
                                                 "These recordings cannot be made into MP3 files:",
                                                 "",
                                                 ""};

bool is_folder_question(const testing::ShownMessage& m) {
    return m.text.find("you can store your mp3 files") != std::string::npos;
}

class MakeAllMp3Test : public ::testing::Test {
protected:
    void SetUp() override {
        const auto disc = testing::demo_disc();
        ASSERT_TRUE(disc) << "the demo disc could not be made with the built morvelin-disc";
        disc_ = *disc;
        saved_ = environment();
        environment().settings_file_path = out.file("Morvelin.ini");
        std::string error;
        data_ = disc::load_disc(disc_, error);
        ASSERT_TRUE(data_) << error;
        environment().base_directory = disc_;
        selection_ = TClassVisibleSpeciesAndRecordings::create_default(*data_);
    }
    void TearDown() override { environment() = saved_; }

    MakeAllMp3Files make_all(Mp3Folder& folder) {
        return MakeAllMp3Files(*data_, 2, selection_, recording_tag_texts_from_data, make_all_lines, folder);
    }
    static void run_to_end(MakeAllMp3Files& run) {
        run.start();
        while (run.running()) run.tick();
    }
    // How the questions are answered: the folder question, the stop question after a skipped
    // recording, the question about files there already.
    void answer(int folder, int stop, int replace) {
        messages.respond([=](const testing::ShownMessage& m) {
            if (is_folder_question(m)) return folder;
            if (m.text == "Do you want to stop making MP3 files?") return stop;
            if (m.text.find("exist already") != std::string::npos) return replace;
            return id::ok;
        });
    }
    static long count_folder_questions(const ScriptedMessages& messages) {
        return std::count_if(messages.shown().begin(), messages.shown().end(), is_folder_question);
    }

    std::string disc_;
    TempDir out;
    ScriptedMessages messages;
    Environment saved_;
    std::unique_ptr<Tdata> data_;
    TClassVisibleSpeciesAndRecordings selection_;
};

TEST_F(MakeAllMp3Test, OneFilePerCapableRecordingUniqueNamesEqualToTheToolsAndNoFolderQuestionTheSecondTime) {
    Mp3Folder folder(out.file("MP3/Sarovan 3"));
    MakeAllMp3Files run = make_all(folder);
    answer(id::yes, id::no, id::no);
    run_to_end(run);

    // What should be made, independently of the run: the visible items whose file is MPEG Layer III.
    std::vector<const Tcupaitem*> capable;
    int not_capable = 0;
    for (const Tcupaitem* item : run.items()) {
        const std::string path = sound_file_path(*item->cut_part);
        if (!path.empty() && fs::is_regular_file(path) && IsMP3CapableSoundFile(path))
            capable.push_back(item);
        else
            ++not_capable;
    }
    ASSERT_GT(capable.size(), 10u);
    ASSERT_GT(not_capable, 0);
    EXPECT_EQ(run.counter(), static_cast<int>(capable.size()));
    ASSERT_EQ(run.files().size(), capable.size());
    EXPECT_EQ(count_folder_questions(messages), 1);
    EXPECT_FALSE(messages.any_contains("exist already"));
    EXPECT_EQ(run.status(), "Finished: " + std::to_string(capable.size()) + " MP3 files were made." +
                                std::string(12, ' '));
    EXPECT_EQ(run.skipped().rfind(make_all_lines[7], 0), 0u);

    std::set<std::string> names;
    std::map<std::string, int> titles; // how often a plain title would have been used
    for (std::size_t i = 0; i < capable.size(); ++i) {
        const Tcupaitem& item = *capable[i];
        const std::string& file = run.files()[i];
        names.insert(fs::path(file).filename().string());
        ++titles[recording_mp3_file_name(recording_tag_texts_from_data(item).title, recording_number(item))];
        const std::string expected = out.file("tool.mp3");
        ASSERT_EQ(disc::export_mp3_command({disc_, std::to_string(item.species->unique_id),
                                            std::to_string(recording_number(item)), expected}),
                  0);
        ASSERT_EQ(read_file(file), read_file(expected)) << file;
    }
    EXPECT_EQ(names.size(), capable.size()) << "two recordings made the same file";
    EXPECT_LT(titles.size(), capable.size()) << "the disc no longer has recordings of the same title";
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.folder()), fs::directory_iterator()),
              static_cast<long>(capable.size()));

    // A second run in the same program run: the folder is known; the files there are replaced after
    // one question, not silently.
    messages.clear();
    MakeAllMp3Files again = make_all(folder);
    answer(id::cancel, id::no, id::yes); // replace the files of the first run
    run_to_end(again);
    EXPECT_EQ(count_folder_questions(messages), 0);
    EXPECT_EQ(std::count_if(messages.shown().begin(), messages.shown().end(),
                            [](const auto& m) { return m.text.find("exist already") != std::string::npos; }),
              1);
    EXPECT_EQ(again.files(), run.files());
}

TEST_F(MakeAllMp3Test, ExistingFilesAreKeptWhenTheUserSaysNo) {
    Mp3Folder folder(out.file("MP3"));
    MakeAllMp3Files run = make_all(folder);
    answer(id::yes, id::no, id::no);
    run_to_end(run);
    ASSERT_FALSE(run.files().empty());
    const std::string first = run.files()[0];
    const std::string before = read_file(first);

    MakeAllMp3Files again = make_all(folder);
    run_to_end(again); // No: keep them
    ASSERT_EQ(again.files().size(), run.files().size());
    EXPECT_NE(again.files()[0], first);
    EXPECT_EQ(fs::path(again.files()[0]).stem().string(), fs::path(first).stem().string() + " (2)");
    EXPECT_EQ(read_file(first), before);
    EXPECT_EQ(read_file(again.files()[0]), before);
}

TEST_F(MakeAllMp3Test, AFailedExportIsSkippedAndYesToTheStopQuestionEndsTheRun) {
    Mp3Folder folder(out.file("MP3"));
    MakeAllMp3Files run = make_all(folder);
    run.start();
    // A folder in the way of the first capable recording's file makes its export fail.
    std::size_t first = 0;
    while (first < run.items().size() && mp3_capable_sound_file(*run.items()[first]->cut_part).empty()) ++first;
    ASSERT_LT(first + 1, run.items().size());
    const Tcupaitem& item = *run.items()[first];
    const std::string name = recording_tag_texts_from_data(item).title + " #" + std::to_string(recording_number(item));
    fs::create_directories(out.file("MP3/" + name + ".mp3"));
    answer(id::yes, id::no, id::yes);
    for (std::size_t i = 0; i <= first; ++i) run.tick();
    EXPECT_EQ(run.counter(), 0);
    EXPECT_TRUE(run.running()) << "No to the stop question goes on";
    EXPECT_TRUE(messages.any_contains("Error writing file"));
    EXPECT_EQ(run.skipped().substr(run.skipped().rfind('\n') + 1), name);

    // Yes to the stop question at the next skipped recording ends the run there.
    answer(id::yes, id::yes, id::yes);
    const std::size_t shown = messages.shown().size();
    while (run.running()) run.tick();
    if (messages.shown().size() > shown) {
        EXPECT_EQ(messages.shown().back().text, "Do you want to stop making MP3 files?");
        EXPECT_LT(static_cast<std::size_t>(run.counter()), run.items().size() - first - 1);
    }
}

TEST_F(MakeAllMp3Test, CancellingTheFolderQuestionEndsTheRun) {
    Mp3Folder folder(out.file("MP3"));
    MakeAllMp3Files run = make_all(folder);
    answer(id::cancel, id::no, id::no);
    run_to_end(run);
    EXPECT_EQ(count_folder_questions(messages), 1);
    EXPECT_TRUE(run.stop_requested());
    EXPECT_EQ(run.counter(), 0);
    EXPECT_TRUE(run.files().empty());
    EXPECT_FALSE(fs::exists(out.file("MP3")));
    EXPECT_TRUE(folder.folder().empty());
}

TEST_F(MakeAllMp3Test, AStopRequestedBeforeATickMakesNothingMore) {
    Mp3Folder folder(out.file("MP3"));
    MakeAllMp3Files run = make_all(folder);
    run.start();
    ASSERT_TRUE(run.running());
    run.request_stop();
    run.tick();
    EXPECT_FALSE(run.running());
    EXPECT_EQ(run.counter(), 0);
    EXPECT_TRUE(messages.shown().empty());
}

TEST(Mp3RunNames, ARepeatedNameGetsTheSpeciesThenANumber) {
    Mp3RunNames names;
    EXPECT_EQ(names.take("Song", "Wren", 1), "Song #1.mp3");
    EXPECT_EQ(names.take("Song", "Robin", 1), "Song (Robin) #1.mp3");
    EXPECT_EQ(names.take("Song", "Robin", 1), "Song (Robin) #1 (2).mp3");
    EXPECT_EQ(names.take("Song", "Robin", 1), "Song (Robin) #1 (3).mp3");
    EXPECT_EQ(names.take("Song", "Wren", 2), "Song #2.mp3");
    EXPECT_EQ(names.take("A/B", "", 1), "A_B #1.mp3");
    EXPECT_EQ(names.take("A:B", "", 1), "A_B #1 (2).mp3");
}

} // namespace
} // namespace morvelin
