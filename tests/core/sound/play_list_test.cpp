#include "core/sound/play_list.h"

#include "../data/mini_disc.h"
#include "core/data/visible_species_and_recordings.h"
#include "core/foundation/utilities.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace morvelin {
namespace {

using testing::DataTest;
using testing::ScriptedMessages;
using Visibility = TClassVisibleSpeciesAndRecordings;

const PlayListProduct product{"Sarovan Bird Sounds", "1.0"};

const char* const play_list_texts = "$ [PLAY_LISTS]\n"
                                    "Play List\nNew play list\n"
                                    "m2\nm3\nm4\nm5\nm6\nm7\nm8\nm9\nm10\nPlay\nStop\nloop\nselected\nTimes\n"
                                    "f16\nf17\nq18\nq19\nwhy20\n"
                                    "another program (21)\nanother version (22)\nmay differ (23)\n"
                                    "not a play list (24)\nnot found (25)\nhidden (26)\naudio CDs (27)\n";

// The mini disc with everything visible: Gallus 1001 shows its sound-file item (context 1, key
// 1001A0001 with a blank variant) and its CD 7 item (context 2, 7C0002b); its CD 10 item comes after
// an item without the P mark and stays hidden. Pitta 2001 has one sound-file item.
class PlayListTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        install_language_texts(Ttextfile_handler::from_bytes(play_list_texts, "play list texts"));
        data = load();
        visibility = Visibility::create_default(*data);
        visibility.only_with_sounds_or_photos = false;
        visibility.carriers.visible_cds = {1, 2};
        visibility.carriers.playable_cds = {1, 2};
        gallus = data->find_species(1001);
        gallus_song = gallus->first_item;
        gallus_call = gallus_song->next_item;
        gallus_hidden = gallus_call->next_item;
        pitta_song = data->find_species(2001)->first_item;
    }

    PlayListResolver resolver() const { return {*data, visibility, 3, true}; }
    PlayListReadResult read(const std::string& text) const {
        disc_dir().write("list.pl", text);
        return read_play_list_file(disc_dir().file("list.pl"), resolver(), product);
    }
    static std::string file_with(const std::string& general, const std::string& recordings) {
        return "[GENERAL]\r\n" + general + "\r\n[RECORDINGS]\r\n" + recordings;
    }
    static std::string ours(const std::string& more = {}) {
        return "CDROM=Sarovan Bird Sounds\r\nVersion=1.0\r\n" + more;
    }

    std::unique_ptr<Tdata> data;
    Visibility visibility;
    const Tspecies* gallus = nullptr;
    const Tcupaitem *gallus_song = nullptr, *gallus_call = nullptr, *gallus_hidden = nullptr,
                    *pitta_song = nullptr;
};

TEST_F(PlayListTest, RoundTripKeepsRecordingsCountsOptionsAndBlankVariant) {
    PlayListFile list;
    list.options = {7, true, true, 3};
    list.endless_loop = true;
    list.entries = {{gallus_song, 1, 3}, {pitta_song, 1, 1}, {gallus_call, 2, 99}};
    const std::string path = disc_dir().file("round.pl");
    ASSERT_TRUE(write_play_list_file(path, list, product));

    const std::string text = *read_whole_file(path);
    EXPECT_NE(text.find("R1=1001,01001A00001 ,3\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("R3=1001,00007C00002b,99\r\n"), std::string::npos) << text;

    const PlayListReadResult back = read_play_list_file(path, resolver(), product);
    ASSERT_EQ(back.status, PlayListLoad::loaded);
    EXPECT_FALSE(back.other_version || back.recordings_not_found || back.recordings_hidden);
    EXPECT_EQ(back.list.options.seconds_between_sounds, 7);
    EXPECT_TRUE(back.list.options.tell_names_afterwards);
    EXPECT_EQ(back.list.options.seconds_after_spoken_names, 3);
    EXPECT_TRUE(back.list.endless_loop);
    ASSERT_EQ(back.list.entries.size(), 3u);
    const TPlayListInfo expected[] = {{gallus_song, 1, 3}, {pitta_song, 1, 1}, {gallus_call, 2, 99}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(back.list.entries[i].recording, expected[i].recording) << i;
        EXPECT_EQ(back.list.entries[i].context, expected[i].context) << i;
        EXPECT_EQ(back.list.entries[i].repeat_count, expected[i].repeat_count) << i;
    }
}

TEST_F(PlayListTest, DeletingTheOnlyEntryLeavesAnEmptyRowSavedAsX) {
    PlayList list;
    list.add({gallus_song, 1, 1});
    EXPECT_TRUE(list.remove(0));
    EXPECT_EQ(list.row_count(), 1);
    EXPECT_FALSE(list.remove(0)); // the empty row holds nothing to delete
    PlayListFile file;
    file.entries = list.entries();
    const std::string text = play_list_file_text(file, product);
    EXPECT_NE(text.find("[RECORDINGS]\r\nR1=x\r\n"), std::string::npos) << text;
    EXPECT_TRUE(read(text).list.entries.empty());
}

TEST_F(PlayListTest, RowsEndAtTheFirstMissingKeyAndXRowsAreSkipped) {
    const auto gaps = read(file_with(ours(), "R1=1001,01001A00001 ,1\r\nR3=2001,01001A00002 ,1\r\n"));
    ASSERT_EQ(gaps.list.entries.size(), 1u);
    EXPECT_EQ(gaps.list.entries[0].recording, gallus_song);

    const auto x = read(file_with(ours(), "R1=x\r\nR2=2001,01001A00002 ,2\r\n"));
    ASSERT_EQ(x.list.entries.size(), 1u);
    EXPECT_EQ(x.list.entries[0].recording, pitta_song);
    EXPECT_EQ(x.list.entries[0].repeat_count, 2);
}

TEST_F(PlayListTest, ProductChecksAndTheirMessages) {
    ScriptedMessages messages;
    struct Case {
        std::string general;
        PlayListLoad status;
        std::string message;
        int flags;
    };
    const Case cases[] = {
        {"CDROM=Another Guide\r\nVersion=1.0\r\n", PlayListLoad::other_product, "another program (21)", 16},
        {"Version=1.0\r\n", PlayListLoad::not_a_play_list, "not a play list (24)", 16},
        {"CDROM=Sarovan Bird Sounds\r\n", PlayListLoad::not_a_play_list, "not a play list (24)", 16},
        {"CDROM=Sarovan Bird Sounds\r\nVersion=0.9\r\n", PlayListLoad::loaded,
         "another version (22) may differ (23)", 48},
    };
    for (const Case& c : cases) {
        messages.clear();
        const auto result = read(file_with(c.general, "R1=1001,01001A00001 ,1\r\n"));
        EXPECT_EQ(result.status, c.status) << c.general;
        EXPECT_EQ(report_play_list_read(result), c.status == PlayListLoad::loaded) << c.general;
        ASSERT_EQ(messages.shown().size(), 1u) << c.general;
        EXPECT_EQ(messages.shown()[0].text, c.message);
        EXPECT_EQ(messages.shown()[0].flags, c.flags);
    }
}

TEST_F(PlayListTest, UnresolvedAndHiddenEntriesAreDroppedWithTheirMessage) {
    ScriptedMessages messages;
    const auto hidden = read(file_with(ours(), "R1=1001,00010C00001 ,1\r\nR2=2001,01001A00002 ,1\r\n"));
    EXPECT_TRUE(hidden.recordings_hidden);
    EXPECT_EQ(hidden.list.entries.size(), 1u);
    report_play_list_read(hidden);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "hidden (26)");

    messages.clear();
    const auto both = read(file_with(ours(), "R1=1001,00010C00001 ,1\r\nR2=9999,01001A00001 ,1\r\n"
                                             "R3=2001,01001A00001 ,1\r\nR4=abc,zzz\r\nR5=1001,01001A00001 ,1\r\n"));
    EXPECT_TRUE(both.recordings_not_found && both.recordings_hidden);
    ASSERT_EQ(both.list.entries.size(), 1u);
    report_play_list_read(both);
    ASSERT_EQ(messages.shown().size(), 1u); // line 25 takes precedence
    EXPECT_EQ(messages.shown()[0].text, "not found (25)");
}

// Entries are found by their recording: a filter that hides the species' first recording gives the
// entry another number, and the same recording.
TEST_F(PlayListTest, EntriesResolveByRecordingUnderAnotherFilter) {
    visibility.carriers.show_native = false;
    const auto result = read(file_with(ours(), "R1=1001,00007C00002b,1\r\n"));
    ASSERT_EQ(result.list.entries.size(), 1u);
    EXPECT_EQ(result.list.entries[0].recording, gallus_call);
    EXPECT_EQ(result.list.entries[0].context, 1);
}

TEST_F(PlayListTest, NumbersFromTheFileAreRangeChecked) {
    const auto result = read(file_with(ours("Seconds between Sounds=100000\r\nSeconds after Spoken Names="
                                            "-5\r\nEndless Loop=Yes\r\n"),
                                       "R1=1001,01001A00001 ,0\r\nR2=1001,01001A00001 ,100000000000\r\n"
                                       "R3=1001,01001A00001 ,many\r\nR4=99999999999999,01001A00001 ,1\r\n"));
    EXPECT_EQ(result.list.options.seconds_between_sounds, 99);
    EXPECT_EQ(result.list.options.seconds_after_spoken_names, 1);
    EXPECT_TRUE(result.list.endless_loop);
    ASSERT_EQ(result.list.entries.size(), 3u);
    EXPECT_EQ(result.list.entries[0].repeat_count, 1);
    EXPECT_EQ(result.list.entries[1].repeat_count, 99);
    EXPECT_EQ(result.list.entries[2].repeat_count, 1);
    EXPECT_TRUE(result.recordings_not_found);
}

TEST_F(PlayListTest, NameOptionsAreOffWhenTheEditionSpeaksNoNames) {
    PlayListResolver no_names = resolver();
    no_names.speak_names_offered = false;
    disc_dir().write("names.pl", file_with(ours("Tell Species Names=Yes\r\nTell names Afterwards=Yes\r\n"), ""));
    const auto result = read_play_list_file(disc_dir().file("names.pl"), no_names, product);
    EXPECT_FALSE(result.list.options.tell_species_names || result.list.options.tell_names_afterwards);
}

TEST_F(PlayListTest, BinaryLoneCrAndLfFilesAreReadSafely) {
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 37);
    EXPECT_EQ(read(binary).status, PlayListLoad::not_a_play_list);
    const auto lf = read("[GENERAL]\nCDROM=Sarovan Bird Sounds\nVersion=1.0\n[RECORDINGS]\nR1=2001,01001A00002 ,2\n");
    ASSERT_EQ(lf.list.entries.size(), 1u);
    EXPECT_EQ(lf.list.entries[0].repeat_count, 2);
    EXPECT_EQ(read(std::string("[GENERAL]\rCDROM=x\0\r\n", 20)).status, PlayListLoad::not_a_play_list);
}

TEST_F(PlayListTest, FailedSaveTellsAndLeavesTheOldFile) {
    ScriptedMessages messages;
    PlayListFile list;
    EXPECT_FALSE(write_play_list_file(disc_dir().file("no such folder/list.pl"), list, product));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "File creation went wrong!");
    EXPECT_EQ(messages.shown()[0].flags, 16);
}

TEST_F(PlayListTest, SaveRemembersTheListAndWarnsOfAudioCdRecordings) {
    ScriptedMessages messages;
    PlayListFile list;
    list.entries = {{gallus_song, 1, 1}};
    const std::string path = disc_dir().file("saved.pl");
    ASSERT_TRUE(save_play_list(path, list, product));
    EXPECT_EQ(settings::read_playlist_settings().current, path);
    EXPECT_TRUE(messages.shown().empty());
    list.entries.push_back({gallus_call, 2, 1});
    ASSERT_TRUE(save_play_list(path, list, product));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "audio CDs (27)");
    EXPECT_EQ(messages.shown()[0].flags, 48);
}

// A save killed at any moment leaves the old list or the new one, each whole.
TEST_F(PlayListTest, KilledSaveLeavesTheOldFileWhole) {
    PlayListFile small, large;
    small.entries = {{pitta_song, 1, 2}};
    for (int i = 0; i < 500; ++i)
        large.entries.push_back({gallus_song, 1, 1 + i % 99});
    const std::string small_text = play_list_file_text(small, product);
    const std::string large_text = play_list_file_text(large, product);
    const std::string path = disc_dir().file("killed.pl");
    ASSERT_TRUE(write_play_list_file(path, small, product));

    for (int round = 0; round < 5; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                write_play_list_file(path, i % 2 ? small : large, product);
        }
        // Kill it once it has replaced the file a few times, i.e. while it is writing.
        int changes = 0;
        std::string last = small_text;
        while (changes < 3 + round) {
            const auto now = read_whole_file(path);
            if (now && *now != last) {
                ++changes;
                last = *now;
            }
        }
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const auto text = read_whole_file(path);
        ASSERT_TRUE(text);
        EXPECT_TRUE(*text == small_text || *text == large_text) << "round " << round << ": " << text->size();
    }
    EXPECT_EQ(read_play_list_file(path, resolver(), product).status, PlayListLoad::loaded);
}

// ---- the rows and GetNextEntry ----

TEST(PlayListRows, RepeatCountTypedInTheGrid) {
    struct Case {
        std::string text;
        int count;
        bool changed;
    };
    const Case cases[] = {{" 5 ", 5, true}, {"", 1, true},   {"abc", 3, false}, {"150", 99, true},
                          {"0", 1, true},   {"-3", 1, true}, {"3", 3, false},   {"4x", 3, false}};
    for (const Case& c : cases) {
        PlayList list;
        list.add({nullptr, 1, 3});
        EXPECT_EQ(list.set_repeat_text(0, c.text), c.changed) << c.text;
        EXPECT_EQ(list.entries()[0].repeat_count, c.count) << c.text;
        EXPECT_EQ(list.repeat_text(0), c.count == 1 ? "" : std::to_string(c.count)) << c.text;
    }
}

TEST(PlayListRows, AddMoveRemoveAndClipboardText) {
    PlayList list;
    EXPECT_EQ(list.row_count(), 1);
    EXPECT_EQ(list.add({nullptr, 1, 1}), 0);
    EXPECT_EQ(list.add({nullptr, 2, 300}), 1);
    EXPECT_EQ(list.add({nullptr, 3, 1}), 2);
    EXPECT_EQ(list.entries()[1].repeat_count, 99);
    EXPECT_TRUE(list.move(2, 0));
    EXPECT_FALSE(list.move(0, 3));
    const auto describe = [](const TPlayListInfo& e) { return "Species # " + std::to_string(e.context); };
    EXPECT_EQ(list.clipboard_text(describe, "Times"),
              "1:  Species # 3\r\n2:  Species # 1\r\n3:  Species # 2, times=99");
    EXPECT_TRUE(list.remove(1));
    EXPECT_EQ(list.row_count(), 2);
    EXPECT_EQ(PlayList().clipboard_text(describe, "Times"), "1:  ");
}

std::string handed_out(PlayList& list, bool loop, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        const NextEntry e = list.next_entry(loop);
        if (!e.recording) {
            out += "end";
            break;
        }
        out += std::to_string(e.row + 1) + (e.is_repeat ? "r" : "") + (e.is_last ? "L" : "") + " ";
    }
    return out;
}

TEST(PlayListRows, NextEntryRepeatsAdvancesWrapsAndEnds) {
    Tcupaitem item;
    PlayList list;
    list.add({&item, 1, 1});
    list.add({&item, 2, 3});
    list.start_sequence(-1);
    EXPECT_EQ(handed_out(list, false, 10), "1 2 2r 2rL end");
    list.start_sequence(-1);
    EXPECT_EQ(handed_out(list, true, 9), "1 2 2r 2r 1 2 2r 2r 1 ");
    // Start at the selected row: it comes first as a new entry, with its pause and name.
    list.start_sequence(1);
    EXPECT_EQ(handed_out(list, false, 10), "2 2r 2rL end");
    list.clear();
    list.start_sequence(-1);
    EXPECT_EQ(handed_out(list, true, 3), "end");
}

} // namespace
} // namespace morvelin
