// The players over the Linux media port with real sound: every kind of recording plays its section to
// the end through the null output and through a sound server (a PulseAudio null sink started by
// scripts/pulse; skipped when none answers), and every recording of the demo disc plays through the
// sound server (cut-part files, sections of track files, tracks of the CD images).

#include "core/data/data_loader.h"
#include "demo_disc.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/file_search.h"
#include "core/foundation/textfile_handler.h"
#include "platform/media/linux_media_port.h"
#include "platform/media/pulse_volume.h"
#include "media_test_files.h"
#include "scripted_services.h"
#include "core/sound/audio_cd_player.h"
#include "core/sound/file_locations.h"
#include "core/sound/players.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace morvelin {
namespace {

using namespace std::chrono_literals;
using testing::ScriptedMessages;
using testing::TempDir;
using Clock = std::chrono::steady_clock;

bool sound_server_answers() {
    WaveOutCapabilities caps;
    return PulseVolume().capabilities(0, caps) == mci::mmsyserr_noerror;
}

// Installs a Linux media port as the program's port for the life of the object.
struct InstalledPort {
    explicit InstalledPort(LinuxMediaPort::Options options)
        : port(std::make_unique<LinuxMediaPort>(std::move(options))) {
        install_media_port(port.get());
    }
    ~InstalledPort() { install_media_port(nullptr); }
    std::unique_ptr<LinuxMediaPort> port;
};

// What the sound bar's timer sees while a player plays from the start of its section to its end.
struct Played {
    bool ended = false;
    bool positions_in_order = true;
    int last_position = 0;
    Clock::duration took{};
};
Played play_to_end(TMCIDevicePlayer& player, std::chrono::milliseconds timeout) {
    Played played;
    const auto started = Clock::now();
    if (!player.Play(true, false)) return played;
    played.ended = testing::wait_until(
        [&] {
            int position = 0;
            if (player.GetPosition(position)) {
                played.positions_in_order = played.positions_in_order && position >= played.last_position;
                played.last_position = position;
            }
            int mode = 0;
            return player.GetMode(mode) && mode != mci::mode_play;
        },
        timeout);
    player.GetPosition(played.last_position);
    played.took = Clock::now() - started;
    return played;
}

enum class Output { null, sound_server };

class RealPlayersTest : public ::testing::TestWithParam<Output> {
protected:
    void SetUp() override {
        testing::ensure_core_application();
        if (GetParam() == Output::sound_server && !sound_server_answers())
            GTEST_SKIP() << "no sound server answers (start one with scripts/pulse start)";
        install_language_texts(Ttextfile_handler());
        set_single_cd_drive_probe([] { return false; });
        // Two CD tracks of 2 s and 3 s 10 frames.
        cue = testing::make_cd_image(dir.path(), "voices", {150, 235});
        LinuxMediaPort::Options options;
        options.cd_images = {cue};
        options.null_output = GetParam() == Output::null;
        port = std::make_unique<InstalledPort>(options);
    }
    void TearDown() override { set_single_cd_drive_probe({}); }

    std::string sound_file(const std::string& name, const std::string& options, double seconds) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(testing::make_sound_file(path, options, seconds)) << name;
        return path;
    }

    TempDir dir;
    std::string cue;
    std::unique_ptr<InstalledPort> port;
    ScriptedMessages messages;
};

TEST_P(RealPlayersTest, CutPartFilesOfEachCodingPlayWhole) {
    struct Case {
        const char* name;
        const char* coding;
        bool mp3;
    };
    for (Case c :
         {Case{"pcm.wav", "-c:a pcm_s16le", false}, Case{"mp3in.wav", "-c:a libmp3lame -f wav", true},
          Case{"adpcm.wav", "-c:a adpcm_ms", false}, Case{"voice.wma", "-c:a wmav2", false}}) {
        SCOPED_TRACE(c.name);
        const std::string path = sound_file(c.name, c.coding, 1.2);
        TCutPartFilePlayer player;
        int length = 100;
        bool file_problem = false;
        ASSERT_TRUE(player.OpenCutPartFile(path, c.mp3, length, file_problem));
        EXPECT_NEAR(length, 1200, 60);
        const Played played = play_to_end(player, 15s);
        EXPECT_TRUE(played.ended);
        EXPECT_TRUE(played.positions_in_order);
        EXPECT_EQ(played.last_position, length);
        // Paced by the sound, not by how fast it decodes; the margin absorbs the output's buffering.
        EXPECT_GE(played.took, std::chrono::milliseconds(length / 2));
        EXPECT_TRUE(player.Close());
    }
    EXPECT_TRUE(messages.shown().empty());
}

TEST_P(RealPlayersTest, SectionOfATrackFilePlaysFromItsStartToItsEnd) {
    const std::string path = sound_file("Track 02.mp3", "-c:a libmp3lame", 2.0);
    TSoundFilePlayer player;
    int length = 700;
    bool file_problem = false;
    ASSERT_TRUE(player.OpenSection(path, 600, length, file_problem));
    EXPECT_EQ(length, 700);
    const Played played = play_to_end(player, 15s);
    EXPECT_TRUE(played.ended);
    EXPECT_TRUE(played.positions_in_order);
    EXPECT_EQ(played.last_position, 700);
    EXPECT_GE(played.took, 350ms);

    // A section that claims more than the file holds ends with the file.
    length = 5000;
    ASSERT_TRUE(player.OpenSection(path, 1000, length, file_problem));
    EXPECT_NEAR(length, 1000, 60);
    EXPECT_TRUE(play_to_end(player, 15s).ended);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_P(RealPlayersTest, PausedSectionResumesWhereItStopped) {
    const std::string path = sound_file("pause.wav", "-c:a pcm_s16le", 2.0);
    TSoundFilePlayer player;
    int length = 1500;
    bool file_problem = false;
    ASSERT_TRUE(player.OpenSection(path, 300, length, file_problem));
    ASSERT_TRUE(player.Play(true, false));
    int position = 0;
    ASSERT_TRUE(testing::wait_until([&] { return player.GetPosition(position) && position > 300; }, 10s));
    ASSERT_TRUE(player.Stop());
    int stopped_at = 0;
    ASSERT_TRUE(player.GetPosition(stopped_at));
    EXPECT_GT(stopped_at, 300);
    EXPECT_LT(stopped_at, 1500);
    std::this_thread::sleep_for(200ms); // a paused player does not move on
    ASSERT_TRUE(player.GetPosition(position));
    EXPECT_EQ(position, stopped_at);

    // What the sound bar does on resume.
    ASSERT_TRUE(player.Seek(stopped_at));
    ASSERT_TRUE(player.Play(false, false));
    ASSERT_TRUE(testing::wait_until(
        [&] {
            int mode = 0;
            return player.GetMode(mode) && mode != mci::mode_play;
        },
        10s));
    ASSERT_TRUE(player.GetPosition(position));
    EXPECT_EQ(position, 1500);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_P(RealPlayersTest, SectionOfACdTrackPlaysAfterTheDiscCheck) {
    TaudioCD cd;
    cd.text_2 = "Voices";
    cd.text_5 = "2;2;3";
    Tcutpart cut;
    cut.audio_cd = &cd;
    cut.track = 2;
    cut.offset = 1000;
    cut.length = 1200;
    Taudio_CD_key_checker checker({"Insert", "and press OK."});
    TAudioCDTrackPlayer player;
    ASSERT_TRUE(player.OpenTrack(1, cut.length, checker.callback(), cut));
    EXPECT_EQ(cut.length, 1200);
    EXPECT_EQ(player.track_start(), msf_to_ms(0, 4, 0));
    const Played played = play_to_end(player, 15s);
    EXPECT_TRUE(played.ended);
    EXPECT_TRUE(played.positions_in_order);
    EXPECT_NEAR(played.last_position, 1200, 14); // whole CD frames
    EXPECT_GE(played.took, 600ms);
    EXPECT_TRUE(player.Close());
    EXPECT_TRUE(messages.shown().empty()) << messages.shown()[0].text;

    // Another disc in the drive: the user is asked, and Cancel refuses it.
    cd.text_5 = "2;2;4";
    messages.answer(id::cancel);
    EXPECT_FALSE(player.OpenTrack(1, cut.length, checker.callback(), cut));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Insert \"Voices\". and press OK.");
}

INSTANTIATE_TEST_SUITE_P(Outputs, RealPlayersTest, ::testing::Values(Output::null, Output::sound_server),
                         [](const ::testing::TestParamInfo<Output>& info) {
                             return info.param == Output::null ? "null" : "sound_server";
                         });

// Plays the start of a recording: the open succeeds and the position moves (or a very short section
// ends).
void expect_plays(TMCIDevicePlayer& player, int length) {
    ASSERT_TRUE(player.Play(true, false));
    EXPECT_TRUE(testing::wait_until(
        [&] {
            int position = 0, mode = 0;
            return (player.GetPosition(position) && position > 0) ||
                   (player.GetMode(mode) && mode != mci::mode_play);
        },
        5s));
    EXPECT_GT(length, 0);
    EXPECT_TRUE(player.Close());
}

TEST(DemoDiscPlayersTest, EveryRecordingPlays) {
    testing::ensure_core_application();
    const std::optional<std::string> disc = testing::demo_disc();
    if (!disc) GTEST_SKIP() << "morvelin-disc is not built, so there is no demo disc";

    ScriptedMessages messages;
    testing::ScriptedDialogs dialogs; // a missing folder would ask for the base directory
    TempDir settings;
    const Environment saved = environment();
    environment().settings_file_path = settings.file("Morvelin.ini");
    environment().base_directory = *disc;
    set_single_cd_drive_probe([] { return false; });
    install_language_texts(Ttextfile_handler(*disc + "Morvelin.txt"));
    determine_edition_from_code(60);
    std::unique_ptr<Tdata> data = load_data({*disc});
    ASSERT_TRUE(data);

    // The images of the audio CDs as drives; the user's copy of one of them on the hard disk.
    std::vector<std::string> images;
    for (const auto& entry : fs::directory_iterator(*disc + "Audio CD images"))
        if (entry.path().extension() == ".cue") images.push_back(entry.path().string());
    std::sort(images.begin(), images.end());
    LinuxMediaPort::Options options;
    options.cd_images = images;
    // Through the sound server when one answers: that is where a birder hears them.
    options.null_output = !sound_server_answers();
    if (options.null_output)
        std::cerr << "no sound server answers: the recordings play through the null output\n";
    InstalledPort port(options);
    std::map<std::string, int> drive_of_identity;
    for (int drive = 1; drive <= int(images.size()); ++drive) {
        TAudioCDTrackPlayer look;
        ASSERT_TRUE(look.OpenDevice(drive, false));
        auto identity = look.DiscIdentity(false);
        ASSERT_TRUE(identity) << images[std::size_t(drive - 1)];
        drive_of_identity[*identity] = drive;
    }
    for (const auto& entry : fs::directory_iterator(*disc + "Audio CD copies"))
        for (TaudioCD* cd : data->audio_cds())
            if (!cd->always_available && entry.path().filename() == cd->text_1)
                cd->hard_disk_folder = entry.path().string();

    Taudio_CD_key_checker checker({"Insert", "and press OK."});
    int cut_part_files = 0, track_file_sections = 0, cd_tracks = 0;
    for (Tcutpart* cut : data->cut_parts()) {
        SCOPED_TRACE(cut->key);
        if (cut->is_sound_file) {
            TCutPartFilePlayer player;
            bool file_problem = false;
            ASSERT_TRUE(player.OpenCutPartFile(sound_file_path(*cut), sound_file_form(cut->compression)->mp3,
                                               cut->length, file_problem))
                << sound_file_path(*cut);
            expect_plays(player, cut->length);
            ++cut_part_files;
            continue;
        }
        const TaudioCD& cd = *cut->audio_cd;
        if (cd.always_available || !cd.hard_disk_folder.empty()) {
            const std::string path = sound_file_path(*cut);
            ASSERT_FALSE(path.empty()) << cd.text_2 << " track " << cut->track;
            TSoundFilePlayer player;
            int length = cut->length;
            bool file_problem = false;
            ASSERT_TRUE(player.OpenSection(path, cut->offset, length, file_problem)) << path;
            expect_plays(player, length);
            ++track_file_sections;
        }
        if (!cd.always_available) {
            auto drive = drive_of_identity.find(cd.text_5);
            ASSERT_NE(drive, drive_of_identity.end()) << "no image holds " << cd.text_2;
            TAudioCDTrackPlayer player;
            int length = cut->length;
            ASSERT_TRUE(player.OpenTrack(drive->second, length, checker.callback(), *cut));
            expect_plays(player, length);
            ++cd_tracks;
        }
    }
    EXPECT_GT(cut_part_files, 100);
    EXPECT_GT(track_file_sections, 5);
    EXPECT_GT(cd_tracks, 5);
    EXPECT_TRUE(messages.shown().empty()) << messages.shown().front().text;
    EXPECT_TRUE(dialogs.calls().empty());
    set_single_cd_drive_probe({});
    environment() = saved;
}

} // namespace
} // namespace morvelin
