// morvelin-disc export-mp3 on the demo disc: every recording stored as MPEG Layer III becomes a tagged
// MP3 file holding exactly its slice, the others are refused without an output file, and wrong
// arguments are told apart from failures.

#include "data_commands.h"
#include "demo_disc.h"
#include "export_mp3_command.h"
#include "scripted_services.h"

#include "core/data/data_set.h"
#include "core/foundation/environment.h"
#include "core/sound/file_locations.h"
#include "core/sound/mp3_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>


namespace fs = std::filesystem;

namespace morvelin {
namespace {

using testing::read_file;
using testing::ScriptedMessages;
using testing::TempDir;

// One MPEG-1 Layer III frame header: its length in bytes and its sampling rate, or no value.
struct Frame {
    std::size_t length;
    int rate;
};
std::optional<Frame> frame_at(const std::string& bytes, std::size_t at) {
    static const int kbits[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int rates[] = {44100, 48000, 32000, 0};
    if (at + 4 > bytes.size()) return std::nullopt;
    const auto b = [&](std::size_t i) { return std::uint8_t(bytes[at + i]); };
    if (b(0) != 0xFF || (b(1) & 0xFE) != 0xFA) return std::nullopt;
    const int kbit = kbits[b(2) >> 4], rate = rates[(b(2) >> 2) & 3];
    if (kbit == 0 || rate == 0) return std::nullopt;
    return Frame{std::size_t(144000 * kbit / rate + ((b(2) >> 1) & 1)), rate};
}

struct Mp3File {
    std::size_t tag_length = 0;
    int frames = 0;
    double seconds = 0;
    bool frames_to_the_end = false;
};
Mp3File parse_exported(const std::string& bytes) {
    Mp3File f;
    if (bytes.compare(0, 6, std::string("ID3\x03\x00\x00", 6)) != 0) return f;
    const auto s = [&](int i) { return std::size_t(std::uint8_t(bytes[std::size_t(6 + i)]) & 0x7F); };
    f.tag_length = 10 + (s(0) << 21 | s(1) << 14 | s(2) << 7 | s(3));
    std::size_t at = f.tag_length;
    while (auto frame = frame_at(bytes, at)) {
        if (at + frame->length > bytes.size()) break;
        at += frame->length;
        ++f.frames;
        f.seconds += 1152.0 / frame->rate;
    }
    f.frames_to_the_end = f.frames > 0 && at == bytes.size();
    return f;
}

class ExportMp3Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const auto disc = testing::demo_disc();
        if (disc)
            disc_ = *disc;
        else
            error_ = "the demo disc could not be made with the built morvelin-disc";
    }
    void SetUp() override {
        ASSERT_TRUE(error_.empty()) << error_;
        saved_ = environment();
        environment().settings_file_path = out.file("Morvelin.ini");
    }
    void TearDown() override { environment() = saved_; }

    static int run(const std::vector<std::string>& args) { return disc::export_mp3_command(args); }

    static std::string disc_;
    static std::string error_;
    TempDir out;
    ScriptedMessages messages;
    Environment saved_;
};
std::string ExportMp3Test::disc_;
std::string ExportMp3Test::error_;

TEST_F(ExportMp3Test, EveryMp3CapableRecordingExportsItsSliceAndTheOthersAreRefused) {
    std::string error;
    auto data = disc::load_disc(disc_, error);
    ASSERT_TRUE(data) << error;
    environment().base_directory = disc_;

    int cut_part_files = 0, cd_slices = 0, refused = 0;
    for (const Tspecies* species : data->species_by_id()) {
        int n = 0;
        for (const Tcupaitem* item = species->first_item; item; item = item->next_item) {
            ++n;
            const Tcutpart& cut = *item->cut_part;
            const std::string path = sound_file_path(cut);
            if (path.empty() || !fs::exists(path)) continue; // on an audio CD only
            const std::string name = std::to_string(species->unique_id) + "-" + std::to_string(n) + ".mp3";
            const std::vector<std::string> args = {disc_, std::to_string(species->unique_id),
                                                   std::to_string(n), out.file(name)};
            SCOPED_TRACE(name + " from " + path);
            messages.clear();
            if (!IsMP3CapableSoundFile(path)) {
                EXPECT_EQ(run(args), 1);
                EXPECT_FALSE(fs::exists(out.file(name)));
                ++refused;
                continue;
            }
            ASSERT_EQ(run(args), 0);
            EXPECT_TRUE(messages.shown().empty());
            const std::string bytes = read_file(out.file(name));
            const Mp3File mp3 = parse_exported(bytes);
            EXPECT_EQ(mp3.tag_length, 4096u);
            EXPECT_TRUE(mp3.frames_to_the_end) << mp3.frames << " frames";
            const std::string tag = bytes.substr(0, mp3.tag_length);
            EXPECT_NE(tag.find("TIT2"), std::string::npos);
            EXPECT_NE(tag.find(item->text_5 + ". "), std::string::npos) << "title " << item->text_5;
            const double wanted = cut.length / 1000.0;
            if (cut.is_sound_file) {
                ++cut_part_files;
                // The whole file: its length in the data is whole seconds.
                EXPECT_NEAR(mp3.seconds, wanted, 0.6);
            } else {
                ++cd_slices;
                // From the frame holding the start to the frame holding the end.
                const double frame = 1152.0 / 32000;
                EXPECT_GE(mp3.seconds, wanted - frame);
                EXPECT_LE(mp3.seconds, wanted + 2 * frame + 0.05);
            }
        }
    }
    EXPECT_GT(cut_part_files, 5);
    EXPECT_GT(cd_slices, 0);
    EXPECT_GT(refused, 5);
}

TEST_F(ExportMp3Test, TheSameRecordingGivesTheSameBytes) {
    // Recording 2 of the red junglefowl is an MPEG Layer III cut-part file.
    ASSERT_EQ(run({disc_, "101", "2", out.file("a.mp3")}), 0);
    ASSERT_EQ(run({disc_, "101", "2", out.file("b.mp3")}), 0);
    EXPECT_EQ(read_file(out.file("a.mp3")), read_file(out.file("b.mp3")));
    EXPECT_GT(read_file(out.file("a.mp3")).size(), 4096u);
}

// The body of the first ID3v2.3 frame with this id, after its encoding byte for text frames.
std::string frame_text(const std::string& tag, const std::string& id) {
    std::size_t at = 10;
    while (at + 10 <= tag.size() && tag[at] != 0) {
        const auto byte = [&](std::size_t i) { return std::size_t(std::uint8_t(tag[at + i])); };
        const std::size_t size = byte(4) << 24 | byte(5) << 16 | byte(6) << 8 | byte(7);
        if (tag.compare(at, 4, id) == 0) {
            std::string body = tag.substr(at + 10, size);
            return id[0] == 'T' || id == "COMM" ? body.substr(1) : body;
        }
        at += 10 + size;
    }
    return "(no " + id + ")";
}

TEST_F(ExportMp3Test, TagTextsComeFromTheRecordingSpeciesLocalityAndRecordist) {
    ASSERT_EQ(run({disc_, "101", "2", out.file("a.mp3")}), 0);
    const std::string tag = read_file(out.file("a.mp3")).substr(0, 4096);
    EXPECT_EQ(frame_text(tag, "TIT2"), std::string("Crowing of male. \0", 18));
    EXPECT_EQ(frame_text(tag, "TCON"), std::string("(12)Red Junglefowl\0", 19));
    EXPECT_EQ(frame_text(tag, "TALB"), std::string("Sarovan Bird Sounds 3.14\0", 25));
    EXPECT_EQ(frame_text(tag, "TIT1"), std::string("00035\0", 6)); // position in the Clements order
    EXPECT_EQ(frame_text(tag, "COMM"), std::string("eng\0Bang Phra (Chonburi, Thailand).\r\n"
                                                   "24-11-1995, 08:00h, Rui Tanaquay\r\n"
                                                   "Calls in flight.\0",
                                                   88));
    EXPECT_EQ(frame_text(tag, "TPE1"), std::string("\0", 1)); // not the maker's own recording
    EXPECT_EQ(frame_text(tag, "TPUB"), "(no TPUB)");
}

TEST_F(ExportMp3Test, WrongArgumentsAndMissingRecordingsFail) {
    struct Case {
        std::vector<std::string> args;
        int exit_code;
    };
    const std::string target = out.file("x.mp3");
    const Case cases[] = {
        {{disc_, "101", "2"}, 2},
        {{disc_, "101", "2", target, "extra"}, 2},
        {{disc_, "junglefowl", "2", target}, 2},
        {{disc_, "101", "0", target}, 2},
        {{disc_, "101", "-1", target}, 2},
        {{disc_, "999999", "1", target}, 1}, // no such species
        {{disc_, "101", "99", target}, 1},   // no such recording
        {{out.file("no disc"), "101", "2", target}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.size() > 2 ? c.args[1] + " " + c.args[2] : "too few");
        EXPECT_EQ(run(c.args), c.exit_code);
        EXPECT_FALSE(fs::exists(target));
    }
}

} // namespace
} // namespace morvelin
