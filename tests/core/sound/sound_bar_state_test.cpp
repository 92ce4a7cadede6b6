#include "core/sound/sound_bar_state.h"

#include "core/data/records.h"
#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "scripted_media.h"
#include "scripted_services.h"
#include "core/sound/audio_cd_player.h"
#include "core/sound/media_port.h"
#include "core/sound/players.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace morvelin {
namespace {

using testing::ScriptedDialogs;
using testing::ScriptedDisc;
using testing::ScriptedMedia;
using testing::ScriptedMessages;
using testing::TempDir;

std::vector<std::string> numbered_texts() {
    std::vector<std::string> lines;
    for (int i = 0; i < 20; ++i)
        lines.push_back("L" + std::to_string(i));
    return lines;
}

// Counts what the widgets would be told.
class RecordingView final : public SoundBarView {
public:
    void set_timer_running(bool running) override { timer = running; }
    void state_changed() override { ++changes; }
    bool timer = false;
    int changes = 0;
};

// The last play command in the log, or "".
std::string last_play(const ScriptedMedia& media) {
    for (auto it = media.log().rbegin(); it != media.log().rend(); ++it)
        if (it->rfind("play ", 0) == 0) return *it;
    return {};
}

// One recording with its cut part (and CD), and a bar on it.
struct Recording {
    TaudioCD cd;
    Tcutpart cut_part;
    Tcupaitem item;
    Recording() { item.cut_part = &cut_part; }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;
};

class SoundBarStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = environment();
        environment().base_directory = base.path();
        environment().settings_file_path = settings.file("Morvelin.ini");
        media.set_cd_drives(1);
        set_single_cd_drive_probe([] { return false; });
        SoundBarState::set_audio_cd_drive_provider(nullptr);
    }
    void TearDown() override {
        set_single_cd_drive_probe(nullptr);
        environment() = saved_;
    }

    // A recording in its own file tapes/07/A03.WAV of length_ms, declared to the media port.
    std::unique_ptr<Recording> cut_part_recording(int length_ms, bool declare_file = true) {
        auto r = std::make_unique<Recording>();
        r->cut_part.is_sound_file = true;
        r->cut_part.number = 7;
        r->cut_part.carrier_letter = 'A';
        r->cut_part.sub_number = 3 + int(recordings_made_++);
        r->cut_part.key = "07A0" + std::to_string(r->cut_part.sub_number);
        r->cut_part.length = length_ms;
        if (declare_file) media.add_wave_file(cut_part_path(*r, base.path()), std::uint32_t(length_ms));
        return r;
    }
    static std::string cut_part_path(const Recording& r, const std::string& base_folder) {
        char name[16];
        std::snprintf(name, sizeof name, "A%02d.WAV", r.cut_part.sub_number);
        return base_folder + "tapes/07/" + name;
    }

    // A section of track 2 of an audio CD. files: the CD's tracks are files in a hard-disk folder
    // (tracks of 60 s each, declared to the media port); otherwise the CD is played from the drive.
    std::unique_ptr<Recording> cd_recording(int offset_ms, int length_ms, bool files) {
        auto r = std::make_unique<Recording>();
        r->cd.number = 1;
        r->cd.sequence = 4;
        r->cd.text_1 = "Voices of the Marsh";
        r->cd.text_2 = "Marsh CD";
        r->cd.text_5 = "3;60;60;60";
        r->cut_part.audio_cd = &r->cd;
        r->cut_part.track = 2;
        r->cut_part.offset = offset_ms;
        r->cut_part.length = length_ms;
        r->cut_part.key = "CD1-2";
        if (files) {
            r->cd.hard_disk_folder = tracks.path();
            std::filesystem::create_directories(tracks.path());
            for (const char* name : {"Track 01.wav", "Track 02.wav", "Track 03.wav"}) {
                testing::write_file(tracks.path() + name, "x");
                media.add_wave_file(tracks.path() + name, 60000);
            }
            files_set.insert(4);
        } else {
            media.insert_disc(0, ScriptedDisc::of_seconds({60, 60, 60}));
            files_set.erase(4);
        }
        return r;
    }

    std::unique_ptr<SoundBarState> bar(const Recording& r, RecordingView& view, int slider = 0,
                                       bool rewind = false) {
        SoundBarState::Setup setup;
        setup.recording = &r.item;
        setup.files_instead_of_cd = files_set;
        setup.slider_position = slider;
        setup.rewind_at_end = rewind;
        setup.texts = numbered_texts();
        return std::make_unique<SoundBarState>(setup, view);
    }

    ScriptedMedia media;
    ScriptedMessages messages;
    ScriptedDialogs dialogs;
    TempDir base;
    TempDir settings;
    TempDir tracks;
    NumberSet files_set;
    RecordingView view;

private:
    Environment saved_;
    int recordings_made_ = 0;
};

TEST(SoundBarRoundingTest, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(round_half_even(0.5), 0);
    EXPECT_EQ(round_half_even(1.5), 2);
    EXPECT_EQ(round_half_even(2.5), 2);
    EXPECT_EQ(round_half_even(2.51), 3);
    EXPECT_EQ(round_half_even(-1.5), -2);
    EXPECT_EQ(ms_to_slider_steps(250), 2);
    EXPECT_EQ(ms_to_slider_steps(350), 4);
    EXPECT_EQ(ms_to_slider_steps(349), 3);
    EXPECT_EQ(ms_to_slider_steps(351), 4);
    EXPECT_EQ(ms_to_slider_steps(-400), 0);
}

TEST_F(SoundBarStateTest, SliderSizesFollowTheLength) {
    struct Case {
        int length_ms;
        bool cut_part_file;
        int width, maximum, small, large;
    };
    const Case cases[] = {
        {1000, true, 50, 10, 5, 10},      // a 1.0 s recording
        {60000, true, 266, 600, 5, 20},   // ln 60 x 60 + 20 = 265.66
        {60000, false, 266, 600, 10, 20}, // CD sections step by 1 s
        {40, true, 50, 0, 5, 1},          // shorter than one step: the page step stays usable
        {0, true, 50, 0, 5, 1},           // no length (yet)
        {1250, true, 50, 12, 5, 12},      // 12.5 steps: ties to even
        {10000, true, 158, 100, 5, 20},   // ln 10 x 60 + 20 = 158.16
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length_ms);
        auto r =
            c.cut_part_file ? cut_part_recording(c.length_ms, false) : cd_recording(0, c.length_ms, false);
        auto state = bar(*r, view);
        EXPECT_EQ(state->slider_width(), c.width);
        EXPECT_EQ(state->slider_maximum(), c.maximum);
        EXPECT_EQ(state->small_change(), c.small);
        EXPECT_EQ(state->large_change(), c.large);
    }
}

TEST_F(SoundBarStateTest, PlayerKindFollowsWhereTheRecordingLies) {
    TaudioCD cd;
    cd.sequence = 9;
    Tcutpart part;
    part.audio_cd = &cd;
    EXPECT_EQ(sound_bar_player_kind(part, {}), SoundBarPlayerKind::audio_cd);
    EXPECT_EQ(sound_bar_player_kind(part, {9}), SoundBarPlayerKind::section_file);
    EXPECT_EQ(sound_bar_player_kind(part, {8}), SoundBarPlayerKind::audio_cd);
    cd.always_available = true;
    EXPECT_EQ(sound_bar_player_kind(part, {}), SoundBarPlayerKind::section_file);
    part.is_sound_file = true;
    EXPECT_EQ(sound_bar_player_kind(part, {}), SoundBarPlayerKind::cut_part_file);
}

TEST_F(SoundBarStateTest, ToggleOpensPlaysPausesAndResumes) {
    auto r = cut_part_recording(5000);
    bool not_exact = true;
    SoundBarState::Setup setup;
    setup.recording = &r->item;
    setup.texts = numbered_texts();
    setup.length_not_exact = &not_exact;
    SoundBarState state(setup, view);
    EXPECT_EQ(state.length_text(), "5");

    state.TogglePlay();
    ASSERT_TRUE(state.is_open());
    EXPECT_TRUE(state.is_playing());
    EXPECT_TRUE(view.timer);
    EXPECT_FALSE(not_exact);
    EXPECT_EQ(state.length_text(), "5.0");
    EXPECT_EQ(SoundBarState::currently_playing(), &state);
    EXPECT_TRUE(media.logged("open 522 " + cut_part_path(*r, base.path())));

    media.advance(1234);
    state.tick();
    EXPECT_EQ(state.slider_position(), 12);
    EXPECT_EQ(state.position_text(), "1.2");

    media.advance(500);
    state.TogglePlay(); // pause
    EXPECT_TRUE(state.is_open());
    EXPECT_FALSE(state.is_playing());
    EXPECT_FALSE(view.timer);
    EXPECT_EQ(state.slider_position(), 17);
    EXPECT_FALSE(media.is_playing(state.player().device_id()));

    state.TogglePlay(); // resume where it stopped
    EXPECT_TRUE(state.is_playing());
    EXPECT_EQ(last_play(media), "play " + std::to_string(state.player().device_id()) + " 1700 5000");
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(SoundBarStateTest, StartingPositionIsSoughtWhenThePlayerOpens) {
    auto r = cut_part_recording(8000);
    auto state = bar(*r, view, 30);
    state->TogglePlay();
    EXPECT_EQ(last_play(media), "play " + std::to_string(state->player().device_id()) + " 3000 8000");
}

TEST_F(SoundBarStateTest, SecondBarClosesTheFirst) {
    auto first_recording = cut_part_recording(10000);
    auto second_recording = cut_part_recording(10000);
    RecordingView second_view;
    auto first = bar(*first_recording, view);
    auto second = bar(*second_recording, second_view);

    first->TogglePlay();
    media.advance(1500);
    first->tick();
    second->TogglePlay();

    EXPECT_FALSE(first->is_open());
    EXPECT_FALSE(first->is_playing());
    EXPECT_FALSE(view.timer);
    EXPECT_EQ(first->slider_position(), 15); // stays where it stopped
    EXPECT_TRUE(second->is_playing());
    EXPECT_EQ(SoundBarState::currently_playing(), second.get());
    EXPECT_EQ(media.open_device_count(), 1);

    // A paused bar is still the one that played: starting another closes it too.
    second->Pause();
    first->TogglePlay();
    EXPECT_FALSE(second->is_open());
    EXPECT_TRUE(first->is_playing());
}

TEST_F(SoundBarStateTest, ResumeAtTheEndStartsAgainFromZero) {
    auto r = cut_part_recording(3000);
    auto state = bar(*r, view);
    state->StartPlaying();
    const std::string id = std::to_string(state->player().device_id());
    state->slider_moved(29); // maximum - 1
    state->Resume();
    EXPECT_EQ(state->slider_position(), 0);
    EXPECT_EQ(last_play(media), "play " + id + " 0 3000");

    state->Pause();
    state->slider_moved(28); // not yet at the end: plays from there
    state->Resume();
    EXPECT_EQ(last_play(media), "play " + id + " 2800 3000");
}

TEST_F(SoundBarStateTest, ShiftEndOnAPlayingBarStartsAgainFromZero) {
    auto r = cut_part_recording(6000);
    auto state = bar(*r, view);
    state->TogglePlay();
    media.advance(2000);
    state->tick();
    state->shift_move(SoundBarState::ShiftMove::to_end);
    EXPECT_TRUE(state->is_playing());
    EXPECT_EQ(state->slider_position(), 0);
    EXPECT_EQ(last_play(media), "play " + std::to_string(state->player().device_id()) + " 0 6000");
}

TEST_F(SoundBarStateTest, ShiftKeysMoveAPausedOrClosedSliderWithinItsRange) {
    auto r = cut_part_recording(6000); // maximum 60, small 5, large 20
    auto state = bar(*r, view);
    using Move = SoundBarState::ShiftMove;
    const std::pair<Move, int> steps[] = {
        {Move::small_forward, 5}, {Move::large_forward, 25}, {Move::to_end, 60},  {Move::small_forward, 60},
        {Move::large_back, 40},   {Move::small_back, 35},    {Move::to_start, 0}, {Move::small_back, 0}};
    for (auto [move, expected] : steps) {
        state->shift_move(move);
        EXPECT_EQ(state->slider_position(), expected);
    }
    EXPECT_FALSE(state->is_open());
}

TEST_F(SoundBarStateTest, SliderMovedWhilePlayingContinuesFromThere) {
    auto r = cut_part_recording(9000);
    auto state = bar(*r, view);
    state->TogglePlay();
    media.advance(1000);
    state->slider_moved(50);
    EXPECT_TRUE(state->is_playing());
    EXPECT_TRUE(view.timer);
    EXPECT_EQ(last_play(media), "play " + std::to_string(state->player().device_id()) + " 5000 9000");
    media.advance(300);
    state->tick();
    EXPECT_EQ(state->slider_position(), 53);
}

TEST_F(SoundBarStateTest, EndRulesOfEachPlayerKind) {
    struct Case {
        const char* name;
        bool cd;
        bool files;
        int before_end_ms; // how far to play before the first look
        bool ended_early;  // closed at that look
    };
    // 3 s recordings (maximum 30): a cut-part file ends one step early, at 2.9 s; a section of a
    // file only at its maximum; a CD section when the device stops.
    const Case cases[] = {
        {"cut-part file", false, false, 2900, true},
        {"section file", true, true, 2900, false},
        {"audio CD", true, false, 2900, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = c.cd ? cd_recording(10000, 3000, c.files) : cut_part_recording(3000);
        auto state = bar(*r, view);
        state->TogglePlay();
        ASSERT_TRUE(state->is_playing());
        media.advance(std::uint32_t(c.before_end_ms));
        state->tick();
        EXPECT_EQ(state->is_open(), !c.ended_early);
        media.advance(200); // the device reaches the end of the section and stops
        state->tick();
        EXPECT_FALSE(state->is_open());
        EXPECT_FALSE(view.timer);
        EXPECT_EQ(SoundBarState::currently_playing(), nullptr);
        EXPECT_EQ(media.open_device_count(), 0);
        EXPECT_GE(state->slider_position(), 29); // no rewind: stays at the end
        EXPECT_TRUE(messages.shown().empty());
    }
}

TEST_F(SoundBarStateTest, RewindAtEndPutsTheSliderBackToZero) {
    auto r = cut_part_recording(2000);
    auto state = bar(*r, view, 0, true);
    state->TogglePlay();
    media.advance(2000);
    state->tick();
    EXPECT_FALSE(state->is_open());
    EXPECT_EQ(state->slider_position(), 0);
}

TEST_F(SoundBarStateTest, FileDeviceThatStopsShortEndsTheBar) {
    auto r = cut_part_recording(8000);
    auto state = bar(*r, view);
    state->TogglePlay();
    media.advance(1000);
    media.stop(state->player().device_id()); // the sound ran out before the length the file claimed
    state->tick();
    EXPECT_FALSE(state->is_open());
    EXPECT_FALSE(view.timer);
}

TEST_F(SoundBarStateTest, CdTakenOutStopsFollowingButKeepsTheBarOpen) {
    auto r = cd_recording(0, 20000, false);
    auto state = bar(*r, view);
    state->TogglePlay();
    ASSERT_TRUE(state->is_playing());
    media.eject_disc(0);
    state->tick();
    EXPECT_FALSE(view.timer);
    EXPECT_FALSE(state->is_playing());
    EXPECT_TRUE(state->is_open());
}

TEST_F(SoundBarStateTest, MissingCutPartFileAsksForTheDataFolderUntilFound) {
    auto r = cut_part_recording(4000, false);
    TempDir elsewhere;
    TempDir right;
    media.add_wave_file(cut_part_path(*r, right.path()), 4000);
    dialogs.answer(elsewhere.path());
    dialogs.answer(right.path());
    auto state = bar(*r, view);
    state->TogglePlay();
    EXPECT_TRUE(state->is_playing());
    EXPECT_EQ(dialogs.calls().size(), 2u);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(environment().base_directory, right.path());
}

TEST_F(SoundBarStateTest, GivingUpOnTheDataFolderLeavesTheBarClosedWithoutMessage) {
    auto r = cut_part_recording(4000, false);
    dialogs.cancel();
    auto state = bar(*r, view);
    state->TogglePlay();
    EXPECT_FALSE(state->is_open());
    EXPECT_EQ(dialogs.calls().size(), 1u);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(SoundBarStateTest, CutPartFileThatCannotBePlayedIsReportedWithoutAskingForAFolder) {
    // A damaged file that is there.
    {
        auto r = cut_part_recording(4000, false);
        const std::string path = cut_part_path(*r, base.path());
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        testing::write_file(path, "RIFF");
        media.add_failing_file(path, mci::err_invalid_file);
        auto state = bar(*r, view);
        state->TogglePlay();
        EXPECT_FALSE(state->is_open());
        EXPECT_TRUE(dialogs.calls().empty());
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, "L16 \"" + path + "\" L17");
        EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
    }
    messages.clear();
    // A compression number that names no file.
    {
        auto r = cut_part_recording(4000, false);
        r->cut_part.compression = 42;
        auto state = bar(*r, view);
        state->TogglePlay();
        EXPECT_FALSE(state->is_open());
        EXPECT_TRUE(dialogs.calls().empty());
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, "L16 \"" + r->cut_part.key + "\" L17");
    }
}

TEST_F(SoundBarStateTest, SectionFileProblemsAreReported) {
    // No file for the track in the CD's folder.
    {
        auto r = cd_recording(0, 3000, true);
        r->cut_part.track = 7;
        auto state = bar(*r, view);
        state->TogglePlay();
        EXPECT_FALSE(state->is_open());
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, "L5 7 L6" + tracks.path() + "L7");
        EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
    }
    messages.clear();
    // The folder is a native (UTF-8) path; the message, a Windows-1252 text, shows its letters.
    {
        auto r = cd_recording(0, 3000, true);
        r->cd.hard_disk_folder = "/nowhere/zo\xC3\xAB/M\xC3\xBAsica7/";
        auto state = bar(*r, view);
        state->TogglePlay();
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, "L5 2 L6/nowhere/zo\xEB/M\xFAsica7/L7");
    }
    messages.clear();
    // A section that starts within 700 ms of the end of its file.
    {
        auto r = cd_recording(59500, 3000, true);
        auto state = bar(*r, view);
        state->TogglePlay();
        EXPECT_FALSE(state->is_open());
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, "L16 \"" + tracks.path() + "Track 02.wav\" L17");
    }
}

TEST_F(SoundBarStateTest, SectionShortenedByTheFileShrinksTheSlider) {
    auto r = cd_recording(50000, 30000, true); // the 60 s track ends 10 s into the section
    auto state = bar(*r, view, 250);
    EXPECT_EQ(state->slider_maximum(), 300);
    state->StartPlaying();
    EXPECT_EQ(r->cut_part.length, 10000);
    EXPECT_EQ(state->slider_maximum(), 100);
    EXPECT_EQ(state->slider_position(), 100);
    EXPECT_EQ(state->length_text(), "10.0");
}

TEST_F(SoundBarStateTest, HiddenButtonNeverPlays) {
    auto r = cut_part_recording(4000);
    SoundBarState::Setup setup;
    setup.recording = &r->item;
    setup.button_visible = false;
    setup.texts = numbered_texts();
    SoundBarState state(setup, view);
    state.TogglePlay();
    EXPECT_FALSE(state.is_open());
    EXPECT_EQ(media.open_device_count(), 0);
}

TEST_F(SoundBarStateTest, DestroyingAPlayingBarClosesItsDevice) {
    auto r = cut_part_recording(4000);
    auto state = bar(*r, view);
    state->TogglePlay();
    ASSERT_EQ(media.open_device_count(), 1);
    state.reset();
    EXPECT_EQ(media.open_device_count(), 0);
    EXPECT_EQ(SoundBarState::currently_playing(), nullptr);
}

TEST_F(SoundBarStateTest, InformationTexts) {
    // A file is named as the case-insensitive look-up found it on disk, not as the data spell it.
    auto file = cut_part_recording(4000);
    const std::string on_disk =
        base.file("TAPES/07/") + std::filesystem::path(cut_part_path(*file, base.path())).filename().string();
    std::filesystem::create_directories(base.file("TAPES/07"));
    std::ofstream(on_disk) << "RIFF";
    EXPECT_EQ(bar(*file, view)->information_text(), "L8: " + on_disk);
    // Without a file on disk, the path as the data spell it.
    auto missing = cut_part_recording(4000);
    EXPECT_EQ(bar(*missing, view)->information_text(), "L8: " + cut_part_path(*missing, base.path()));

    auto on_drive = cd_recording(0, 12000, false);
    EXPECT_EQ(bar(*on_drive, view)->information_text(), "L9 \"Voices of the Marsh\"\nL10 2, L13 12.0 L12.");

    auto from_files = cd_recording(1500, 12000, true);
    EXPECT_EQ(bar(*from_files, view)->information_text(),
              "L9 \"Voices of the Marsh\"\nL10 2, L11 1.5 L12, L13 12.0 L12.\nL14 '" + tracks.path() +
                  "Track 02.wav'.");
}

TEST_F(SoundBarStateTest, StartUpOutputCheck) {
    EXPECT_TRUE(check_sound_output(1));
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_FALSE(check_sound_output(0));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
    EXPECT_FALSE(sound_output_is_available());
    check_sound_output(1);
}

} // namespace
} // namespace morvelin

namespace morvelin {
namespace {

// The last playback command in the log, or "".
std::string last_playback(const testing::ScriptedMedia& media) {
    for (auto it = media.log().rbegin(); it != media.log().rend(); ++it)
        if (it->rfind("playback ", 0) == 0) return *it;
    return {};
}

TEST_F(SoundBarStateTest, SpeedAndLoopGoWithEveryPlayAndAPlayingBarGoesOnWithThem) {
    // A CD section of a track file (offset 10 s): the loop is given in the file's milliseconds.
    auto r = cd_recording(10000, 5000, true);
    auto state = bar(*r, view);
    EXPECT_EQ(state->listening_text(), "");
    state->TogglePlay();
    ASSERT_TRUE(state->is_playing());
    EXPECT_EQ(last_playback(media), ""); // the normal playback is never logged
    const std::string id = std::to_string(state->player().device_id());

    media.advance(1500);
    state->set_playback_mode(PlaybackMode::tape_half);
    EXPECT_TRUE(state->is_playing());
    EXPECT_EQ(last_playback(media), "playback " + id + " 1 - -");
    EXPECT_EQ(last_play(media), "play " + id + " 11500 15000"); // on from where it was
    EXPECT_EQ(state->listening_text(), "\xBD\xD7");

    state->set_loop(4000, 2000); // either order
    EXPECT_EQ(state->loop_start(), 2000);
    EXPECT_EQ(state->loop_end(), 4000);
    EXPECT_EQ(last_playback(media), "playback " + id + " 1 12000 14000");
    EXPECT_EQ(state->listening_text(), "\xBD\xD7 A-B");

    state->clear_loop();
    state->set_playback_mode(PlaybackMode::stretch_quarter);
    EXPECT_EQ(last_playback(media), "playback " + id + " 5 - -");
    EXPECT_EQ(state->listening_text(), "\xBC\xD7 S");
    state->set_loop(-100, 99999); // kept within the recording
    EXPECT_EQ(state->loop_start(), 0);
    EXPECT_EQ(state->loop_end(), 5000);
    state->set_loop(3000, 3000); // empty: no loop
    EXPECT_FALSE(state->looping());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(SoundBarStateTest, LoopEndsAreSetAtTheSliderAndAnAOnOrAfterBStartsAgain) {
    auto r = cut_part_recording(8000);
    auto state = bar(*r, view, 20);
    state->set_loop_start_here();
    EXPECT_EQ(state->listening_text(), "A-");
    EXPECT_FALSE(state->looping());
    state->slider_moved(50);
    state->set_loop_end_here();
    EXPECT_TRUE(state->looping());
    EXPECT_EQ(state->listening_text(), "A-B");
    state->slider_moved(60);
    state->set_loop_start_here(); // after B: B goes
    EXPECT_EQ(state->loop_start(), 6000);
    EXPECT_FALSE(state->loop_end());

    // Playing starts at A when the slider is outside the loop; a port that cannot play slowed down
    // says so and the bar closes.
    state->slider_moved(70);
    state->set_loop_end_here();
    state->slider_moved(10);
    state->TogglePlay();
    ASSERT_TRUE(state->is_playing());
    EXPECT_EQ(last_playback(media), "playback " + std::to_string(state->player().device_id()) + " 0 6000 7000");
    media.fail_next("playback", mci::err_unsupported_function);
    state->set_playback_mode(PlaybackMode::octave_down);
    EXPECT_FALSE(state->is_open());
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_NE(messages.shown()[0].text.find("mci_Set 274"), std::string::npos) << messages.shown()[0].text;
}

} // namespace
} // namespace morvelin
